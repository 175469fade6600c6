#include "frame.hpp"

#include <new>
#include <stdexcept>

#include <fmt/format.h>

namespace frame {

diag_record stopped_operation(handle::stop_reason reason, SQLULEN timeout_seconds) {
    if (reason == handle::stop_reason::timed_out)
        return diag_record(
            diag::state::timeout_expired,
            fmt::format("the statement ran longer than its query timeout of {} seconds", timeout_seconds));
    return diag_record(diag::state::operation_canceled, "the statement was canceled by SQLCancel");
}

diag_record from_current_exception(const std::source_location& where) noexcept {
    try {
        try {
            throw;
        } catch (const std::bad_alloc& e) {
            return diag_record(diag::state::memory_error, fmt::format("{}:{}- alloc exception: {}",
                                                                      where.function_name(), where.line(), e.what()));
        } catch (const std::exception& e) {
            return diag_record(diag::state::general_error,
                               fmt::format("{}:{}- exception: {}", where.function_name(), where.line(), e.what()));
        } catch (...) {
            return diag_record(diag::state::general_error,
                               fmt::format("{}:{}- unknown exception", where.function_name(), where.line()));
        }
    } catch (...) {
        // Building the message failed too (out of memory): keep the state without a message.
        diag_record r;
        r.state_code = static_cast<std::int32_t>(diag::state::memory_error);
        r.return_code = SQL_ERROR;
        r.sqlstate = diag::row(diag::state::memory_error).sqlstate;  // fits the small-string buffer
        return r;
    }
}

void log_result(const diag_record& r) noexcept {
    try {
        if (r.ok()) {
            log_line(logger::level::debug, "return {} - [{}], ", return_code_name(r.return_code), r.sqlstate);
        } else if (r.state() == diag::state::general_warning) {
            log_line(logger::level::error, "[info] {} - {}", return_code_name(r.return_code), r.message);
        } else {
            log_line(logger::level::error, "[error] {} - {}", return_code_name(r.return_code), r.message);
        }
    } catch (...) {
        // A result line that cannot be written must not change the outcome.
    }
}

std::string_view function_name_of(std::string_view signature) noexcept {
    const auto open = signature.find('(');
    if (open != std::string_view::npos) signature = signature.substr(0, open);
    const auto space = signature.find_last_of(" *&");
    if (space != std::string_view::npos) signature = signature.substr(space + 1);
    return signature;
}

SQLRETURN not_offered(void* h, const std::source_location where) noexcept {
    const logger::line_group lines;
    log_line(logger::level::error, "function: {} is not implemented", where.function_name());
    if (h == nullptr) return SQL_INVALID_HANDLE;
    auto& handle = *static_cast<variant_handle*>(h);
    try {
        diag_record r(diag::state::optional_feature,
                      fmt::format("{} is not offered by this driver", function_name_of(where.function_name())));
        return visit_handle(handle, [&](auto& kind) -> SQLRETURN {
            const auto held = lock_kind(kind);
            if (!held) return SQL_ERROR;
            return post(handle, std::move(r));
        });
    } catch (...) {
        return SQL_ERROR;  // the record could not be built (out of memory): nothing is posted
    }
}

}  // namespace frame
