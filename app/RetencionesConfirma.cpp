// CONFIRMA: the declaration file, the store and the control report.
#include "app/Retenciones.h"

#include "app/ExportProgress.h"
#include "declaration/Confirmation.h"
#include "declaration/Store.h"

#include <QFrame>
#include <QLabel>

void TF_Retenciones::B_ConfirmaClick()
{
    // The store connects on its first statement and stays connected for the
    // rest of the run.
    if (!m_store)
        m_store = std::make_shared<WithholdingStore>(collaborators.databaseName);

    Confirmation confirmation(*m_store, collaborators.programDirectory,
        [this](const QString& legajo) { return registry.lookup(legajo).has_value(); });
    // The control report of the stored lines, beside the declaration file,
    // with the progress window and its cancel button. The progress window had
    // the activation; it goes back to this window so that the reset's focus
    // move reaches the keyboard.
    ExportProgress progress(this);
    confirmation.setControlReport(&progress, [this] { activateWindow(); });

    const Confirmation::Prompts prompts{
        [this](const QString& question) { return collaborators.messages->question(question); },
        [this](const QString& message) { collaborators.messages->information(message); },
    };
    const std::optional<ConfirmedDeclaration> confirmed = confirmation.run(m_declaration, prompts);
    if (!confirmed)
        return;

    salida->setVisible(true);
    salida->setText(statusLineText(*confirmed));
    Limpia();
    Panel3->hide();
    Panel2->hide();
}
