#include "handle/library_calls.hpp"

// Declared weak: a client library without the interrupt leaves it null, and calls run to their end.
#pragma weak vdl_interrupt

namespace handle {

bool library_can_interrupt() noexcept { return &vdl_interrupt != nullptr; }

void library_calls::start_operation() noexcept {
    if (nothing_stopped()) return;
    const std::scoped_lock held(mutex_);
    pending_ = stop_reason::none;
    stopped_ = stop_reason::none;
}

bool library_calls::begin(vdl_handle* cluster) noexcept {
    const std::scoped_lock held(mutex_);
    if (pending_ != stop_reason::none) {
        stopped_ = pending_.load();
        return false;
    }
    running_ = cluster;
    return true;
}

void library_calls::end() noexcept {
    const std::scoped_lock held(mutex_);
    running_ = nullptr;
}

// Under the mutex, so that the handle is interrupted only while this statement's call runs on it
// (the statements of a connection share its handle, and take turns on it).
void library_calls::interrupt(stop_reason reason) noexcept {
    const std::scoped_lock held(mutex_);
    if (running_ == nullptr) {
        pending_ = reason;
        return;
    }
    if (!library_can_interrupt()) return;
    stopped_ = reason;
    vdl_interrupt(running_);
}

stop_reason library_calls::take_stop() noexcept {
    if (nothing_stopped()) return stop_reason::none;
    const std::scoped_lock held(mutex_);
    const stop_reason r = stopped_.exchange(stop_reason::none);
    pending_ = stop_reason::none;
    return r;
}

}  // namespace handle
