#include "app/StartupRecovery.h"

#include "declaration/PendingConfirmation.h"

namespace {

const QString RecoveryFailed = QStringLiteral(
    "La última confirmación quedó interrumpida y no se pudo completar ni deshacer: sus archivos se conservan y el "
    "programa lo intentará de nuevo al volver a iniciarse.");

// %1 the folder.
const QString JournalNotTrusted = QStringLiteral(
    "La última confirmación quedó interrumpida y su registro no se puede usar: no se cambió ni se borró nada, y se "
    "conservaron en %1 los archivos que detalla este mensaje; vuelva a confirmar la declaración del período para "
    "que el archivo de la DDJJ, la base de datos y el reporte coincidan.");

}  // namespace

void recoverInterruptedConfirmation(const Collaborators& collaborators)
{
    const pending::RecoveryResult result = pending::recover(collaborators.programDirectory, collaborators.databaseName);
    if (!collaborators.messages)
        return;
    if (result.outcome == pending::RecoveryOutcome::Failed) {
        collaborators.messages->error(RecoveryFailed, result.error);
    } else if (result.outcome == pending::RecoveryOutcome::Kept) {
        const QString detail = QStringLiteral("Archivos conservados (uno de ellos puede ser la única copia de la DDJJ "
                                              "confirmada):\n")
            + result.keptFiles.join(QLatin1Char('\n')) + QStringLiteral("\n\nMotivo: ") + result.error;
        collaborators.messages->error(JournalNotTrusted.arg(collaborators.programDirectory), detail);
    }
}
