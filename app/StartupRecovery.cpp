#include "app/StartupRecovery.h"

#include "declaration/PendingConfirmation.h"

namespace {

const QString RecoveryFailed =
    QStringLiteral("La última confirmación quedó interrumpida y no se pudo completar ni deshacer");

}  // namespace

void recoverInterruptedConfirmation(const Collaborators& collaborators)
{
    const pending::RecoveryResult result = pending::recover(collaborators.programDirectory, collaborators.databaseName);
    if (result.outcome == pending::RecoveryOutcome::Failed && collaborators.messages)
        collaborators.messages->error(RecoveryFailed, result.error);
}
