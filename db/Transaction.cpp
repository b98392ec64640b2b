#include "db/Transaction.h"

#include "db/Connection.h"
#include "db/Status.h"

namespace db {
namespace {

// A transaction with the server's default parameters, and with a bound on the
// wait for a lock when `lockTimeout` is above zero.
Firebird::ITransaction* startTransaction(Firebird::IAttachment* attachment, int lockTimeout)
{
    StatusWrapper status;
    if (lockTimeout <= 0)
        return attachment->startTransaction(&status, 0, nullptr);
    const Handle<Firebird::IXpbBuilder, Dispose> tpb(
        master()->getUtilInterface()->getXpbBuilder(&status, Firebird::IXpbBuilder::TPB, nullptr, 0));
    tpb->insertTag(&status, isc_tpb_concurrency);
    tpb->insertTag(&status, isc_tpb_write);
    tpb->insertTag(&status, isc_tpb_wait);
    tpb->insertInt(&status, isc_tpb_lock_timeout, lockTimeout);
    return attachment->startTransaction(&status, tpb->getBufferLength(&status), tpb->getBuffer(&status));
}

}  // namespace

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
    // Dropped on destruction or on the way to a detach: the work is lost either way.
    finishQuietly(
        m_transaction, [](Firebird::ITransaction* running, StatusWrapper& status) { running->rollback(&status); });
}

Firebird::ITransaction* Transaction::handle()
{
    if (!m_transaction)
        m_transaction.reset(startTransaction(m_connection.attachment(), m_lockTimeout));
    return m_transaction.get();
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
    m_transaction.finish([&](Firebird::ITransaction* running) { running->commit(&status); });
}

void Transaction::rollback()
{
    if (!m_transaction)
        return;
    StatusWrapper status;
    m_transaction.finish([&](Firebird::ITransaction* running) { running->rollback(&status); });
}

}  // namespace db
