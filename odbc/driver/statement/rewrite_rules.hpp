#pragma once
// The textual rules that make ODBC tools' query texts acceptable to the database. The driver
// does not parse SQL: it looks for fixed words and one INSERT pattern in the code of a text,
// never inside its literals, quoted names or comments, and changes a text only where the
// change keeps what the statement means.

#include <cstdint>
#include <string>
#include <string_view>

namespace rewrite {

// Lower-cased substring test.
bool contains_lower(std::string_view text, std::string_view lower_needle);

// A single-row INSERT INTO t (columns) VALUES (values) without "$timestamp" gets the time column
// with the value 2000. Any other text, and any insert that cannot be rebuilt exactly (text
// before or after it, several rows, a list holding a comment or a literal with ")" or ","), is
// returned unchanged.
std::string rewrite_insert(std::string_view text);

struct unwrapped {
    std::string text;
    bool wrapped = false;
};

// Cuts a Tableau custom-query wrapper away, keeping the inner query: only from a SELECT whose
// code has "FROM (" followed by the wrapper's closing marker.
unwrapped unwrap(std::string text);

// Adds " LIMIT <max_rows>" to a SELECT (by its first word) without "limit", before the first
// ";" of its code or after its last code. A maximum of 0, or one beyond the signed 64-bit range
// the store counts in, is no limit.
std::string apply_row_limit(std::string text, std::uint64_t max_rows);

}  // namespace rewrite
