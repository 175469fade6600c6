#include "diagnostics/diag_record.hpp"

#include <fmt/format.h>

namespace diag {

std::string fitted_message(std::string message) {
    if (message.size() <= max_message_length) return message;
    constexpr std::string_view ellipsis = "...";
    std::size_t cut = max_message_length - ellipsis.size();
    // Never split a UTF-8 sequence: back up over continuation bytes to the start of a character.
    while (cut > 0 && (static_cast<unsigned char>(message[cut]) & 0xC0u) == 0x80u) --cut;
    message.resize(cut);
    message += ellipsis;
    return message;
}

}  // namespace diag

diag_record::diag_record(diag::state s, std::string_view detail)
    : state_code(static_cast<std::int32_t>(s)),
      return_code(diag::row(s).return_code),
      sqlstate(diag::row(s).sqlstate),
      message(diag::fitted_message(fmt::format("[{}] {}: {}", diag::row(s).sqlstate, diag::row(s).message, detail))) {}

std::string_view return_code_name(SQLRETURN rc) noexcept {
    switch (rc) {
    case SQL_SUCCESS: return "SQL_SUCCESS";
    case SQL_SUCCESS_WITH_INFO: return "SQL_SUCCESS_WITH_INFO";
    case SQL_NO_DATA: return "SQL_NO_DATA";
    case SQL_ERROR: return "SQL_ERROR";
    case SQL_INVALID_HANDLE: return "SQL_INVALID_HANDLE";
    default: return "SQL_ERROR_???";
    }
}
