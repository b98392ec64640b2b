#pragma once

#include <firebird/Interface.h>

#include "core/Error.h"
#include "db/Handle.h"

#include <utility>

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

// Ends the object of a handle on its way out, where a failure can only be
// passed over: the handle is emptied first, and when `call(object, status)`
// throws, the interface is given back as usual.
template <typename Interface, typename Call>
void finishQuietly(Handle<Interface>& handle, Call&& call)
{
    Handle<Interface> held = std::move(handle);
    StatusWrapper status;
    try {
        held.finish([&](Interface* object) { call(object, status); });
    } catch (const Error&) {
        // The handle gives the interface back.
    }
}

}  // namespace db
