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

}  // namespace rewrite
