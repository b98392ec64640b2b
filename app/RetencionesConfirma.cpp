// CONFIRMA: the declaration file, the store and the control report.
#include "Retenciones.h"

#include "Confirmation.h"
#include "Store.h"
#include "WithholdingGrid.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

void TF_Retenciones::B_ConfirmaClick()
{
    // The store connects on its first statement and stays connected for the
    // rest of the run.
    if (!store)
        store = std::make_shared<WithholdingStore>(collaborators.databaseName);

    Confirmation confirmation(*store, collaborators.programDirectory,
                              [this](const QString& legajo) { return registry.lookup(legajo).has_value(); });
    // The control report is exported from here: confirmation.setReportExport
    // receives the stored lines, open, and the PDF path, after the commit and
    // the rename. Without it CONFIRMA writes the declaration file and the
    // store, and the status line names the text file only.

    const Confirmation::Prompts prompts {
        [this](const QString& question) { return collaborators.messages->question(question); },
        [this](const QString& message) { collaborators.messages->information(message); },
    };
    const DeclarationHeader header {e_Mes->text(), E_ano->text(), e_legaJo->text(), e_Cuit->text(), e_Razon->text()};
    const std::optional<ConfirmedDeclaration> confirmed = confirmation.run(header, *gridCells, prompts);
    if (!confirmed)
        return;

    salida->setVisible(true);
    salida->setText(statusLineText(*confirmed));
    Limpia();
    Panel3->hide();
    Panel2->hide();
}
