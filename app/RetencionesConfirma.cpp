// CONFIRMA: the declaration file, the store and the control report.
#include "app/Retenciones.h"

#include "app/ExportProgress.h"
#include "declaration/Confirmation.h"
#include "declaration/ControlReport.h"
#include "declaration/Store.h"
#include "declaration/WithholdingGrid.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

const QString TF_Retenciones::ReportNotGenerated =
    QStringLiteral("Atención el Reporte de control (PDF) no fue generado: exportación cancelada !!!");

void TF_Retenciones::B_ConfirmaClick()
{
    // The store connects on its first statement and stays connected for the
    // rest of the run.
    if (!store)
        store = std::make_shared<WithholdingStore>(collaborators.databaseName);

    Confirmation confirmation(*store, collaborators.programDirectory,
        [this](const QString& legajo) { return registry.lookup(legajo).has_value(); });
    // The control report of the stored lines, beside the declaration file. A
    // cancelled export writes no PDF: the declaration is committed all the
    // same, and the user is told that the report is missing.
    confirmation.setReportExport([this](DataSet& storedLines, const QString& pdfPath) {
        const QString periodo =
            controlreport::periodoCaption(e_Mes->text(), E_ano->text(), e_legaJo->text(), e_Razon->text());
        ExportProgress progress(this);
        const ExportOutcome outcome =
            controlreport::exportControlReport(storedLines, pdfPath, periodo, e_totreten->text(), &progress);
        // The progress window had the activation; give it back to this window
        // so that the reset's focus move reaches the keyboard.
        activateWindow();
        if (outcome == ExportOutcome::Completed)
            return true;
        collaborators.messages->information(ReportNotGenerated);
        return false;
    });

    const Confirmation::Prompts prompts{
        [this](const QString& question) { return collaborators.messages->question(question); },
        [this](const QString& message) { collaborators.messages->information(message); },
    };
    confirmation.setReloadedDeclaration(reloadedDeclaration);
    confirmation.setRunningTotal(e_totreten->text());
    const DeclarationHeader header{e_Mes->text(), E_ano->text(), e_legaJo->text(), e_Cuit->text(), e_Razon->text()};
    const std::optional<ConfirmedDeclaration> confirmed = confirmation.run(header, *gridCells, prompts);
    if (!confirmed)
        return;

    salida->setVisible(true);
    salida->setText(statusLineText(*confirmed));
    showOutputButtons(confirmed->directory, header);
    Limpia();
    Panel3->hide();
    Panel2->hide();
}
