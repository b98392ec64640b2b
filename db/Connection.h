#pragma once

#include "db/Handle.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

namespace Firebird {
class IAttachment;
}

namespace db {

// A connection to one Firebird database. A name without a host ("/path/x.fdb")
// opens the file in this process through the embedded engine; "host:path"
// reaches a server, since the client keeps its default providers.
//
// Parameters are "name=value" texts: user_name, password and lc_ctype (the
// character set of the connection, UTF8 unless given). The connection opens
// on first use and stays open until disconnect() or destruction.
class Connection
{
public:
    Connection(const QString& databaseName, const QStringList& parameters);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool connected() const { return bool(m_attachment); }

    // Attaches when not attached yet; throws DatabaseError with the
    // database's text when the database cannot be reached.
    void connect();
    // Ends everything that lives on the attachment (result sets, statements,
    // the transaction, rolled back) and detaches.
    void disconnect();

    // The open attachment, connecting first when needed.
    Firebird::IAttachment* attachment();

    // Objects that hold handles on the attachment and must drop them before it
    // goes away. The returned key removes the entry again.
    int addDisconnectHandler(std::function<void()> handler);
    void removeDisconnectHandler(int key);

    // Creates a database file (the file must not exist yet) with the given
    // default character set and runs the statements of `script` in it, one by
    // one, separated by ";" (comments "--" up to the end of a line are dropped).
    static void createDatabase(
        const QString& path, const QStringList& parameters, const QString& defaultCharacterSet, const QString& script);

private:
    QString m_databaseName;
    QStringList m_parameters;
    Handle<Firebird::IAttachment> m_attachment;
    std::map<int, std::function<void()>> m_disconnectHandlers;
    int m_nextHandlerKey = 0;
};

// The statements of an SQL script, without comments and without their ";".
QStringList splitScript(const QString& script);

}  // namespace db
