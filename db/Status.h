#pragma once

#include <firebird/Interface.h>

#include "core/Error.h"

namespace db {

// A database failure; the message is the database's own error text.
class DatabaseError : public Error
{
public:
    using Error::Error;
};

// The entry point of the client library, shared by every object of the layer.
Firebird::IMaster* master();

// Status wrapper for the interface calls: every call that reports an error
// throws DatabaseError with the database's own text, so no call site has to
// test a status by hand.
class StatusWrapper : public Firebird::BaseStatusWrapper<StatusWrapper>
{
public:
    StatusWrapper();
    ~StatusWrapper();
    StatusWrapper(const StatusWrapper&) = delete;
    StatusWrapper& operator=(const StatusWrapper&) = delete;

    static void checkException(StatusWrapper* wrapper)
    {
        if (wrapper->dirty && (wrapper->getState() & Firebird::IStatus::STATE_ERRORS))
            wrapper->raise();
    }

private:
    [[noreturn]] void raise();
};

}  // namespace db
