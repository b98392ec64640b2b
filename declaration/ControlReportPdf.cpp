#include "declaration/ControlReport.h"

#include "report/PDFDocumentFilter.h"

namespace controlreport {

ExportOutcome exportControlReport(DataSet& lines, const QString& pdfPath, const QString& periodo,
    const QString& runningTotal, ReportProgress* progress)
{
    ControlReport reporte;
    reporte.setPeriodo(periodo);
    reporte.setTotal(totalCaption(runningTotal));
    // The writer keeps the document in memory until the run finishes; a
    // cancelled or failed run never reaches Finish and writes nothing.
    PDFDocumentFilter writer(pdfPath);
    return reporte.exportTo(writer, lines, progress);
}

}  // namespace controlreport
