#pragma once
// The lock that serialises the operations on one statement, so that SQLCancel or SQLDisconnect
// from another thread waits for a fetch in progress instead of freeing what it reads.

#include <mutex>

namespace handle {

// A mutex that a statement or connection record can carry: moving a record (only done while it
// is being created, before any thread can reach it) gives the new record a lock of its own.
class statement_lock {
public:
    statement_lock() = default;
    statement_lock(statement_lock&&) noexcept {}
    statement_lock& operator=(statement_lock&&) noexcept { return *this; }
    statement_lock(const statement_lock&) = delete;
    statement_lock& operator=(const statement_lock&) = delete;
    ~statement_lock() = default;

    void lock() { mutex_.lock(); }
    bool try_lock() { return mutex_.try_lock(); }
    void unlock() { mutex_.unlock(); }

private:
    std::mutex mutex_;
};

}  // namespace handle
