#include "declaration/CertificateReport.h"

#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/AmountWords.h"
#include "declaration/ControlReport.h"
#include "declaration/ReportLayout.h"
#include "report/PdfOutput.h"
#include "report/ReportEngine.h"

#include <memory>

namespace {

using namespace reportlayout;

// The amounts' right edges and the columns' left edges, in millimetres.
constexpr double ReceiptColumn = 2.12;
constexpr double DateColumn = 45.0;
constexpr double ReceiptAmountRight = 112.0;
constexpr double RateRight = 138.0;
constexpr double WithheldRight = 187.0;
constexpr double ValueColumn = 30.0;
// The title, the number and the heading are centred between the two logos.
constexpr double TitleCentre = 84.0;

ReportControl centred(
    ControlKind kind, const QString& name, const QString& designText, double top, const ReportFont& font)
{
    ReportControl control = textControl(kind, name, designText, 0, top, labelHeight(font), font, false);
    control.alignment = Alignment::Center;
    control.left = millimetres(TitleCentre) - control.width / 2;
    if (kind == ControlKind::FixedText)
        control.caption = designText;
    else
        control.fieldName = name;
    return control;
}

ReportControl dataText(const QString& fieldName, double left, double top, const ReportFont& font)
{
    ReportControl control =
        textControl(ControlKind::DataText, fieldName, fieldName, left, top, labelHeight(font), font, false);
    control.fieldName = fieldName;
    return control;
}

ReportControl rightAlignedData(const QString& fieldName, double right, double top, const ReportFont& font)
{
    ReportControl control = rightAligned(ControlKind::DataText, fieldName, QStringLiteral("0.00"), right, top, font);
    control.fieldName = fieldName;
    return control;
}

// A line `width` millimetres long: an empty text with only its top side framed.
ReportControl rule(const QString& name, double left, double top, double width)
{
    ReportControl control = label(name, QString(), left, top, arial(9));
    control.autoSize = false;
    control.width = millimetres(width);
    control.frame = ReportFrame{true, false, false, false, Qt::black, 0.75};
    return control;
}

ReportBand pageHeaderBand(const QImage& officeLogo, const QImage& municipalityLogo, const QString& period)
{
    ReportBand header = band(BandType::PageHeader, QStringLiteral("PageHeaderBand1"), 34.0);
    header.frame = ReportFrame::box(1, Qt::black);
    header.controls = {
        picture(QStringLiteral("QRImage1"), officeLogo, 3.97, 7.14, 31.75, 15.35, true),
        centred(ControlKind::FixedText, QStringLiteral("titulo"), QStringLiteral("CONSTANCIA DE RETENCIÓN"), 5.5,
            arial(14, true)),
        centred(ControlKind::DataText, QStringLiteral("NUMERO"), QStringLiteral("Nº 00000-000000-0000"), 13.0,
            arial(12, true)),
        centred(ControlKind::FixedText, QStringLiteral("encabezado"), QStringLiteral("DDJJ Agentes de Retención"), 20.5,
            arial(10)),
        picture(QStringLiteral("QRImage2"), municipalityLogo, 133.09, 4.50, 55.30, 21.70, false),
        label(QStringLiteral("periodo"), QStringLiteral("Período: ") + period, 2.12, 27.5, arial(10, true)),
    };
    return header;
}

// The agent and the supplier, and the table's heading; repeated on a page
// the supplier's lines continue on.
ReportBand groupHeaderBand(const certificates::Declaration& declaration)
{
    const ReportFont standard = arial(10);
    const ReportFont bold = arial(10, true);
    const ReportFont heading = arial(9, true);
    ReportBand header = band(BandType::GroupHeader, QStringLiteral("GroupHeaderBand1"), 46.0);
    header.frame = ReportFrame{false, true, false, false, Qt::black, 1};
    header.controls = {
        label(QStringLiteral("agente"), QStringLiteral("Agente de retención"), 2.12, 3.0, bold),
        label(QStringLiteral("agenteRazonTitulo"), QStringLiteral("Razón social:"), 2.12, 8.5, standard),
        label(QStringLiteral("agenteRazon"), declaration.agentName, ValueColumn, 8.5, standard),
        label(QStringLiteral("agenteCuitTitulo"), QStringLiteral("CUIT:"), 2.12, 13.5, standard),
        label(QStringLiteral("agenteCuit"), declaration.agentCuit, ValueColumn, 13.5, standard),
        label(QStringLiteral("legajoTitulo"), QStringLiteral("Legajo:"), 80.0, 13.5, standard),
        label(QStringLiteral("legajo"), declaration.legajo, 96.0, 13.5, standard),
        label(QStringLiteral("retenido"), QStringLiteral("Sujeto retenido"), 2.12, 21.0, bold),
        label(QStringLiteral("razonTitulo"), QStringLiteral("Razón social:"), 2.12, 26.5, standard),
        dataText(QStringLiteral("RAZON"), ValueColumn, 26.5, standard),
        label(QStringLiteral("cuitTitulo"), QStringLiteral("CUIT:"), 2.12, 31.5, standard),
        dataText(QStringLiteral("CUIT"), ValueColumn, 31.5, standard),
        label(QStringLiteral("columnaComprobante"), QStringLiteral("Nro. Comprobante"), ReceiptColumn, 40.5, heading),
        label(QStringLiteral("columnaFecha"), QStringLiteral("Fecha"), DateColumn, 40.5, heading),
        rightAligned(ControlKind::FixedText, QStringLiteral("columnaImporte"), QStringLiteral("Importe Comprobante"),
            ReceiptAmountRight, 40.5, heading),
        rightAligned(ControlKind::FixedText, QStringLiteral("columnaAlicuota"), QStringLiteral("Alícuota"), RateRight,
            40.5, heading),
        rightAligned(ControlKind::FixedText, QStringLiteral("columnaRetenido"), QStringLiteral("Importe Retenido"),
            WithheldRight, 40.5, heading),
    };
    return header;
}

ReportBand detailBand()
{
    const ReportFont font = arial(9);
    ReportBand detail = band(BandType::Detail, QStringLiteral("DetailBand1"), 5.0);
    // No background: the heading's rule lies along the first line's top edge.
    detail.transparent = true;
    detail.controls = {
        dataText(QStringLiteral("NROCOM"), ReceiptColumn, 0.8, font),
        dataText(QStringLiteral("FECHA"), DateColumn, 0.8, font),
        rightAlignedData(QStringLiteral("IMPORTECOMP"), ReceiptAmountRight, 0.8, font),
        rightAligned(ControlKind::FixedText, QStringLiteral("alicuota"), QStringLiteral("0.5 %"), RateRight, 0.8, font),
        rightAlignedData(QStringLiteral("RETENIDO"), WithheldRight, 0.8, font),
    };
    return detail;
}

// The total, in figures and in words, the date of issue and the signature.
ReportBand groupFooterBand(const QDate& issueDate)
{
    const ReportFont standard = arial(10);
    const ReportFont bold = arial(10, true);
    ReportBand footer = band(BandType::GroupFooter, QStringLiteral("GroupFooterBand1"), 56.0);
    footer.frame = ReportFrame{true, false, false, false, Qt::black, 1};
    // Room for three lines of words: the longest amounts need two.
    ReportControl words = dataText(QStringLiteral("LETRAS"), 24.0, 10.0, standard);
    words.autoSize = false;
    words.wordWrap = true;
    words.width = millimetres(163.0);
    words.height = 3 * labelHeight(standard);
    ReportControl signature = centred(ControlKind::FixedText, QStringLiteral("firma"),
        QStringLiteral("Firma y aclaración del agente de retención"), 49.5, arial(9));
    signature.left += millimetres(150.0 - TitleCentre);
    footer.controls = {
        label(QStringLiteral("totalTitulo"), QStringLiteral("Total retenido"), 110.0, 3.0, bold),
        rightAlignedData(QStringLiteral("TOTAL"), WithheldRight, 3.0, bold),
        label(QStringLiteral("sonPesos"), QStringLiteral("Son pesos"), 2.12, 10.0, bold),
        words,
        label(QStringLiteral("emision"),
            QStringLiteral("Fecha de emisión: ") + issueDate.toString(QStringLiteral("dd/MM/yyyy")), 2.12, 26.0,
            standard),
        rule(QStringLiteral("lineaFirma"), 115.0, 48.0, 70.0),
        signature,
    };
    return footer;
}

ReportDefinition buildReport(const certificates::Declaration& declaration, const QDate& issueDate,
    const QImage& officeLogo, const QImage& municipalityLogo)
{
    ReportDefinition report;
    report.name = QStringLiteral("Constancias");
    report.page = ReportPage{2100, 2970, 100, 100, 100, 100};
    report.font = arial(10);
    report.firstPageHeader = true;
    report.lastPageFooter = true;
    report.printIfEmpty = false;
    report.group = ReportGroup{QStringLiteral("NUMERO"), true, true};
    report.bands = {pageHeaderBand(officeLogo, municipalityLogo, declaration.period()), groupHeaderBand(declaration),
        detailBand(), groupFooterBand(issueDate)};
    return report;
}

enum Field { Numero, Cuit, Razon, NroCom, Fecha, ImporteComp, Retenido, Total, Letras };

// Hands every element printed to the writer of the whole document and to the
// writer of the current supplier's own document. The engine announces each
// supplier's group before the page break that begins its certificate; that
// page break ends the previous supplier's document and begins the next one,
// which then receives the calls a run over that supplier alone would make:
// Start, one EndPage, then its pages.
class CertificateSplitter : public ExportFilter, public ReportProgress
{
public:
    CertificateSplitter(ExportFilter& whole, const CertificateLines& lines, PDFDocumentFilter::PictureCache& pictures,
        const CertificateReport::CertificateSink& certificate)
        : m_whole(whole)
        , m_lines(lines)
        , m_pictures(pictures)
        , m_certificate(certificate)
    {
    }
    ~CertificateSplitter() override { m_whole.setOwner(nullptr); }

    void Start(int paperWidth, int paperHeight, const ReportFont& font) override
    {
        m_paperWidth = paperWidth;
        m_paperHeight = paperHeight;
        m_font = font;
        m_whole.setOwner(owner());
        m_whole.Start(paperWidth, paperHeight, font);
    }
    void NewPage() override
    {
        m_whole.NewPage();
        if (m_groupStarted) {
            m_groupStarted = false;
            finishOwn();
            beginOwn();
        }
        if (m_own)
            m_own->writer.NewPage();
    }
    void EndPage() override
    {
        m_whole.EndPage();
        if (m_own)
            m_own->writer.EndPage();
    }
    void TextOut(double x, double y, const ReportFont& font, const QColor& background, Alignment alignment,
        const QString& text) override
    {
        m_whole.TextOut(x, y, font, background, alignment, text);
        if (m_own)
            m_own->writer.TextOut(x, y, font, background, alignment, text);
    }
    void AcceptGraphic(double xOffset, double yOffset, const GraphicControl& control) override
    {
        m_whole.AcceptGraphic(xOffset, yOffset, control);
        if (m_own)
            m_own->writer.AcceptGraphic(xOffset, yOffset, control);
    }
    void Finish() override
    {
        m_whole.Finish();
        finishOwn();
    }

    void exportStarted(int) override { }
    void recordPrinted(int, int) override { }
    bool cancelRequested() const override { return false; }
    void exportEnded() override { }
    void groupStarted() override { m_groupStarted = true; }

private:
    struct Own
    {
        explicit Own(size_t index)
            : supplier(index)
            , writer(bytes)
        {
        }
        size_t supplier;
        pdfoutput::MemorySink bytes;
        PDFDocumentFilter writer;
    };

    void beginOwn()
    {
        m_own = std::make_unique<Own>(m_lines.supplier());
        m_own->writer.setPictureCache(m_pictures);
        m_own->writer.setOwner(owner());
        m_own->writer.Start(m_paperWidth, m_paperHeight, m_font);
        m_own->writer.EndPage();
    }
    void finishOwn()
    {
        if (!m_own)
            return;
        m_own->writer.Finish();
        m_own->writer.setOwner(nullptr);
        const std::unique_ptr<Own> done = std::move(m_own);
        m_certificate(done->supplier, done->bytes.bytes());
    }

    ExportFilter& m_whole;
    const CertificateLines& m_lines;
    PDFDocumentFilter::PictureCache& m_pictures;
    const CertificateReport::CertificateSink& m_certificate;
    int m_paperWidth = 0;
    int m_paperHeight = 0;
    ReportFont m_font;
    bool m_groupStarted = false;
    std::unique_ptr<Own> m_own;
};

}  // namespace

CertificateReport::CertificateReport(const certificates::Declaration& declaration, const QDate& issueDate)
    : CertificateReport(declaration, issueDate, QImage(QString::fromLatin1(controlreport::officeLogoPath)),
        QImage(QString::fromLatin1(controlreport::municipalityLogoPath)))
{
}

CertificateReport::CertificateReport(const certificates::Declaration& declaration, const QDate& issueDate,
    const QImage& officeLogo, const QImage& municipalityLogo)
    : m_declaration(declaration)
    , m_report(buildReport(declaration, issueDate, officeLogo, municipalityLogo))
{
}

void CertificateReport::exportTo(ExportFilter& filter, size_t first, size_t count) const
{
    CertificateLines lines(m_declaration, first, count);
    ReportEngine(m_report, pixelsPerInch).ExportToFilter(filter, lines);
}

QByteArray CertificateReport::pdfOfAll(const CertificateSink& certificate)
{
    pdfoutput::MemorySink bytes;
    PDFDocumentFilter whole(bytes);
    whole.setPictureCache(m_pictures);
    CertificateLines lines(m_declaration, 0, m_declaration.suppliers.size());
    CertificateSplitter splitter(whole, lines, m_pictures, certificate);
    ReportEngine(m_report, pixelsPerInch).ExportToFilter(splitter, lines, &splitter);
    return bytes.bytes();
}

const QStringList& CertificateReport::fieldNames()
{
    static const QStringList names{QStringLiteral("NUMERO"), QStringLiteral("CUIT"), QStringLiteral("RAZON"),
        QStringLiteral("NROCOM"), QStringLiteral("FECHA"), QStringLiteral("IMPORTECOMP"), QStringLiteral("RETENIDO"),
        QStringLiteral("TOTAL"), QStringLiteral("LETRAS")};
    return names;
}

CertificateLines::CertificateLines(const certificates::Declaration& declaration, size_t firstSupplier, size_t count)
    : m_declaration(declaration)
    , m_first(qMin(firstSupplier, declaration.suppliers.size()))
    , m_end(qMin(declaration.suppliers.size(), m_first + count))
{
    for (size_t i = m_first; i < m_end; ++i)
        m_count += int(declaration.suppliers[i].lines.size());
    first();
}

void CertificateLines::first()
{
    m_supplier = m_first;
    m_line = 0;
    // A supplier always has a line; skip any that has none all the same.
    while (m_supplier < m_end && m_declaration.suppliers[m_supplier].lines.empty())
        ++m_supplier;
}

void CertificateLines::next()
{
    if (eof())
        return;
    if (++m_line < m_declaration.suppliers[m_supplier].lines.size())
        return;
    m_line = 0;
    do
        ++m_supplier;
    while (m_supplier < m_end && m_declaration.suppliers[m_supplier].lines.empty());
}

bool CertificateLines::eof() const
{
    return m_supplier >= m_end;
}

int CertificateLines::recordCount() const
{
    return m_count;
}

FieldValue CertificateLines::field(const QString& name) const
{
    const QStringList& names = CertificateReport::fieldNames();
    qsizetype field = names.size() - 1;
    while (field >= 0 && names.at(field).compare(name, Qt::CaseInsensitive) != 0)
        --field;
    if (field < 0)
        throw Error(QStringLiteral("Field '%1' not found").arg(name));
    if (eof())
        throw Error(QStringLiteral("No current record"));
    const certificates::Supplier& supplier = m_declaration.suppliers[m_supplier];
    const certificates::Line& line = supplier.lines[m_line];
    FieldValue value;
    value.type = FieldType::String;
    value.isNull = false;
    switch (Field(field)) {
    case Numero:
        value.text = QStringLiteral("Nº ") + supplier.number;
        break;
    case Cuit:
        value.text = supplier.cuit;
        break;
    case Razon:
        value.text = supplier.name;
        break;
    case NroCom:
        value.text = line.receiptNumber;
        break;
    case Fecha:
        value.text = line.date;
        break;
    case ImporteComp:
        value.text = line.receiptAmount;
        break;
    case Retenido:
        value.text = line.withheldAmount;
        break;
    case Total:
        value.text = text::formatFixed2Cents(supplier.totalCents);
        break;
    case Letras:
        value.text = amountwords::inWords(supplier.totalCents);
        break;
    }
    return value;
}
