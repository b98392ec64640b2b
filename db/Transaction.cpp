#include "db/Transaction.h"

#include "db/Connection.h"
#include "db/Status.h"

namespace db {

Transaction::Transaction(Connection& connection)
    : m_connection(connection)
    , m_handlerKey(connection.addDisconnectHandler([this] { drop(); }))
{
}

Transaction::~Transaction()
{
    m_connection.removeDisconnectHandler(m_handlerKey);
    drop();
}

void Transaction::drop()
{
    if (!m_transaction)
        return;
    Firebird::ITransaction* transaction = m_transaction;
    m_transaction = nullptr;
    StatusWrapper status;
    try {
        transaction->rollback(&status);
    } catch (const Error&) {
        transaction->release();
    }
}

Firebird::ITransaction* Transaction::handle()
{
    if (!m_transaction) {
        StatusWrapper status;
        Firebird::IAttachment* attachment = m_connection.attachment();
        if (m_lockTimeout <= 0) {
            m_transaction = attachment->startTransaction(&status, 0, nullptr);
            return m_transaction;
        }
        // The default parameters, with a bound on the wait for a lock.
        Firebird::IXpbBuilder* tpb =
            master()->getUtilInterface()->getXpbBuilder(&status, Firebird::IXpbBuilder::TPB, nullptr, 0);
        try {
            tpb->insertTag(&status, isc_tpb_concurrency);
            tpb->insertTag(&status, isc_tpb_write);
            tpb->insertTag(&status, isc_tpb_wait);
            tpb->insertInt(&status, isc_tpb_lock_timeout, m_lockTimeout);
            m_transaction =
                attachment->startTransaction(&status, tpb->getBufferLength(&status), tpb->getBuffer(&status));
        } catch (...) {
            tpb->dispose();
            throw;
        }
        tpb->dispose();
    }
    return m_transaction;
}

void Transaction::commitRetaining()
{
    if (!m_transaction)
        return;
    StatusWrapper status;
    m_transaction->commitRetaining(&status);
}

void Transaction::rollbackRetaining()
{
    if (!m_transaction)
        return;
    StatusWrapper status;
    m_transaction->rollbackRetaining(&status);
}

void Transaction::commit()
{
    if (!m_transaction)
        return;
    StatusWrapper status;
    m_transaction->commit(&status); // releases the handle on success
    m_transaction = nullptr;
}

void Transaction::rollback()
{
    if (!m_transaction)
        return;
    StatusWrapper status;
    m_transaction->rollback(&status);
    m_transaction = nullptr;
}

} // namespace db
