#include "report/FieldFormat.h"
#include "report/FontSource.h"
#include "report/ReportEngine.h"
#include "tests/support/MemoryDataSet.h"
#include "tests/support/RecordingFilter.h"

#include <QtTest>

namespace {

using Kind = RecordingFilter::Kind;

constexpr double factor = 96.0 / 254.0;

ReportControl text(const QString& caption, double left, double top, double height = 40)
{
    ReportControl control;
    control.kind = ControlKind::FixedText;
    control.caption = caption;
    control.left = left;
    control.top = top;
    control.height = height;
    return control;
}

ReportBand band(BandType type, double height, std::vector<ReportControl> controls = {})
{
    ReportBand result;
    result.type = type;
    result.height = height;
    result.width = 1899.7;
    result.controls = std::move(controls);
    return result;
}

// The geometry of the control report: A4, margins of 100, a framed page header
// of 394.2, detail bands of 50.3 and a page footer of 240.8.
ReportDefinition controlGeometry()
{
    ReportDefinition report;
    ReportBand header = band(BandType::PageHeader, 394.2, {text(QStringLiteral("HEADER"), 21.2, 0)});
    header.frame = ReportFrame::box(1);
    ReportControl number;
    number.kind = ControlKind::DataText;
    number.fieldName = QStringLiteral("n");
    number.left = 108.5;
    number.top = 5.3;
    number.height = 39.7;
    number.font.size = 8;
    report.bands = {header, band(BandType::Detail, 50.3, {number}),
        band(BandType::PageFooter, 240.8, {text(QStringLiteral("FOOTER"), 177.3, 31.8)})};
    return report;
}

// A report of one page header band: the empty data set prints its detail
// band, which holds nothing, once and so begins the page.
ReportDefinition headerOnly(const ReportBand& header)
{
    ReportDefinition report;
    ReportBand detail = band(BandType::Detail, 0);
    detail.transparent = true;
    report.bands = {header, detail};
    return report;
}

// A data-bound text of field `name`.
ReportControl dataText(const QString& name, double left, double top)
{
    ReportControl control;
    control.kind = ControlKind::DataText;
    control.fieldName = name;
    control.left = left;
    control.top = top;
    control.height = 40;
    return control;
}

// The control report's geometry with a group on field K: the page header
// shows K, the group header "GH" and K, the group footer "GF" and N, the page
// footer "FOOTER" and N. The group header is 100 high, the footer `footerHeight`.
ReportDefinition groupedGeometry(bool startOnNewPage, bool repeatHeader, double footerHeight = 100)
{
    ReportDefinition report;
    ReportBand header = band(
        BandType::PageHeader, 394.2, {text(QStringLiteral("HEADER"), 21.2, 0), dataText(QStringLiteral("K"), 600, 0)});
    ReportBand groupHeader =
        band(BandType::GroupHeader, 100, {text(QStringLiteral("GH"), 0, 0), dataText(QStringLiteral("K"), 600, 0)});
    ReportBand groupFooter = band(
        BandType::GroupFooter, footerHeight, {text(QStringLiteral("GF"), 0, 0), dataText(QStringLiteral("N"), 600, 0)});
    ReportBand footer = band(BandType::PageFooter, 240.8,
        {text(QStringLiteral("FOOTER"), 177.3, 31.8), dataText(QStringLiteral("N"), 600, 31.8)});
    // Band order does not matter: each kind prints at its moment.
    report.bands = {groupFooter, header, band(BandType::Detail, 50.3, {dataText(QStringLiteral("N"), 108.5, 5.3)}),
        footer, groupHeader};
    report.group = ReportGroup{QStringLiteral("K"), startOnNewPage, repeatHeader};
    return report;
}

// Records "R0", "R1", ... in field N, with the group key of each in field K.
MemoryDataSet keyedRecords(const QStringList& keys)
{
    MemoryDataSet data({QStringLiteral("K"), QStringLiteral("N")});
    for (int i = 0; i < keys.size(); ++i)
        data.append({MemoryDataSet::string(keys[i]), MemoryDataSet::string(QStringLiteral("R%1").arg(i))});
    return data;
}

// Every text printed as "page:text", in order.
QStringList pagedTexts(const RecordingFilter& filter)
{
    QStringList found;
    for (const auto& call : filter.texts())
        found << QStringLiteral("%1:%2").arg(call.page).arg(call.text);
    return found;
}

// Records "R0", "R1", ... in field N.
MemoryDataSet records(int count)
{
    MemoryDataSet data({QStringLiteral("N")});
    for (int i = 0; i < count; ++i)
        data.append({MemoryDataSet::string(QStringLiteral("R%1").arg(i))});
    return data;
}

QString describe(const RecordingFilter::Call& call)
{
    const auto& shape = std::get<ShapeControl>(call.graphic);
    const char* kind = shape.shape == ShapeKind::Rectangle ? "R"
        : shape.shape == ShapeKind::HorizontalLine         ? "H"
        : shape.shape == ShapeKind::VerticalLine           ? "V"
                                                           : "?";
    return QStringLiteral("%1 %2 %3 %4 %5 pen %6")
        .arg(QLatin1String(kind))
        .arg(call.x)
        .arg(call.y)
        .arg(shape.width)
        .arg(shape.height)
        .arg(shape.pen.width);
}

class ScriptedProgress : public ReportProgress
{
public:
    int cancelAfter = -1;
    int startedWith = -2;
    bool ended = false;
    int printed = 0;
    QList<int> percents;

    void exportStarted(int recordCount) override { startedWith = recordCount; }
    void recordPrinted(int recordsPrinted, int percent) override
    {
        printed = recordsPrinted;
        percents << percent;
    }
    bool cancelRequested() const override { return cancelAfter >= 0 && printed >= cancelAfter; }
    void exportEnded() override { ended = true; }
    void groupStarted() override { groupsStartedAt << printed; }
    // The records printed when each group began.
    QList<int> groupsStartedAt;
};

}  // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void pageCalls_data();
    void pageCalls();
    void detailBandsAdvanceAndBreakAfter42();
    void footerAtFootOfEveryPage_data();
    void footerAtFootOfEveryPage();
    void emptyDataSet_data();
    void emptyDataSet();
    void headerBackgroundAndFrame();
    void frameSides_data();
    void frameSides();
    void autoSizeKeepsAnchor_data();
    void autoSizeKeepsAnchor();
    void linesOfAText_data();
    void linesOfAText();
    void breaksTextWithoutAutoSize_data();
    void breaksTextWithoutAutoSize();
    void fieldText_data();
    void fieldText();
    void pictures();
    void pageOptions_data();
    void pageOptions();
    void tallDetailBands_data();
    void tallDetailBands();
    void startArgumentsAndOwner();
    void progressShares_data();
    void progressShares();
    void cancelWritesNothing();
    void filterErrorEndsTheRun();
    void groups_data();
    void groups();
    void continuedGroupRepeatsItsHeader_data();
    void continuedGroupRepeatsItsHeader();
    void groupFooterMovedToTheNextPage();
    void groupBandsThatFitNoPage();
};

void TestEngine::pageCalls_data()
{
    QTest::addColumn<int>("recordCount");
    QTest::addColumn<QString>("pages");
    // Start, the EndPage before anything is printed, then NewPage ... EndPage
    // per page, Finish.
    QTest::newRow("no record") << 0 << "SENEF";
    QTest::newRow("one record") << 1 << "SENEF";
    QTest::newRow("a full page") << 42 << "SENEF";
    QTest::newRow("one record more") << 43 << "SENENEF";
    QTest::newRow("two full pages") << 84 << "SENENEF";
    QTest::newRow("third page") << 85 << "SENENENEF";
}

void TestEngine::pageCalls()
{
    QFETCH(int, recordCount);
    QFETCH(QString, pages);
    const ReportDefinition report = controlGeometry();
    MemoryDataSet data = records(recordCount);
    RecordingFilter filter;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data), ExportOutcome::Completed);
    QCOMPARE(filter.pageSequence(), pages);
}

void TestEngine::detailBandsAdvanceAndBreakAfter42()
{
    const ReportDefinition report = controlGeometry();
    MemoryDataSet data = records(85);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    for (int i = 0; i < 85; ++i) {
        const auto found = filter.texts(QStringLiteral("R%1").arg(i));
        QCOMPARE(found.size(), size_t(1));
        // Bands start at 100 + 394 = 494 and advance Round(50.3) = 50.
        QCOMPARE(found[0].page, i / 42 + 1);
        QCOMPARE(found[0].y, 494 + 50 * (i % 42) + 5.3);
        QCOMPARE(found[0].x, 100 + 108.5);
        QCOMPARE(found[0].font.size, 8);
    }
    // Every page opens with the page header: its background comes first.
    const auto headers = filter.texts(QStringLiteral("HEADER"));
    QCOMPARE(headers.size(), size_t(3));
    for (size_t i = 0; i < filter.calls.size(); ++i) {
        if (filter.calls[i].kind != Kind::NewPage)
            continue;
        const auto& first = filter.calls[i + 1];
        QCOMPARE(first.kind, Kind::Graphic);
        QCOMPARE(first.x, 38.0);
        QCOMPARE(first.y, 38.0);
    }
    for (const auto& header : headers)
        QCOMPARE(header.y, 100.0);
}

void TestEngine::footerAtFootOfEveryPage_data()
{
    QTest::addColumn<int>("recordCount");
    QTest::addColumn<int>("pageCount");
    QTest::newRow("one line") << 1 << 1;
    QTest::newRow("41 lines") << 41 << 1;
    QTest::newRow("42 lines") << 42 << 1;
    QTest::newRow("43 lines, short last page") << 43 << 2;
    QTest::newRow("100 lines") << 100 << 3;
}

void TestEngine::footerAtFootOfEveryPage()
{
    QFETCH(int, recordCount);
    QFETCH(int, pageCount);
    const ReportDefinition report = controlGeometry();
    MemoryDataSet data = records(recordCount);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    const auto footers = filter.texts(QStringLiteral("FOOTER"));
    QCOMPARE(int(footers.size()), pageCount);
    for (int page = 1; page <= pageCount; ++page) {
        // Round(2970 - 100 - 240.8) = 2629, whatever the page holds.
        QCOMPARE(footers[size_t(page - 1)].page, page);
        QCOMPARE(footers[size_t(page - 1)].y, 2629 + 31.8);
    }
    // The footer is the last thing on its page, after the page's last line.
    for (size_t i = 0; i < filter.calls.size(); ++i) {
        if (filter.calls[i].kind == Kind::Text && filter.calls[i].text == QLatin1String("FOOTER"))
            QCOMPARE(filter.calls[i + 1].kind, Kind::EndPage);
    }
}

void TestEngine::emptyDataSet_data()
{
    QTest::addColumn<bool>("printIfEmpty");
    QTest::addColumn<QStringList>("shapes");
    QTest::newRow("printed if empty") << true
                                      << QStringList{"R 38 38 718 149 pen 1", "R 38 38 718 149 pen 1",
                                             "R 38 187 718 19 pen 1", "R 38 994 718 91 pen 1"};
    // Nothing at all is printed then, so no page begins.
    QTest::newRow("not printed if empty") << false << QStringList{};
}

void TestEngine::emptyDataSet()
{
    QFETCH(bool, printIfEmpty);
    QFETCH(QStringList, shapes);
    ReportDefinition report = controlGeometry();
    report.printIfEmpty = printIfEmpty;
    MemoryDataSet data = records(0);
    RecordingFilter filter;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data), ExportOutcome::Completed);

    QStringList found;
    for (const auto& shape : filter.shapes())
        found << describe(shape);
    QCOMPARE(found, shapes);
    QStringList printed;
    for (const auto& call : filter.texts())
        printed << call.text;
    if (printIfEmpty) {
        // One page with header and footer; the detail band's field prints nothing.
        QCOMPARE(filter.pageSequence(), QStringLiteral("SENEF"));
        QCOMPARE(printed, (QStringList{"HEADER", "FOOTER"}));
    } else {
        QCOMPARE(filter.pageSequence(), QStringLiteral("SEF"));
        QCOMPARE(printed, QStringList{});
    }
}

void TestEngine::headerBackgroundAndFrame()
{
    const ReportDefinition report = controlGeometry();
    MemoryDataSet data = records(1);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    const auto shapes = filter.shapes();
    QVERIFY(shapes.size() >= 2);
    const auto& background = std::get<ShapeControl>(shapes[0].graphic);
    QCOMPARE(describe(shapes[0]), QStringLiteral("R 38 38 718 149 pen 1"));
    QCOMPARE(background.brush.style, BrushStyle::Solid);
    QCOMPARE(background.brush.color, QColor(Qt::white));
    QCOMPARE(background.pen.style, PenStyle::Clear);

    // The frame follows the header's controls: one rectangle, outline only.
    const auto& frame = std::get<ShapeControl>(shapes[1].graphic);
    QCOMPARE(describe(shapes[1]), QStringLiteral("R 38 38 718 149 pen 1"));
    QCOMPARE(frame.brush.style, BrushStyle::Clear);
    QCOMPARE(frame.pen.style, PenStyle::Solid);
    QCOMPARE(frame.pen.color, QColor(Qt::black));
}

void TestEngine::frameSides_data()
{
    QTest::addColumn<bool>("top");
    QTest::addColumn<bool>("bottom");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("right");
    QTest::addColumn<double>("points");
    QTest::addColumn<QStringList>("shapes");
    // The frame runs from (38, 38) to (756, 187); Round(96/254/72*254*points).
    QTest::newRow("four sides, one rectangle")
        << true << true << true << true << 1.0 << QStringList{"R 38 38 718 149 pen 1"};
    QTest::newRow("top, 2 points are 3 pixels")
        << true << false << false << false << 2.0 << QStringList{"H 38 38 718 3 pen 3"};
    QTest::newRow("bottom edge is the frame's bottom")
        << false << true << false << false << 2.0 << QStringList{"H 38 184 718 3 pen 3"};
    QTest::newRow("left") << false << false << true << false << 1.0 << QStringList{"V 38 38 1 149 pen 1"};
    QTest::newRow("right edge is the frame's right, 1.5 points")
        << false << false << false << true << 1.5 << QStringList{"V 754 38 2 149 pen 2"};
    QTest::newRow("thin pen is at least one pixel")
        << true << true << false << false << 0.1 << QStringList{"H 38 38 718 1 pen 1", "H 38 186 718 1 pen 1"};
    QTest::newRow("three sides") << true << false << true << true << 1.0
                                 << QStringList{"H 38 38 718 1 pen 1", "V 38 38 1 149 pen 1", "V 755 38 1 149 pen 1"};
    QTest::newRow("zero width draws nothing") << true << true << true << true << 0.0 << QStringList{};
}

void TestEngine::frameSides()
{
    QFETCH(bool, top);
    QFETCH(bool, bottom);
    QFETCH(bool, left);
    QFETCH(bool, right);
    QFETCH(double, points);
    QFETCH(QStringList, shapes);
    ReportBand header = band(BandType::PageHeader, 394.2);
    header.transparent = true;
    header.frame = ReportFrame{top, bottom, left, right, Qt::black, points};
    const ReportDefinition report = headerOnly(header);
    MemoryDataSet data = records(0);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    QStringList found;
    for (const auto& shape : filter.shapes())
        found << describe(shape);
    QCOMPARE(found, shapes);
}

void TestEngine::autoSizeKeepsAnchor_data()
{
    QTest::addColumn<Alignment>("alignment");
    QTest::addColumn<double>("anchor");
    QTest::addColumn<int>("frameRight");
    QTest::addColumn<int>("frameLeft");
    // A control at 400 .. 700 in a band starting at 100; which edge of the
    // frame stays put depends on the alignment.
    QTest::newRow("right-aligned keeps its right edge") << Alignment::RightJustify << 800.0 << 302 << -1;
    QTest::newRow("left-aligned keeps its left edge") << Alignment::LeftJustify << 500.0 << -1 << 189;
    QTest::newRow("centred keeps its centre") << Alignment::Center << 650.0 << -1 << -1;
}

void TestEngine::autoSizeKeepsAnchor()
{
    QFETCH(Alignment, alignment);
    QFETCH(double, anchor);
    QFETCH(int, frameRight);
    QFETCH(int, frameLeft);

    QList<std::pair<int, int>> frames;
    for (const QString& caption : {QStringLiteral("0.00"), QStringLiteral("1234567.89")}) {
        ReportControl control = text(caption, 400, 0);
        control.width = 300;
        control.alignment = alignment;
        control.font.bold = true;
        control.frame = ReportFrame::box(1);
        ReportBand header = band(BandType::PageHeader, 100, {control});
        header.transparent = true;
        const ReportDefinition report = headerOnly(header);
        MemoryDataSet data = records(0);
        RecordingFilter filter;
        ReportEngine(report).ExportToFilter(filter, data);

        const auto printed = filter.texts(caption);
        QCOMPARE(printed.size(), size_t(1));
        QCOMPARE(printed[0].x, anchor);
        QCOMPARE(printed[0].alignment, alignment);
        const auto shapes = filter.shapes();
        QCOMPARE(shapes.size(), size_t(1));
        const int left = int(shapes[0].x);
        const int width = std::get<ShapeControl>(shapes[0].graphic).width;
        // The frame is as wide as the text.
        const double textWidth = fontsource::textWidth(control.font, caption);
        QVERIFY2(qAbs(width - textWidth) <= 1.5, qPrintable(QStringLiteral("%1 %2").arg(width).arg(textWidth)));
        frames << std::pair{left, left + width};
    }
    if (frameRight >= 0) {
        QCOMPARE(frames[0].second, frameRight);
        QCOMPARE(frames[1].second, frameRight);
        QVERIFY(frames[1].first < frames[0].first);
    }
    if (frameLeft >= 0) {
        QCOMPARE(frames[0].first, frameLeft);
        QCOMPARE(frames[1].first, frameLeft);
    }
    // Centred: both frames share their middle within a pixel.
    if (alignment == Alignment::Center)
        QVERIFY(qAbs((frames[0].first + frames[0].second) - (frames[1].first + frames[1].second)) <= 2);
}

void TestEngine::linesOfAText_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("linesHigh");
    QTest::addColumn<bool>("autoStretch");
    QTest::addColumn<QStringList>("printed");
    QTest::newRow("line feeds dropped, split at returns")
        << "uno\r\ndos\rtres" << 3 << false << QStringList{"uno", "dos", "tres"};
    QTest::newRow("lines below the control are left out")
        << "uno\rdos\rtres" << 2 << false << QStringList{"uno", "dos"};
    QTest::newRow("auto-stretch prints them") << "uno\rdos\rtres" << 1 << true << QStringList{"uno", "dos", "tres"};
    QTest::newRow("a lone line feed is no line break") << "uno\ndos" << 1 << false << QStringList{"unodos"};
    QTest::newRow("empty text prints nothing") << "" << 1 << false << QStringList{};
}

void TestEngine::linesOfAText()
{
    QFETCH(QString, caption);
    QFETCH(int, linesHigh);
    QFETCH(bool, autoStretch);
    QFETCH(QStringList, printed);
    ReportControl control = text(caption, 50, 20);
    const double lineHeight = fontsource::lineHeight(control.font) / factor;
    // One line fits when top + height + 1 >= y + line height.
    control.height = linesHigh * lineHeight - 1;
    control.autoStretch = autoStretch;
    const ReportDefinition report = headerOnly(band(BandType::PageHeader, 300, {control}));
    MemoryDataSet data = records(0);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    const auto texts = filter.texts();
    QStringList found;
    for (size_t i = 0; i < texts.size(); ++i) {
        found << texts[i].text;
        QCOMPARE(texts[i].y, 100 + 20 + double(i) * lineHeight);
        QCOMPARE(texts[i].x, 150.0);
    }
    QCOMPARE(found, printed);
}

void TestEngine::breaksTextWithoutAutoSize_data()
{
    QTest::addColumn<bool>("wordWrap");
    QTest::newRow("at blanks") << true;
    QTest::newRow("anywhere") << false;
}

void TestEngine::breaksTextWithoutAutoSize()
{
    QFETCH(bool, wordWrap);
    const QString caption = QStringLiteral("Declaro que los datos consignados son correctos y completos");
    ReportControl control = text(caption, 0, 0);
    control.autoSize = false;
    control.autoStretch = true;
    control.wordWrap = wordWrap;
    control.width = 300;
    const ReportDefinition report = headerOnly(band(BandType::PageHeader, 300, {control}));
    MemoryDataSet data = records(0);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    const auto texts = filter.texts();
    QVERIFY(texts.size() > 2);
    QStringList lines;
    for (const auto& line : texts) {
        QVERIFY2(fontsource::textWidth(control.font, line.text) / factor <= 300, qPrintable(line.text));
        lines << line.text;
    }
    if (wordWrap) {
        QCOMPARE(lines.join(QLatin1Char(' ')), caption);
        for (const QString& line : lines)
            QVERIFY(!line.startsWith(QLatin1Char(' ')) && !line.endsWith(QLatin1Char(' ')));
    } else {
        QCOMPARE(lines.join(QString()), caption);
    }
}

void TestEngine::fieldText_data()
{
    QTest::addColumn<FieldValue>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("expected");
    QTest::newRow("withholding stored as 6") << MemoryDataSet::bcd(600, 2) << "0.00"
                                             << "6.00";
    QTest::newRow("bcd 1234.5") << MemoryDataSet::bcd(123450, 2) << "0.00"
                                << "1234.50";
    QTest::newRow("bcd below one") << MemoryDataSet::bcd(5, 2) << "0.00"
                                   << "0.05";
    QTest::newRow("bcd negative") << MemoryDataSet::bcd(-5, 2) << "0.00"
                                  << "-0.05";
    QTest::newRow("bcd scale 4, half away from zero") << MemoryDataSet::bcd(12345, 4) << "0.00"
                                                      << "1.23";
    QTest::newRow("bcd scale 3 half up") << MemoryDataSet::bcd(12345, 3) << "0.00"
                                         << "12.35";
    QTest::newRow("bcd scale 3 half down negative") << MemoryDataSet::bcd(-12345, 3) << "0.00"
                                                    << "-12.35";
    QTest::newRow("bcd scale 0") << MemoryDataSet::bcd(7, 0) << "0.00"
                                 << "7.00";
    QTest::newRow("large bcd, no separators") << MemoryDataSet::bcd(99999999999, 2) << "0.00"
                                              << "999999999.99";
    QTest::newRow("bcd too large to scale") << MemoryDataSet::bcd(Q_INT64_C(9000000000000000000), 0) << "0.00"
                                            << "";
    QTest::newRow("integer") << MemoryDataSet::integer(6) << "0.00"
                             << "6.00";
    QTest::newRow("float") << MemoryDataSet::real(1234.5) << "0.00"
                           << "1234.50";
    QTest::newRow("float half") << MemoryDataSet::real(0.125) << "0.00"
                                << "0.13";
    QTest::newRow("float not a number") << MemoryDataSet::real(qQNaN()) << "0.00"
                                        << "";
    QTest::newRow("one decimal") << MemoryDataSet::bcd(125, 2) << "0.0"
                                 << "1.3";
    QTest::newRow("no decimals") << MemoryDataSet::bcd(250, 2) << "0"
                                 << "3";
    QTest::newRow("mask not understood") << MemoryDataSet::bcd(600, 2) << "#,##0.00 $"
                                         << "";
    QTest::newRow("null amount") << MemoryDataSet::null(FieldType::Bcd) << "0.00"
                                 << "";
    QTest::newRow("string ignores mask") << MemoryDataSet::string("0001-00000123") << "0.00"
                                         << "0001-00000123";
    QTest::newRow("string kept as is") << MemoryDataSet::string("ÑANDÚ S.A.") << ""
                                       << "ÑANDÚ S.A.";
    QTest::newRow("bcd display text") << MemoryDataSet::bcd(600, 2) << ""
                                      << "6";
    QTest::newRow("bcd display text with cents") << MemoryDataSet::bcd(123450, 2) << ""
                                                 << "1234.5";
    QTest::newRow("integer display text") << MemoryDataSet::integer(-42) << ""
                                          << "-42";
    QTest::newRow("float display text") << MemoryDataSet::real(6.17) << ""
                                        << "6.17";
}

void TestEngine::fieldText()
{
    QFETCH(FieldValue, value);
    QFETCH(QString, mask);
    QFETCH(QString, expected);
    QCOMPARE(reporttext::fieldText(value, mask), expected);
}

void TestEngine::pictures()
{
    QImage logo(120, 58, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    ReportControl ownSize;
    ownSize.kind = ControlKind::Picture;
    ownSize.picture = logo;
    ownSize.autoSize = true;
    ownSize.left = 39.7;
    ownSize.top = 71.4;
    ownSize.width = 10;  // ignored: drawn at the picture's size
    ownSize.height = 10;
    ReportControl box = ownSize;
    box.autoSize = false;
    box.left = 1330.9;
    box.top = 45.0;
    box.width = 553.0;
    box.height = 217.0;
    ReportBand header = band(BandType::PageHeader, 394.2, {ownSize, box});
    header.transparent = true;
    const ReportDefinition report = headerOnly(header);
    MemoryDataSet data = records(0);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    QStringList found;
    for (const auto& call : filter.calls) {
        if (call.kind != Kind::Graphic)
            continue;
        const auto& picture = std::get<PictureControl>(call.graphic);
        QCOMPARE(picture.picture.pixelColor(0, 0), QColor(Qt::red));
        found << QStringLiteral("%1 %2 %3 %4").arg(call.x).arg(call.y).arg(picture.width).arg(picture.height);
    }
    QCOMPARE(found, (QStringList{"53 65 120 58", "541 55 209 82"}));
}

void TestEngine::pageOptions_data()
{
    QTest::addColumn<bool>("firstPageHeader");
    QTest::addColumn<bool>("lastPageFooter");
    QTest::addColumn<QList<int>>("headerPages");
    QTest::addColumn<QList<int>>("footerPages");
    QTest::addColumn<double>("firstLineY");
    QTest::newRow("both") << true << true << QList<int>{1, 2} << QList<int>{1, 2} << 494 + 5.3;
    QTest::newRow("no header on the first page") << false << true << QList<int>{2} << QList<int>{1, 2} << 100 + 5.3;
    QTest::newRow("no footer on the last page") << true << false << QList<int>{1, 2} << QList<int>{1} << 494 + 5.3;
}

void TestEngine::pageOptions()
{
    QFETCH(bool, firstPageHeader);
    QFETCH(bool, lastPageFooter);
    QFETCH(QList<int>, headerPages);
    QFETCH(QList<int>, footerPages);
    QFETCH(double, firstLineY);
    ReportDefinition report = controlGeometry();
    report.firstPageHeader = firstPageHeader;
    report.lastPageFooter = lastPageFooter;
    // Without the header page 1 holds 50 lines: 60 reach page 2.
    MemoryDataSet data = records(60);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    QList<int> headers;
    for (const auto& call : filter.texts(QStringLiteral("HEADER")))
        headers << call.page;
    QList<int> footers;
    for (const auto& call : filter.texts(QStringLiteral("FOOTER")))
        footers << call.page;
    QCOMPARE(headers, headerPages);
    QCOMPARE(footers, footerPages);
    QCOMPARE(filter.texts(QStringLiteral("R0"))[0].y, firstLineY);
}

void TestEngine::tallDetailBands_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<QList<int>>("pages");
    // Taller than the printable height (2770): counts as fitting, one page.
    QTest::newRow("taller than the page") << 3000.0 << QList<int>{1, 1, 1};
    // Fits no page below the header, yet must not ask for pages forever.
    QTest::newRow("taller than the room below the header") << 2600.0 << QList<int>{1, 2, 3};
    QTest::newRow("exactly the room below the header") << 2135.0 << QList<int>{1, 2, 3};
}

void TestEngine::tallDetailBands()
{
    QFETCH(double, height);
    QFETCH(QList<int>, pages);
    ReportDefinition report = controlGeometry();
    report.bands[1].height = height;
    MemoryDataSet data = records(3);
    RecordingFilter filter;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data), ExportOutcome::Completed);
    QList<int> found;
    for (int i = 0; i < 3; ++i)
        found << filter.texts(QStringLiteral("R%1").arg(i))[0].page;
    QCOMPARE(found, pages);
}

void TestEngine::startArgumentsAndOwner()
{
    ReportDefinition report = controlGeometry();
    // Rounded to whole tenths, halves to even.
    report.page.width = 2100.5;
    report.page.length = 2971.5;
    report.font.size = 12;
    MemoryDataSet data = records(2);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    const auto& start = filter.calls.front();
    QCOMPARE(start.kind, Kind::Start);
    QCOMPARE(start.paperWidth, 2100);
    QCOMPARE(start.paperHeight, 2972);
    QCOMPARE(start.font.size, 12);
    for (const auto& call : filter.calls) {
        QVERIFY(call.hadOwner);
        QCOMPARE(call.ownerPageLength, 2971.5);
        QCOMPARE(call.ownerXFactor, factor);
    }
    QCOMPARE(filter.owner(), nullptr);
}

void TestEngine::progressShares_data()
{
    QTest::addColumn<bool>("countKnown");
    QTest::addColumn<int>("started");
    QTest::addColumn<QList<int>>("percents");
    QTest::newRow("count known") << true << 3 << QList<int>{33, 66, 100};
    QTest::newRow("count unknown") << false << -1 << QList<int>{-1, -1, -1};
}

void TestEngine::progressShares()
{
    QFETCH(bool, countKnown);
    QFETCH(int, started);
    QFETCH(QList<int>, percents);
    const ReportDefinition report = controlGeometry();
    MemoryDataSet data = records(3);
    data.setCountKnown(countKnown);
    RecordingFilter filter;
    ScriptedProgress progress;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data, &progress), ExportOutcome::Completed);
    QCOMPARE(progress.startedWith, started);
    QCOMPARE(progress.percents, percents);
    QVERIFY(progress.ended);
}

void TestEngine::cancelWritesNothing()
{
    const ReportDefinition report = controlGeometry();
    MemoryDataSet data = records(100);
    RecordingFilter filter;
    ScriptedProgress progress;
    progress.cancelAfter = 45;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data, &progress), ExportOutcome::Cancelled);
    // Stopped after the record being printed; the filter is never told to finish.
    QCOMPARE(int(filter.texts().size()) - 2 /* headers */ - 1 /* footer */, 45);
    QVERIFY(filter.texts(QStringLiteral("R45")).empty());
    QVERIFY(!filter.sequence().contains(QLatin1Char('F')));
    QVERIFY(progress.ended);
    QCOMPARE(filter.owner(), nullptr);
}

void TestEngine::filterErrorEndsTheRun()
{
    const ReportDefinition report = controlGeometry();
    MemoryDataSet data = records(10);
    RecordingFilter filter;
    filter.failOnText = QStringLiteral("R3");
    ScriptedProgress progress;
    QVERIFY_THROWS_EXCEPTION(Error, ReportEngine(report).ExportToFilter(filter, data, &progress));
    QVERIFY(!filter.sequence().contains(QLatin1Char('F')));
    QVERIFY(progress.ended);
    QCOMPARE(filter.owner(), nullptr);
    QCOMPARE(progress.printed, 3);
}

void TestEngine::groups_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("startOnNewPage");
    QTest::addColumn<QStringList>("printed");
    // A group is a run of equal keys: "A" coming back after "B" opens a third
    // group. The footers show the last record before them, the page header
    // the key of the page's group.
    QTest::newRow("each group on a page of its own")
        << QStringList{"A", "A", "B", "A"} << true
        << QStringList{"1:HEADER", "1:A", "1:GH", "1:A", "1:R0", "1:R1", "1:GF", "1:R1", "1:FOOTER", "1:R1", "2:HEADER",
               "2:B", "2:GH", "2:B", "2:R2", "2:GF", "2:R2", "2:FOOTER", "2:R2", "3:HEADER", "3:A", "3:GH", "3:A",
               "3:R3", "3:GF", "3:R3", "3:FOOTER", "3:R3"};
    QTest::newRow("groups following each other")
        << QStringList{"A", "B", "B"} << false
        << QStringList{"1:HEADER", "1:A", "1:GH", "1:A", "1:R0", "1:GF", "1:R0", "1:GH", "1:B", "1:R1", "1:R2", "1:GF",
               "1:R2", "1:FOOTER", "1:R2"};
    QTest::newRow("one group") << QStringList{
        "A"} << true << QStringList{"1:HEADER", "1:A", "1:GH", "1:A", "1:R0", "1:GF", "1:R0", "1:FOOTER", "1:R0"};
    // Keys compare as their text, case and blanks included.
    QTest::newRow("keys differing in case") << QStringList{"a", "A"} << false
                                            << QStringList{"1:HEADER", "1:a", "1:GH", "1:a", "1:R0", "1:GF", "1:R0",
                                                   "1:GH", "1:A", "1:R1", "1:GF", "1:R1", "1:FOOTER", "1:R1"};
}

void TestEngine::groups()
{
    QFETCH(QStringList, keys);
    QFETCH(bool, startOnNewPage);
    QFETCH(QStringList, printed);
    const ReportDefinition report = groupedGeometry(startOnNewPage, true);
    MemoryDataSet data = keyedRecords(keys);
    RecordingFilter filter;
    ScriptedProgress progress;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data, &progress), ExportOutcome::Completed);
    QCOMPARE(pagedTexts(filter), printed);
    // Each group is announced before its first record is printed.
    QList<int> starts;
    for (int i = 0; i < keys.size(); ++i) {
        if (i == 0 || keys[i] != keys[i - 1])
            starts << i;
    }
    QCOMPARE(progress.groupsStartedAt, starts);
    QVERIFY(filter.sequence().endsWith(QLatin1String("EF")));
}

void TestEngine::continuedGroupRepeatsItsHeader_data()
{
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<double>("firstLineOfPage2");
    // Below the page header (494) and the group header (100) page 1 holds 40
    // detail bands: AvailableSpace before the 41st is Round(2629.23 - 2594) = 35.
    QTest::newRow("heading repeated") << true << 594 + 5.3;
    QTest::newRow("heading not repeated") << false << 494 + 5.3;
}

void TestEngine::continuedGroupRepeatsItsHeader()
{
    QFETCH(bool, repeat);
    QFETCH(double, firstLineOfPage2);
    const ReportDefinition report = groupedGeometry(true, repeat);
    QStringList keys;
    for (int i = 0; i < 50; ++i)
        keys << QStringLiteral("A");
    keys << QStringLiteral("B");
    MemoryDataSet data = keyedRecords(keys);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    QCOMPARE(filter.texts(QStringLiteral("R39"))[0].page, 1);
    const auto continued = filter.texts(QStringLiteral("R40"));
    QCOMPARE(continued[0].page, 2);
    QCOMPARE(continued[0].y, firstLineOfPage2);
    QList<int> headingPages;
    for (const auto& heading : filter.texts(QStringLiteral("GH"))) {
        headingPages << heading.page;
        QCOMPARE(heading.y, 494.0);
    }
    QCOMPARE(headingPages, repeat ? (QList<int>{1, 2, 3}) : (QList<int>{1, 3}));
    // The group's footer follows its last line on page 2; B begins page 3.
    const auto footers = filter.texts(QStringLiteral("GF"));
    QCOMPARE(footers.size(), size_t(2));
    QCOMPARE(footers[0].page, 2);
    QCOMPARE(footers[0].y, firstLineOfPage2 - 5.3 + 10 * 50);
    QCOMPARE(filter.texts(QStringLiteral("R50"))[0].page, 3);
}

void TestEngine::groupFooterMovedToTheNextPage()
{
    // Forty lines fill page 1; a footer of 300 has no room below them.
    const ReportDefinition report = groupedGeometry(true, true, 300);
    QStringList keys;
    for (int i = 0; i < 40; ++i)
        keys << QStringLiteral("A");
    keys << QStringLiteral("B");
    MemoryDataSet data = keyedRecords(keys);
    RecordingFilter filter;
    ReportEngine(report).ExportToFilter(filter, data);

    const QStringList printed = pagedTexts(filter);
    // Page 2 belongs to A although the data set stands on B's first record
    // when A's footer is printed: header, repeated heading and footer show A
    // and its last line, page 1's footer its last line too.
    const qsizetype page2 = printed.indexOf(QStringLiteral("2:HEADER"));
    QVERIFY(page2 > 0);
    QCOMPARE(printed.mid(page2 - 2, 10),
        (QStringList{"1:FOOTER", "1:R39", "2:HEADER", "2:A", "2:GH", "2:A", "2:GF", "2:R39", "2:FOOTER", "2:R39"}));
    QCOMPARE(printed.mid(page2 + 8, 5), (QStringList{"3:HEADER", "3:B", "3:GH", "3:B", "3:R40"}));
}

void TestEngine::groupBandsThatFitNoPage()
{
    // A group header that leaves no room for a line below it, repeated on
    // every page: each line goes to the next page once, then is printed.
    ReportDefinition report = groupedGeometry(true, true);
    for (ReportBand& each : report.bands) {
        if (each.type == BandType::GroupHeader)
            each.height = 2200;
    }
    MemoryDataSet data = keyedRecords({"A", "A", "A"});
    RecordingFilter filter;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data), ExportOutcome::Completed);
    // The detail band's texts; the page footers show N too.
    QList<int> pages;
    for (const auto& call : filter.texts()) {
        if (call.x == 100 + 108.5)
            pages << call.page;
    }
    QCOMPARE(pages, (QList<int>{2, 3, 4}));
    // The group's footer follows on a page of its own, below the heading.
    QCOMPARE(pagedTexts(filter).filter(QStringLiteral(":GF")), QStringList{"5:GF"});
}

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
