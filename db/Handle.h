#pragma once

#include <utility>

namespace db {

// How a handle gives its interface back: reference-counted interfaces
// (attachments, transactions, statements, result sets, metadata, builders,
// providers) drop their reference; disposable ones (parameter block builders)
// are disposed of.
struct ReleaseReference
{
    template <typename Interface>
    static void apply(Interface* object)
    {
        object->release();
    }
};
struct Dispose
{
    template <typename Interface>
    static void apply(Interface* object)
    {
        object->dispose();
    }
};

// Owns one interface of the client library and gives it back when it goes
// away. Movable, not copyable. The client's own headers are needed only where
// a handle is destroyed or used, so headers can hold handles of interfaces
// they only declare.
template <typename Interface, typename Release = ReleaseReference>
class Handle
{
public:
    Handle() = default;
    explicit Handle(Interface* object)
        : m_interface(object)
    {
    }
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept
        : m_interface(std::exchange(other.m_interface, nullptr))
    {
    }
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_interface, nullptr));
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    Interface* get() const { return m_interface; }
    Interface* operator->() const { return m_interface; }
    explicit operator bool() const { return m_interface != nullptr; }

    // Gives back the interface held so far and holds `object` instead.
    void reset(Interface* object = nullptr)
    {
        if (m_interface)
            Release::apply(m_interface);
        m_interface = object;
    }

    // Runs a call that ends the object and frees its interface when it
    // succeeds (close, free, commit, rollback, detach). When the call throws,
    // the interface is still held and given back as usual.
    template <typename Call>
    void finish(Call&& call)
    {
        std::forward<Call>(call)(m_interface);
        m_interface = nullptr;
    }

private:
    Interface* m_interface = nullptr;
};

}  // namespace db
