#pragma once
// The textual rules that make ODBC tools' query texts acceptable to the database. The driver
// does not parse SQL: it only looks for fixed substrings and one INSERT pattern.

#include <cstdint>
#include <string>
#include <string_view>

namespace rewrite {

// Every "?" counts as a parameter marker, also inside quoted literals and comments.
std::uint32_t count_markers(std::string_view text) noexcept;

// Lower-cased substring test.
bool contains_lower(std::string_view text, std::string_view lower_needle);

// An INSERT ... VALUES into named columns without "$timestamp" gets the time column with the
// value 2000; any other text is returned unchanged.
std::string rewrite_insert(std::string_view text);

struct unwrapped {
    std::string text;
    bool wrapped = false;
};

// Cuts a Tableau custom-query wrapper away, keeping the inner query.
unwrapped unwrap(std::string_view text);

// Adds " LIMIT <max_rows>" to a select without a limit, before the first ";" or at the end.
std::string apply_row_limit(std::string text, std::uint64_t max_rows);

}  // namespace rewrite
