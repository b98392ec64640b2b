#include "db/Status.h"

namespace db {

Firebird::IMaster* master()
{
    static Firebird::IMaster* const instance = Firebird::fb_get_master_interface();
    return instance;
}

namespace {

// The text Firebird gives for the errors held by a status vector.
QString statusText(Firebird::IStatus* status)
{
    char buffer[2048];
    const unsigned length = master()->getUtilInterface()->formatStatus(buffer, sizeof buffer, status);
    QString text = QString::fromUtf8(buffer, qMin<unsigned>(length, sizeof buffer - 1)).trimmed();
    // formatStatus separates the lines of one error with "\n-"; keep them as
    // lines of the message.
    if (text.isEmpty())
        text = QStringLiteral("Error de base de datos sin descripción");
    return text;
}

}  // namespace

StatusWrapper::StatusWrapper()
    : BaseStatusWrapper(master()->getStatus())
{
}

StatusWrapper::~StatusWrapper()
{
    status->dispose();
}

void StatusWrapper::raise()
{
    const QString text = statusText(status);
    clearException();
    throw DatabaseError(text);
}

}  // namespace db
