#include "db/Connection.h"

#include "db/Status.h"

#include "core/TerminationSignals.h"

#include <QFile>

#include <sys/statvfs.h>

namespace db {
namespace {

using Xpb = Handle<Firebird::IXpbBuilder, Dispose>;
using Provider = Handle<Firebird::IProvider>;

// Database parameter block from "name=value" parameters.
Xpb parameterBlock(StatusWrapper& status, const QStringList& parameters)
{
    Xpb dpb(master()->getUtilInterface()->getXpbBuilder(&status, Firebird::IXpbBuilder::DPB, nullptr, 0));
    bool characterSetGiven = false;
    for (const QString& parameter : parameters) {
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        const QString name = parameter.left(equals).trimmed().toLower();
        const QByteArray value = equals < 0 ? QByteArray() : parameter.mid(equals + 1).toUtf8();
        if (name == QLatin1String("user_name"))
            dpb->insertString(&status, isc_dpb_user_name, value.constData());
        else if (name == QLatin1String("password"))
            dpb->insertString(&status, isc_dpb_password, value.constData());
        else if (name == QLatin1String("lc_ctype")) {
            dpb->insertString(&status, isc_dpb_lc_ctype, value.constData());
            characterSetGiven = true;
        } else if (name == QLatin1String("sql_role_name"))
            dpb->insertString(&status, isc_dpb_sql_role_name, value.constData());
        else
            throw Error(QStringLiteral("Parámetro de conexión desconocido: %1").arg(parameter));
    }
    // Texts travel as UTF-8, so that Ñ and accented capitals reach the
    // database's own character set as typed.
    if (!characterSetGiven)
        dpb->insertString(&status, isc_dpb_lc_ctype, "UTF8");
    // The file name is UTF-8, as Qt gives it: the engine is told so instead of
    // reading it in the character set of the process's locale first.
    dpb->insertTag(&status, isc_dpb_utf8_filename);
    return dpb;
}

// The engine maps its lock files in its lock folder (FIREBIRD_LOCK, else its
// own default): a megabyte each, several per database, filled as they are
// used. A page of such a file that the disk has no room for ends the process
// with SIGBUS when it is touched, so the room is looked at before the engine
// is asked for anything.
constexpr quint64 LockFolderRoom = quint64(4) << 20;

void ensureLockFolderRoom()
{
    QString folder = qEnvironmentVariable("FIREBIRD_LOCK");
    if (folder.isEmpty())
        folder = QStringLiteral("/tmp/firebird");
    struct statvfs room
    { };
    // A folder that is not there yet is made by the engine, which then says
    // what is wrong with it.
    if (::statvfs(QFile::encodeName(folder).constData(), &room) != 0)
        return;
    const quint64 freeBytes = quint64(room.f_bavail) * room.f_frsize;
    const bool noFiles = room.f_files != 0 && room.f_favail < 16;
    if (freeBytes >= LockFolderRoom && !noFiles)
        return;
    Error error(QStringLiteral("No queda lugar en la carpeta de bloqueo de la base de datos \"%1\": la base de datos "
                               "no se abrió.")
                    .arg(folder));
    error.setDetail(QStringLiteral("Libres: %1 KB y %2 archivos; el motor necesita %3 KB. Libere lugar en ese disco "
                                   "o indique otra carpeta en FIREBIRD_LOCK.")
                        .arg(freeBytes / 1024)
                        .arg(quint64(room.f_favail))
                        .arg(LockFolderRoom / 1024));
    throw error;
}

}  // namespace

Connection::Connection(const QString& databaseName, const QStringList& parameters)
    : m_databaseName(databaseName)
    , m_parameters(parameters)
{
}

Connection::~Connection()
{
    try {
        disconnect();
    } catch (const Error&) {
        // Nothing is pending at the end of a run; a failed detach loses nothing.
    }
}

void Connection::connect()
{
    if (m_attachment)
        return;
    ensureLockFolderRoom();
    StatusWrapper status;
    const Xpb dpb = parameterBlock(status, m_parameters);
    const Provider provider(master()->getDispatcher());
    const QByteArray name = m_databaseName.toUtf8();
    m_attachment.reset(
        provider->attachDatabase(&status, name.constData(), dpb->getBufferLength(&status), dpb->getBuffer(&status)));
    // The client library sets handlers of its own for the termination signals
    // when it first attaches; the program's are put back.
    TerminationSignals::reassert();
}

void Connection::disconnect()
{
    if (!m_attachment)
        return;
    // Later objects first, as they would be destroyed: result sets and
    // statements before the transaction they run in.
    for (auto it = m_disconnectHandlers.rbegin(); it != m_disconnectHandlers.rend(); ++it)
        it->second();
    Handle<Firebird::IAttachment> attachment = std::move(m_attachment);
    StatusWrapper status;
    attachment.finish([&](Firebird::IAttachment* open) { open->detach(&status); });
}

Firebird::IAttachment* Connection::attachment()
{
    connect();
    return m_attachment.get();
}

int Connection::addDisconnectHandler(std::function<void()> handler)
{
    const int key = m_nextHandlerKey++;
    m_disconnectHandlers.emplace(key, std::move(handler));
    return key;
}

void Connection::removeDisconnectHandler(int key)
{
    m_disconnectHandlers.erase(key);
}

void Connection::createDatabase(
    const QString& path, const QStringList& parameters, const QString& defaultCharacterSet, const QString& script)
{
    ensureLockFolderRoom();
    StatusWrapper status;
    Handle<Firebird::IAttachment> attachment;
    {
        const Xpb dpb = parameterBlock(status, parameters);
        dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
        dpb->insertString(&status, isc_dpb_set_db_charset, defaultCharacterSet.toUtf8().constData());
        const Provider provider(master()->getDispatcher());
        const QByteArray name = path.toUtf8();
        attachment.reset(provider->createDatabase(
            &status, name.constData(), dpb->getBufferLength(&status), dpb->getBuffer(&status)));
    }
    TerminationSignals::reassert();
    for (const QString& statement : splitScript(script)) {
        // Each DDL statement is committed before the next, since a table
        // must exist before the statements that refer to it.
        Handle<Firebird::ITransaction> transaction(attachment->startTransaction(&status, 0, nullptr));
        const QByteArray text = statement.toUtf8();
        attachment->execute(
            &status, transaction.get(), text.size(), text.constData(), 3, nullptr, nullptr, nullptr, nullptr);
        transaction.finish([&](Firebird::ITransaction* running) { running->commit(&status); });
    }
    attachment.finish([&](Firebird::IAttachment* open) { open->detach(&status); });
}

QStringList splitScript(const QString& script)
{
    QStringList statements;
    QString current;
    enum class State { Plain, Literal, Quoted, LineComment, BlockComment } state = State::Plain;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script.at(i);
        const QChar following = i + 1 < script.size() ? script.at(i + 1) : QChar();
        switch (state) {
        case State::Plain:
            if (c == QLatin1Char('-') && following == QLatin1Char('-')) {
                state = State::LineComment;
                continue;
            }
            if (c == QLatin1Char('/') && following == QLatin1Char('*')) {
                state = State::BlockComment;
                ++i;
                continue;
            }
            if (c == QLatin1Char(';')) {
                if (!current.trimmed().isEmpty())
                    statements << current.trimmed();
                current.clear();
                continue;
            }
            if (c == QLatin1Char('\''))
                state = State::Literal;
            else if (c == QLatin1Char('"'))
                state = State::Quoted;
            break;
        case State::Literal:
            if (c == QLatin1Char('\''))
                state = State::Plain;  // a doubled quote re-enters the literal at once
            break;
        case State::Quoted:
            if (c == QLatin1Char('"'))
                state = State::Plain;
            break;
        case State::LineComment:
            if (c == QLatin1Char('\n'))
                state = State::Plain;
            else
                continue;
            break;
        case State::BlockComment:
            if (c == QLatin1Char('*') && following == QLatin1Char('/')) {
                state = State::Plain;
                ++i;
            }
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

}  // namespace db
