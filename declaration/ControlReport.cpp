#include "declaration/ControlReport.h"

#include "core/TextRules.h"
#include "declaration/ReportLayout.h"

namespace {

using namespace reportlayout;

ReportControl field(const QString& name, const QString& fieldName, double left, const QString& mask = QString())
{
    ReportControl control =
        textControl(ControlKind::DataText, name, fieldName, left, 0.53, millimetres(3.97), arial(8), true);
    control.fieldName = fieldName;
    control.mask = mask;
    return control;
}

// Framed on all four sides: the logos, the title, the period line and the
// column captions.
ReportBand pageHeaderBand(const QImage& officeLogo, const QImage& municipalityLogo)
{
    const ReportFont standard = arial(10);
    ReportBand header = band(BandType::PageHeader, QStringLiteral("PageHeaderBand1"), 39.42);
    header.frame = ReportFrame::box(1, Qt::black);
    header.controls = {
        picture(QStringLiteral("QRImage1"), officeLogo, 3.97, 7.14, 31.75, 15.35, true),
        label(QStringLiteral("QRLabel1"), QStringLiteral("DDJJ Agentes de Retención"), 63.50, 10.58, arial(14)),
        picture(QStringLiteral("QRImage2"), municipalityLogo, 133.09, 4.50, 55.30, 21.70, false),
        label(QStringLiteral("periodo"), QStringLiteral("Periodo"), 2.12, 26.99, arial(10, true)),
        label(QStringLiteral("QRLabel2"), QStringLiteral("Nro. Comprobante"), 2.12, 33.07, standard),
        label(QStringLiteral("QRLabel3"), QStringLiteral("Fecha"), 46.30, 33.07, standard),
        label(QStringLiteral("QRLabel4"), QStringLiteral("Cuit"), 71.70, 33.34, standard),
        label(QStringLiteral("QRLabel5"), QStringLiteral("Importe Retenido"), 98.95, 33.07, standard),
        label(QStringLiteral("QRLabel6"), QStringLiteral("Razón Social"), 142.88, 33.07, standard),
    };
    return header;
}

// One stored line.
ReportBand detailBand()
{
    ReportBand detail = band(BandType::Detail, QStringLiteral("DetailBand1"), 5.03);
    detail.controls = {
        field(QStringLiteral("QRDBText1"), QStringLiteral("NROCOM"), 10.85),
        field(QStringLiteral("QRDBText2"), QStringLiteral("FECHA"), 46.30),
        field(QStringLiteral("QRDBText3"), QStringLiteral("CUIT"), 72.23),
        field(QStringLiteral("QRDBText4"), QStringLiteral("IMPORTE"), 103.98, QStringLiteral("0.00")),
        field(QStringLiteral("QRDBText5"), QStringLiteral("RAZON"), 142.61),
    };
    return detail;
}

// The sworn statement and the declared total.
ReportBand pageFooterBand()
{
    const ReportFont standard = arial(10);
    ReportBand footer = band(BandType::PageFooter, QStringLiteral("PageFooterBand1"), 24.08);
    // The right edge stays at 173.57 mm whatever the total's width.
    const ReportControl total = rightAligned(
        ControlKind::FixedText, QStringLiteral("Qrtotal"), QStringLiteral("0.00"), 173.57, 15.35, arial(10, true));
    footer.controls = {
        label(QStringLiteral("QRLabel7"),
            QStringLiteral("Declaro que los datos consignados en el archivo generado son correctos y completos y "
                           "que han sido"),
            17.73, 3.18, standard),
        label(QStringLiteral("QRLabel8"),
            QStringLiteral("confeccionados sin omitir ni falsear dato alguno que deba contener, siendo fiel "
                           "expresión de la verdad."),
            17.73, 9.26, standard),
        label(QStringLiteral("QRLabel9"), QStringLiteral("Total Retenido ====>"), 110.33, 15.35, standard),
        total,
    };
    return footer;
}

ReportDefinition buildReporte(const QImage& officeLogo, const QImage& municipalityLogo)
{
    ReportDefinition reporte;
    reporte.name = QStringLiteral("Reporte");
    reporte.page = ReportPage{2100, 2970, 100, 100, 100, 100};
    reporte.font = arial(10);
    reporte.firstPageHeader = true;
    reporte.lastPageFooter = true;
    reporte.printIfEmpty = true;
    reporte.bands = {pageHeaderBand(officeLogo, municipalityLogo), detailBand(), pageFooterBand()};
    return reporte;
}

}  // namespace

ControlReport::ControlReport()
    : ControlReport(QImage(QString::fromLatin1(controlreport::officeLogoPath)),
        QImage(QString::fromLatin1(controlreport::municipalityLogoPath)))
{
}

ControlReport::ControlReport(const QImage& officeLogo, const QImage& municipalityLogo)
    : m_reporte(buildReporte(officeLogo, municipalityLogo))
{
}

void ControlReport::setPeriodo(const QString& caption)
{
    m_reporte.control(QStringLiteral("periodo"))->caption = caption;
}

void ControlReport::setTotal(const QString& caption)
{
    m_reporte.control(QStringLiteral("Qrtotal"))->caption = caption;
}

ExportOutcome ControlReport::exportTo(ExportFilter& filter, DataSet& lines, ReportProgress* progress) const
{
    ReportEngine engine(m_reporte, pixelsPerInch);
    return engine.ExportToFilter(filter, lines, progress);
}

const QStringList& ControlReport::fieldNames()
{
    static const QStringList names{QStringLiteral("NROCOM"), QStringLiteral("FECHA"), QStringLiteral("CUIT"),
        QStringLiteral("IMPORTE"), QStringLiteral("RAZON")};
    return names;
}

namespace controlreport {

QString periodoCaption(const QString& month, const QString& year, const QString& legajo, const QString& companyName)
{
    return QStringLiteral("Periodo : ") + text::trimmed(month) + QLatin1Char('/') + text::trimmed(year)
        + QStringLiteral(" Legajo : ") + text::trimmed(legajo) + QLatin1Char(' ') + text::trimmed(companyName);
}

QString totalCaption(const QString& runningTotal)
{
    return text::formatFixed2Cents(text::toCents(runningTotal));
}

}  // namespace controlreport
