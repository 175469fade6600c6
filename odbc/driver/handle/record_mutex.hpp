#pragma once
// The lock that serialises the operations on one statement, so that SQLCancel or SQLDisconnect
// from another thread waits for a fetch in progress instead of freeing what it reads.

#include <mutex>

namespace handle {

// A mutex that a statement or connection record can carry: moving a record (only done while it
// is being created, before any thread can reach it) gives the new record a lock of its own.
class record_mutex {
public:
    record_mutex() = default;
    record_mutex(record_mutex&&) noexcept {}
    record_mutex& operator=(record_mutex&&) noexcept { return *this; }
    record_mutex(const record_mutex&) = delete;
    record_mutex& operator=(const record_mutex&) = delete;
    ~record_mutex() = default;

    void lock() { mutex_.lock(); }
    bool try_lock() { return mutex_.try_lock(); }
    void unlock() { mutex_.unlock(); }

private:
    std::mutex mutex_;
};

}  // namespace handle
