#pragma once
// ODBC escape sequences ({d '...'}, {ts '...'}, {fn NAME(...)}, {oj ...}, {escape '...'},
// {INTERVAL ...}) translated into the store's query language. Escapes count only in code: braces
// inside a literal, a quoted name or a comment are left alone. An escape that cannot be
// translated refuses the whole text, so that nothing is ever sent half translated.
//
// The table of scalar functions is also what SQLGetInfo claims: each claimed function, interval
// and conversion is one that {fn ...} translates.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "diagnostics/diag_record.hpp"

namespace escapes {

enum class function_group : std::uint8_t { string, numeric, timedate, system };

struct scalar_function {
    std::string_view name;  // the ODBC name, upper case
    function_group group;
    std::uint32_t bit;  // the SQL_FN_* bit SQLGetInfo reports for it
    std::uint8_t min_args;
    std::uint8_t max_args;
    // The store's text: %1, %2, %3 stand for the arguments, %* for all of them separated by
    // ", ", %u for the store's name of the interval given as the first argument (SQL_TSI_DAY).
    std::string_view form;
};

std::span<const scalar_function> scalar_functions() noexcept;

// The SQL_FN_* bits of a group's functions, as SQLGetInfo reports them.
std::uint32_t claimed_functions(function_group group) noexcept;
// The SQL_FN_TSI_* bits of the intervals TIMESTAMPADD and TIMESTAMPDIFF take.
std::uint32_t claimed_intervals() noexcept;
// The SQL_CVT_* bits of the types {fn CONVERT(value, type)} converts a value of `sql_type` to.
std::uint32_t claimed_conversions(SQLSMALLINT sql_type) noexcept;

// The text with every escape sequence in its code translated, or the refusal that names the
// first escape that cannot be (42000 for a malformed escape, HYC00 for one the store cannot do).
std::variant<std::string, diag_record> translate(std::string_view text);

}  // namespace escapes
