#pragma once
// The numeric settings (sizes, counts, the log level) read from their texts, the one way: a value
// that cannot be read refuses the connect with a record naming the key and what is wrong.

#include <cstdint>
#include <string_view>
#include <variant>

#include "connection/connection_settings.hpp"
#include "diagnostics/diag_record.hpp"

namespace settings {

// The value of `key` as a signed 64-bit decimal: blanks before it and a sign are allowed, and the
// number ends at the first character that is not a digit. No digits, or a number beyond 64 bits,
// is a record (HY000) naming the key and the problem.
[[nodiscard]] std::variant<std::int64_t, diag_record> signed_setting(const connection_settings& s,
                                                                     std::string_view key);

// As signed_setting for an unsigned 64-bit decimal; a negative number counts modulo 2^64.
[[nodiscard]] std::variant<std::uint64_t, diag_record> unsigned_setting(const connection_settings& s,
                                                                        std::string_view key);

}  // namespace settings
