#pragma once

namespace Firebird {
class ITransaction;
}

namespace db {

class Connection;

// One transaction on a connection, with the server's default behaviour (no
// transaction parameters). It starts with the first statement that needs it;
// commitRetaining and rollbackRetaining end the work done so far and keep the
// same transaction context open for the next statements.
class Transaction
{
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Connection& connection() { return m_connection; }
    bool active() const { return m_transaction != nullptr; }

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
    Firebird::ITransaction* m_transaction = nullptr;
    int m_handlerKey;
};

} // namespace db
