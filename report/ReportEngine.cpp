#include "report/ReportEngine.h"

#include "report/FieldFormat.h"
#include "report/FontSource.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace reporttext {

int roundEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

}  // namespace reporttext

using reporttext::roundEven;

namespace {

// One export: the printing context and the state of the pages.
class ReportRun
{
public:
    ReportRun(const ReportDefinition& report, ExportFilter& filter, DataSet& data, ReportProgress* progress,
        double pixelsPerInch)
        : m_report(report)
        , m_filter(filter)
        , m_data(data)
        , m_progress(progress)
        , m_pixelsPerInch(pixelsPerInch)
    {
        context.pageWidth = report.page.width;
        context.pageLength = report.page.length;
        context.xFactor = pixelsPerInch / 254.0;
        context.yFactor = pixelsPerInch / 254.0;
    }

    ExportContext context;

    ExportOutcome run()
    {
        m_currentY = -1;
        m_pageCount = 0;
        m_filter.Start(roundEven(m_report.page.width), roundEven(m_report.page.length), m_report.font);
        m_pageFooterSize = 0;
        for (const ReportBand& band : m_report.bands) {
            if (band.enabled && band.type == BandType::PageFooter)
                m_pageFooterSize += band.height;
        }
        if (!dataPass())
            return ExportOutcome::Cancelled;
        m_lastPage = true;
        endPage();
        m_filter.Finish();
        return ExportOutcome::Completed;
    }

private:
    const ReportDefinition& m_report;
    ExportFilter& m_filter;
    DataSet& m_data;
    ReportProgress* m_progress;
    double m_pixelsPerInch;

    int m_currentX = 0;
    int m_currentY = -1;
    int m_pageCount = 0;
    double m_pageFooterSize = 0;
    bool m_lastPage = false;
    bool m_hasRecord = false;
    // Detail and group bands printed on the page that is open, apart from the
    // group header repeated at its top.
    int m_bodyBandsOnPage = 0;
    // A group has begun and its footer is still to come.
    bool m_groupOpen = false;

    // The fields that bands closing something (group and page footers) and
    // bands they may bring about (page and group headers) print, and their
    // values in the last record printed: a footer is printed when the data
    // set has already moved on to the next record, or past the last one.
    std::vector<std::pair<QString, FieldValue>> m_lastRecord;
    bool m_hasLastRecord = false;
    // Data-bound texts read m_lastRecord instead of the current record.
    bool m_fromLastRecord = false;

    double bandWidth(const ReportBand& band) const
    {
        return band.width > 0 ? band.width : m_report.page.printableWidth();
    }

    int xPos(double position) const { return roundEven(position * context.xFactor); }
    int yPos(double position) const { return roundEven(position * context.yFactor); }

    // False when the user cancelled.
    bool dataPass()
    {
        collectClosingFields();
        m_data.first();
        if (m_data.eof()) {
            if (m_report.printIfEmpty) {
                m_hasRecord = false;
                printBands(BandType::Detail);
            }
            return true;
        }
        const bool grouped = m_report.group.active();
        QString groupKey;
        const int recordCount = m_data.recordCount();
        int printed = 0;
        while (!m_data.eof()) {
            m_hasRecord = true;
            if (grouped) {
                const QString key = reporttext::fieldText(m_data.field(m_report.group.field), QString());
                if (!m_groupOpen || key != groupKey) {
                    if (m_groupOpen)
                        closeGroup();
                    openGroup();
                    groupKey = key;
                }
            }
            printBands(BandType::Detail);
            rememberRecord();
            ++printed;
            m_data.next();
            if (m_progress) {
                m_progress->recordPrinted(printed, recordCount > 0 ? qMin(100, printed * 100 / recordCount) : -1);
                if (m_progress->cancelRequested())
                    return false;
            }
        }
        if (m_groupOpen)
            closeGroup();
        return true;
    }

    void openGroup()
    {
        if (m_progress)
            m_progress->groupStarted();
        if (m_report.group.startOnNewPage && (m_pageCount == 0 || m_bodyBandsOnPage > 0))
            newPage();
        printBands(BandType::GroupHeader);
        m_groupOpen = true;
    }

    // The footer shows the group's last record; while the group is open, a
    // page it brings about repeats the group header.
    void closeGroup()
    {
        m_fromLastRecord = true;
        printBands(BandType::GroupFooter);
        m_fromLastRecord = false;
        m_groupOpen = false;
    }

    void collectClosingFields()
    {
        for (const ReportBand& band : m_report.bands) {
            if (!band.enabled || band.type == BandType::Detail)
                continue;
            for (const ReportControl& control : band.controls) {
                if (control.kind != ControlKind::DataText)
                    continue;
                const bool known = std::any_of(m_lastRecord.begin(), m_lastRecord.end(),
                    [&](const auto& field) { return field.first == control.fieldName; });
                if (!known)
                    m_lastRecord.emplace_back(control.fieldName, FieldValue{});
            }
        }
    }

    void rememberRecord()
    {
        for (auto& [name, value] : m_lastRecord)
            value = m_data.field(name);
        m_hasLastRecord = true;
    }

    FieldValue fieldValue(const QString& name) const
    {
        if (m_fromLastRecord) {
            for (const auto& [known, value] : m_lastRecord) {
                if (known == name)
                    return value;
            }
        }
        return m_data.field(name);
    }

    void printBands(BandType type)
    {
        for (const ReportBand& band : m_report.bands) {
            if (band.enabled && band.type == type)
                printBand(band);
        }
    }

    bool fits(const ReportBand& band) const
    {
        if (band.height > m_report.page.printableHeight())
            return true;
        const int availableSpace =
            roundEven(m_report.page.length - m_report.page.bottomMargin - m_pageFooterSize - m_currentY);
        return availableSpace >= roundEven(band.height);
    }

    void printBand(const ReportBand& band)
    {
        // A detail or group band that does not fit even on a page holding only
        // its headers is printed there all the same: a new page could not hold
        // it either, and asking for one would never end. Page headers are only
        // printed at the top of a page that has just begun.
        const bool body =
            band.type == BandType::Detail || band.type == BandType::GroupHeader || band.type == BandType::GroupFooter;
        if (band.type != BandType::PageFooter) {
            const bool pageBegun = m_pageCount > 0;
            if (!pageBegun || (body && m_bodyBandsOnPage > 0 && !fits(band)))
                newPage();
        }
        const double left = m_currentX;
        const double top = m_currentY;
        if (!band.transparent)
            fillBackground(band.color, left, top, bandWidth(band), band.height);
        for (const ReportControl& control : band.controls)
            printControl(control);
        drawFrame(band.frame, xPos(left), yPos(top), xPos(left + bandWidth(band)), yPos(top + band.height + 1));
        m_currentY += roundEven(band.height);
        if (body)
            ++m_bodyBandsOnPage;
    }

    void newPage()
    {
        endPage();
        m_filter.NewPage();
        ++m_pageCount;
        m_bodyBandsOnPage = 0;
        m_currentX = roundEven(m_report.page.leftMargin);
        m_currentY = roundEven(m_report.page.topMargin);
        if (m_pageCount > 1 || m_report.firstPageHeader)
            printBands(BandType::PageHeader);
        if (m_groupOpen && m_report.group.repeatHeaderOnNewPage)
            printBands(BandType::GroupHeader);
        // What opens the page does not count as its content: a band that does
        // not fit below it is printed here all the same.
        m_bodyBandsOnPage = 0;
    }

    void endPage()
    {
        if (m_pageCount > 0) {
            m_currentY = roundEven(m_report.page.length - m_report.page.bottomMargin - m_pageFooterSize);
            m_currentX = roundEven(m_report.page.leftMargin);
            if (!m_lastPage || m_report.lastPageFooter) {
                // The footer closes the page: it shows the page's last record.
                const bool fromLastRecord = m_fromLastRecord;
                m_fromLastRecord = m_hasLastRecord;
                printBands(BandType::PageFooter);
                m_fromLastRecord = fromLastRecord;
            }
        }
        m_filter.EndPage();
    }

    // One rectangle when all four sides are drawn, else one line shape per
    // side in a box one pen width thick along that side.
    // A rectangle in `color` without outline, `left`, `top`, `width` and
    // `height` in tenths of a millimetre.
    void fillBackground(const QColor& color, double left, double top, double width, double height)
    {
        ShapeControl background;
        background.shape = ShapeKind::Rectangle;
        background.width = xPos(left + width) - xPos(left);
        background.height = yPos(top + height) - yPos(top);
        background.pen.style = PenStyle::Clear;
        background.brush = Brush{color, BrushStyle::Solid};
        m_filter.AcceptGraphic(xPos(left), yPos(top), background);
    }

    void drawFrame(const ReportFrame& frame, int left, int top, int right, int bottom)
    {
        if (!frame.anySide() || frame.width <= 0)
            return;
        int penWidth = roundEven(context.xFactor / 72.0 * 254.0 * frame.width);
        if (penWidth < 1)
            penWidth = 1;
        const Pen pen{penWidth, frame.color, PenStyle::Solid};
        const Brush noFill{Qt::white, BrushStyle::Clear};
        auto line = [&](ShapeKind kind, int x, int y, int width, int height) {
            m_filter.AcceptGraphic(x, y, ShapeControl{kind, width, height, pen, noFill});
        };
        const int width = right - left;
        const int height = bottom - top;
        if (frame.allSides()) {
            line(ShapeKind::Rectangle, left, top, width, height);
            return;
        }
        if (frame.top)
            line(ShapeKind::HorizontalLine, left, top, width, penWidth);
        if (frame.bottom)
            line(ShapeKind::HorizontalLine, left, bottom - penWidth, width, penWidth);
        if (frame.left)
            line(ShapeKind::VerticalLine, left, top, penWidth, height);
        if (frame.right)
            line(ShapeKind::VerticalLine, right - penWidth, top, penWidth, height);
    }

    void printControl(const ReportControl& control)
    {
        switch (control.kind) {
        case ControlKind::FixedText:
            printText(control, control.caption);
            break;
        case ControlKind::DataText:
            printText(
                control, m_hasRecord ? reporttext::fieldText(fieldValue(control.fieldName), control.mask) : QString());
            break;
        case ControlKind::Picture:
            printPicture(control);
            break;
        }
    }

    double textWidth(const ReportFont& font, const QString& text) const
    {
        return fontsource::textWidth(font, text, m_pixelsPerInch) / context.xFactor;
    }

    // Breaks one line into pieces no wider than `width`: at blanks with word
    // wrap (a word wider than the control is cut), anywhere without.
    QStringList breakLine(const ReportControl& control, const QString& line, double width) const
    {
        QStringList pieces;
        QString rest = line;
        while (!rest.isEmpty()) {
            if (textWidth(control.font, rest) <= width) {
                pieces << rest;
                break;
            }
            // Longest prefix that fits, at least one character.
            int fitting = 1;
            while (fitting < rest.size() && textWidth(control.font, rest.left(fitting + 1)) <= width)
                ++fitting;
            int cut = fitting;
            if (control.wordWrap) {
                const int blank = rest.lastIndexOf(QLatin1Char(' '), fitting);
                if (blank > 0)
                    cut = blank;
            }
            pieces << rest.left(cut);
            rest = rest.mid(cut);
            if (control.wordWrap) {
                while (rest.startsWith(QLatin1Char(' ')))
                    rest.remove(0, 1);
            }
        }
        return pieces;
    }

    void printText(const ReportControl& control, QString text)
    {
        text.remove(QLatin1Char('\n'));
        QStringList lines;
        if (!text.isEmpty())
            lines = text.split(QLatin1Char('\r'));

        double left = control.left;
        double width = control.width;
        if (control.autoSize) {
            double widest = 0;
            for (const QString& line : lines)
                widest = qMax(widest, textWidth(control.font, line));
            if (!lines.isEmpty()) {
                if (control.alignment == Alignment::RightJustify)
                    left = control.left + control.width - widest;
                else if (control.alignment == Alignment::Center)
                    left = control.left + (control.width - widest) / 2;
                width = widest;
            }
        } else {
            QStringList broken;
            for (const QString& line : lines)
                broken << breakLine(control, line, width);
            lines = broken;
        }
        left += m_currentX;
        const double top = control.top + m_currentY;

        if (!control.transparent && control.color != QColor(Qt::white))
            fillBackground(control.color, left, top, width, control.height);

        double anchor = left;
        if (control.alignment == Alignment::RightJustify)
            anchor = left + width;
        else if (control.alignment == Alignment::Center)
            anchor = left + width / 2;
        const double lineHeight = fontsource::lineHeight(control.font, m_pixelsPerInch) / context.yFactor;
        double y = top;
        for (const QString& line : lines) {
            if (top + control.height + 1 < y + lineHeight && !control.autoStretch)
                break;
            m_filter.TextOut(anchor, y, control.font, control.color, control.alignment, line);
            y += lineHeight;
        }
        drawFrame(control.frame, xPos(left), yPos(top), xPos(left + width), yPos(top + control.height + 1));
    }

    void printPicture(const ReportControl& control)
    {
        PictureControl picture;
        picture.picture = control.picture;
        picture.stretch = control.stretch;
        if (control.autoSize && !control.picture.isNull()) {
            picture.width = control.picture.width();
            picture.height = control.picture.height();
        } else {
            picture.width = roundEven(control.width * context.xFactor);
            picture.height = roundEven(control.height * context.yFactor);
        }
        const double left = control.left + m_currentX;
        const double top = control.top + m_currentY;
        m_filter.AcceptGraphic(xPos(left), yPos(top), picture);
        drawFrame(control.frame, xPos(left), yPos(top), xPos(left) + picture.width, yPos(top) + picture.height);
    }
};

}  // namespace

ReportEngine::ReportEngine(const ReportDefinition& report, double pixelsPerInch)
    : m_report(report)
    , m_pixelsPerInch(pixelsPerInch)
{
}

ExportOutcome ReportEngine::ExportToFilter(ExportFilter& filter, DataSet& data, ReportProgress* progress)
{
    ReportRun run(m_report, filter, data, progress, m_pixelsPerInch);

    // The filter reads the page and the device factors from this run only while
    // it lasts; the progress window closes however the run ends.
    struct RunGuard
    {
        ExportFilter& filter;
        ReportProgress* progress;
        ~RunGuard()
        {
            filter.setOwner(nullptr);
            if (progress)
                progress->exportEnded();
        }
    };
    filter.setOwner(&run.context);
    RunGuard guard{filter, progress};
    if (progress)
        progress->exportStarted(data.recordCount());
    return run.run();
}
