#pragma once
// The frame every export runs through: the typed handle check, argument packing and the
// three guard forms that turn every outcome, exceptions included, into a return code.

#include <odbcinst.h>
#include <sql.h>

#include <concepts>
#include <cstring>
#include <mutex>
#include <optional>
#include <source_location>
#include <string_view>
#include <type_traits>
#include <utility>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"
#include "logger/logger.hpp"

namespace frame {

template <typename Kind>
struct checked_handle {
    variant_handle* handle = nullptr;  // null when the check failed
    Kind* record = nullptr;
    std::string_view failure;  // why the check failed

    // The record of a failed check (SQL_INVALID_HANDLE). Built only when asked for: the check runs
    // on every call, and a passing check has nothing to say.
    [[nodiscard]] diag_record diagnostics() const { return diag_record(diag::state::invalid_handle, failure); }
};

// Checks that `h` is a live handle of the expected kind.
template <typename Kind>
checked_handle<Kind> check_handle(void* h) noexcept {
    if (h == nullptr) return {nullptr, nullptr, "expected valid handle got null pointer."};
    auto* vh = static_cast<variant_handle*>(h);
    auto* k = vh->get_if<Kind>();
    if (k == nullptr) return {nullptr, nullptr, "expected valid handle."};
    return {vh, k, {}};
}

// A text argument given as pointer and length: null is empty text, a length below 1
// (SQL_NTS included) runs to the terminating zero, any other length is exact.
template <std::integral Length>
std::string_view text_arg(const SQLCHAR* text, Length length) noexcept {
    if (text == nullptr) return {};
    const auto* chars = reinterpret_cast<const char*>(text);
    if (length < 1) return std::string_view(chars);
    return std::string_view(chars, static_cast<std::size_t>(length));
}

// The record for the exception being handled (call only from inside a catch block).
diag_record from_current_exception(const std::source_location& where) noexcept;

// Runs an operation, turning exceptions into records by class; a failure record gets the
// location line "<function>:<line>" at Error.
diag_record run_guarded(const std::source_location& where, auto&& op) {
    logger::guarded_scope scope;
    try {
        diag_record r = op();
        if (!r.ok()) log_line(logger::level::error, "{}:{}", where.function_name(), where.line());
        return r;
    } catch (...) {
        return from_current_exception(where);
    }
}

// Writes the result line of a record.
void log_result(const diag_record& r) noexcept;

// Record form: result line, the record replaces the handle's diagnostics, return code. Inline:
// every export's success passes here.
inline SQLRETURN post(variant_handle& h, diag_record&& r) noexcept {
    // The result line of a success is a Debug line: skip building it when that level is off.
    if (!r.ok() || logger::detail::the_logger().enabled(logger::level::debug)) log_result(r);
    const SQLRETURN rc = r.return_code;
    h.common().diagnostics = std::move(r);
    return rc;
}

// The lock a call holds on a handle of this kind while it works: a statement's operations are
// serialised, so that one thread's SQLCancel waits for another thread's fetch on the same
// statement; the other kinds are not locked. Empty when the lock cannot be taken.
template <typename Kind>
[[gnu::always_inline]] inline std::optional<std::unique_lock<handle::record_mutex>> lock_kind(Kind& k) noexcept {
    if constexpr (std::is_same_v<Kind, handle::statement>) {
        try {
            return std::unique_lock<handle::record_mutex>(k.lock);
        } catch (...) {
            return std::nullopt;
        }
    } else {
        return std::unique_lock<handle::record_mutex>();
    }
}

// A statement operation whose call into the client library was stopped answers for that, whatever
// the library's failure became on the way: HY008 for SQLCancel, HYT00 for the query timeout.
diag_record stopped_operation(handle::stop_reason reason, SQLULEN timeout_seconds);

// The record form of an export: typed handle check, guarded operation on the kind record,
// result line, post, return code. `op` takes the kind record and returns a diag_record.
template <typename Kind, typename Op>
SQLRETURN call(void* h, Op&& op, const std::source_location where = std::source_location::current()) {
    const logger::line_group lines;
    auto checked = check_handle<Kind>(h);
    if (checked.handle == nullptr) return diag::row(diag::state::invalid_handle).return_code;
    const auto held = lock_kind(*checked.record);
    if (!held) return SQL_ERROR;
    if constexpr (std::is_same_v<Kind, handle::statement>) {
        handle::statement& stmt = *checked.record;
        stmt.library.start_operation();
        diag_record r = run_guarded(where, [&] { return op(stmt); });
        if (const auto reason = stmt.library.take_stop(); reason != handle::stop_reason::none)
            r = stopped_operation(reason, stmt.query_timeout);
        return post(*checked.handle, std::move(r));
    } else {
        return post(*checked.handle, run_guarded(where, [&] { return op(*checked.record); }));
    }
}

// SQLCancel. A statement busy in another thread is not waited for: a call of it running in the
// client library (an execution or a catalog function) is interrupted, and that call answers
// HY008; nothing else changes, and no record is posted (the busy call posts its own). An idle
// statement takes the cancel like any call, through `idle_op`.
template <typename Op>
SQLRETURN cancel(void* h, Op&& idle_op, const std::source_location where = std::source_location::current()) {
    const logger::line_group lines;
    auto checked = check_handle<handle::statement>(h);
    if (checked.handle == nullptr) return diag::row(diag::state::invalid_handle).return_code;
    handle::statement& stmt = *checked.record;
    std::unique_lock<handle::record_mutex> held(stmt.lock, std::try_to_lock);
    if (!held) {
        stmt.library.interrupt(handle::stop_reason::canceled);
        log_line(logger::level::debug, "cancel of a statement busy in another thread");
        return SQL_SUCCESS;
    }
    return post(*checked.handle, run_guarded(where, [&] { return idle_op(stmt); }));
}

// Status form: only the return code counts; nothing is posted and only exceptions write a
// result line. `op` returns a diag_record or a SQLRETURN.
template <typename Op>
SQLRETURN call_status(Op&& op, const std::source_location where = std::source_location::current()) {
    const logger::line_group lines;
    logger::guarded_scope scope;
    try {
        SQLRETURN rc;
        if constexpr (std::is_same_v<std::invoke_result_t<Op>, diag_record>) {
            rc = op().return_code;
        } else {
            rc = op();
        }
        if (rc != SQL_SUCCESS && rc != SQL_NO_DATA)
            log_line(logger::level::error, "{}:{}", where.function_name(), where.line());
        return rc;
    } catch (...) {
        const diag_record r = from_current_exception(where);
        log_result(r);
        return r.return_code;
    }
}

// Boolean form of the setup entry points: FALSE writes the location line; exceptions
// write their result line and give FALSE.
template <typename Op>
BOOL call_bool(Op&& op, const std::source_location where = std::source_location::current()) {
    const logger::line_group lines;
    logger::guarded_scope scope;
    try {
        const BOOL ok = op();
        if (!ok) log_line(logger::level::error, "{}:{}", where.function_name(), where.line());
        return ok;
    } catch (...) {
        log_result(from_current_exception(where));
        return BOOL{0};
    }
}

// The answer of a function the driver does not offer: the Error line "function: <signature> is
// not implemented", and HYC00 naming the function posted to its handle (any kind; a null
// handle gives SQL_INVALID_HANDLE); SQL_ERROR.
SQLRETURN not_offered(void* h, const std::source_location where = std::source_location::current()) noexcept;

// The bare function name of a signature text such as "SQLRETURN SQLPutData(SQLHSTMT, ...)".
std::string_view function_name_of(std::string_view signature) noexcept;

}  // namespace frame
