#pragma once

#include "db/Handle.h"

#include <QtGlobal>

namespace Firebird {
class ITransaction;
}

namespace db {

class Connection;

// One transaction on a connection, with the server's default behaviour
// (concurrency, read-write, waiting on a conflicting lock), unless a lock
// timeout is set. It starts with the first statement that needs it;
// commitRetaining and rollbackRetaining end the work done so far and keep the
// same transaction context open for the next statements.
class Transaction
{
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Q_DISABLE_COPY(Transaction)

    Connection& connection() { return m_connection; }

    // How long a statement waits for a row that another transaction holds
    // before it fails with the database's lock error; 0 waits until that
    // transaction ends. Takes effect when the transaction next starts.
    void setLockTimeout(int seconds) { m_lockTimeout = seconds; }
    bool active() const { return bool(m_transaction); }

    // The running transaction, started (and the connection opened) first when
    // needed.
    Firebird::ITransaction* handle();

    // Do nothing when no transaction is active.
    void commitRetaining();
    void rollbackRetaining();
    // End the transaction; the next statement starts a new one.
    void commit();
    void rollback();

private:
    void drop();

    Connection& m_connection;
    Handle<Firebird::ITransaction> m_transaction;
    int m_handlerKey;
    int m_lockTimeout = 0;
};

}  // namespace db
