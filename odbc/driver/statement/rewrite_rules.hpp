#pragma once
// The textual rules that make ODBC tools' query texts acceptable to the database. The driver
// does not parse SQL: it looks for fixed words and one INSERT pattern in the code of a text,
// never inside its literals, quoted names or comments, and changes a text only where the
// change keeps what the statement means.

#include <cstdint>
#include <string>
#include <string_view>

namespace rewrite {

// Whether the text holds the needle, a word of lower-case ASCII letters, in any case.
bool contains_lower(std::string_view text, std::string_view lower_needle);

// The value the INSERT rule gives the time column in the prepared text; each execution writes the
// time of insertion in its place (stamp_insertion_time).
inline constexpr std::string_view insertion_time_placeholder = "NOW()";

// A single-row INSERT INTO t (columns) VALUES (values) without "$timestamp" gets the time column,
// with insertion_time_placeholder as its value at the end of the text. Any other text, and any
// insert that cannot be rebuilt exactly (text before or after it, several rows, a list holding a
// comment or a literal with ")" or ","), is returned unchanged.
std::string rewrite_insert(std::string_view text);

// Replaces the placeholder that ends a text the INSERT rule made (its parameters substituted) by
// the time of insertion in nanoseconds since 1970: the current time, but always later than every
// time given before in the process, so that rows inserted through the driver differ in their key.
void stamp_insertion_time(std::string& text);

// A time of insertion: nanoseconds since 1970-01-01T00:00:00Z, strictly increasing within the process.
std::int64_t next_insertion_time() noexcept;

struct unwrapped {
    std::string text;
    bool wrapped = false;
};

// Cuts a Tableau custom-query wrapper away, keeping the inner query, only where the cut keeps
// what the statement means: the outer select lists the wrapper's columns ("*", "alias".*,
// "alias"."col" [AS "col"]) and nothing but blanks, comments and ";" follows the wrapper's
// closing marker. Any other wrapped text is returned whole (the store runs the subquery).
unwrapped unwrap(std::string text);

// SELECT [DISTINCT] TOP n ... becomes SELECT [DISTINCT] ... LIMIT n, which the store reads; a text
// that already has a LIMIT, or TOP n PERCENT / WITH TIES, is returned unchanged.
std::string top_to_limit(std::string text);

// Adds " LIMIT <max_rows>" to a SELECT (by its first word) whose code has no word LIMIT, before
// the first ";" of its code or after its last code. A maximum of 0, or one beyond the signed
// 64-bit range the store counts in, is no limit. The row limit holds without it too: execution
// stops reading at the maximum.
std::string apply_row_limit(std::string text, std::uint64_t max_rows);

// Adds " LIMIT 0" where apply_row_limit would add a limit: the query's columns without its rows.
std::string without_rows(std::string text);

}  // namespace rewrite
