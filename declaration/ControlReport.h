#pragma once

#include "report/DataSet.h"
#include "report/ExportFilter.h"
#include "report/ReportDefinition.h"
#include "report/ReportEngine.h"

#include <QImage>
#include <QString>

// The control report `Reporte`: the stored withholding lines of a confirmed
// declaration under a header with the period, the agent and its company,
// closed on every page by the sworn statement and the declared total.
class ControlReport
{
public:
    // With the two logos of the program's resources.
    ControlReport();
    ControlReport(const QImage& officeLogo, const QImage& municipalityLogo);

    // The caption `periodo` (design text "Periodo").
    void setPeriodo(const QString& caption);
    // The caption `Qrtotal` (design text "0.00"); right-aligned, so it keeps its
    // right edge and grows to the left.
    void setTotal(const QString& caption);

    // Prints the report over `lines` into `filter` (which the caller keeps).
    ExportOutcome exportTo(ExportFilter& filter, DataSet& lines, ReportProgress* progress = nullptr) const;

    // Field names of the stored lines the detail band shows.
    static const QStringList& fieldNames();

private:
    ReportDefinition m_reporte;
};

namespace controlreport {

inline constexpr auto officeLogoPath = ":/logos/oficina.png";
inline constexpr auto municipalityLogoPath = ":/logos/municipio.png";

// "Periodo : " + month + "/" + year + " Legajo : " + legajo + " " + company
// name, each trimmed; the month as typed (3 or 03).
QString periodoCaption(const QString& month, const QString& year, const QString& legajo, const QString& companyName);

// The running total text read as a decimal number and written "0.00": 6 gives
// 6.00, 1234.5 gives 1234.50. Throws ConversionError for a text that is no number.
QString totalCaption(const QString& runningTotal);

// Exports the control report of `lines` (open on the stored lines) as a PDF
// document at `pdfPath`, with the period caption `periodo` and the running
// total `runningTotal` (the text of the total field, formatted here "0.00").
// Returns Cancelled when the user cancelled in the progress window: then no
// file is written and an earlier file at `pdfPath` stays as it was. Errors
// (a file that cannot be created, a store error while reading the lines, a
// total that is no number) are thrown and leave no file either.
ExportOutcome exportControlReport(DataSet& lines, const QString& pdfPath, const QString& periodo,
    const QString& runningTotal, ReportProgress* progress);

}  // namespace controlreport
