#pragma once
// A statement's calls into the client library, made so that another thread can stop them:
// SQLCancel from another thread, and SQL_ATTR_QUERY_TIMEOUT, interrupt the call running through
// the library's vdl_interrupt, when the library offers it (a library without it runs every call
// to its end, as before).

#include <sql.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "vdl_api_interrupt.h"

namespace handle {

// Why a statement's call into the library was stopped.
enum class stop_reason : unsigned char { none, canceled, timed_out };

// Whether the client library in the process can interrupt a call.
bool library_can_interrupt() noexcept;

class library_calls {
public:
    library_calls() = default;
    // Moving a record (only while it is created, before any thread can reach it) starts afresh.
    library_calls(library_calls&&) noexcept {}
    library_calls& operator=(library_calls&&) noexcept { return *this; }
    library_calls(const library_calls&) = delete;
    library_calls& operator=(const library_calls&) = delete;
    ~library_calls() = default;

    // A call on the statement begins: nothing stopped yet, and no cancel waiting.
    void start_operation() noexcept;

    // Runs `call` on `cluster` so that interrupt() stops it, and, with a timeout above 0 seconds,
    // so that it is stopped when it runs longer. A cancel that came while the operation had not
    // reached the library yet stops it before it starts (the call is not made; VDL_E_INTERRUPTED).
    template <typename Call>
    std::uint32_t run(vdl_handle* cluster, SQLULEN timeout_seconds, Call&& call);

    // Stops the call running in the library now; with none running, the next call of the same
    // operation is stopped before it starts.
    void interrupt(stop_reason reason) noexcept;

    // Why a call of the operation was stopped, once; none when none was.
    stop_reason take_stop() noexcept;

private:
    bool begin(vdl_handle* cluster) noexcept;
    void end() noexcept;

    std::mutex mutex_;
    vdl_handle* running_ = nullptr;
    // Written under the mutex; read without it where both are none, the case of nearly every
    // call, so that a statement call that nothing stopped takes no lock for them (four locks less
    // per point query: about 450 instructions, 2 %, in scenarios c and c' of bench/).
    std::atomic<stop_reason> pending_ = stop_reason::none;
    std::atomic<stop_reason> stopped_ = stop_reason::none;

    bool nothing_stopped() const noexcept {
        return pending_.load(std::memory_order_acquire) == stop_reason::none &&
               stopped_.load(std::memory_order_acquire) == stop_reason::none;
    }
};

template <typename Call>
std::uint32_t library_calls::run(vdl_handle* cluster, SQLULEN timeout_seconds, Call&& call) {
    if (!begin(cluster)) return VDL_E_INTERRUPTED;
    std::optional<std::jthread> watchdog;
    if (timeout_seconds > 0 && library_can_interrupt()) {
        watchdog.emplace([this, timeout_seconds](std::stop_token finished) {
            std::mutex m;
            std::condition_variable_any cv;
            std::unique_lock held(m);
            cv.wait_for(held, finished, std::chrono::seconds(timeout_seconds), [] { return false; });
            if (!finished.stop_requested()) interrupt(stop_reason::timed_out);
        });
    }
    const std::uint32_t status = call(cluster);
    watchdog.reset();  // stops and joins the watchdog before the call counts as ended
    end();
    return status;
}

}  // namespace handle
