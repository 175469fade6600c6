#pragma once
// Running a statement's text through the client library into its in-memory result.

#include <optional>
#include <string_view>
#include <vector>

#include "diagnostics/diag_record.hpp"
#include "handle/statement.hpp"

namespace execution {

// Runs a text: a text holding a zero byte is refused; then the fixed answers (empty,
// "UNPREPARE", the statistics series), the Tableau wrapper, the row limit, then the query; a
// result replaces the statement's result table.
diag_record execute_text(handle::statement& stmt, std::string text);

// Runs the prepared text once per parameter set, every marker replaced by its bound value; or,
// right after an early execution, takes the result that one left.
diag_record execute_prepared(handle::statement& stmt);

// Runs a prepared SELECT that has no result yet, so that its columns can be described before
// SQLExecute. For a text without markers the next SQLExecute takes this result instead of asking
// the store again; a text with markers runs again then, with the values bound at that time.
diag_record execute_early(handle::statement& stmt);

// The result table's columns for a library result; sorted by name for an unwrapped Tableau query.
std::vector<result_column> build_columns(const vdl_result& result, bool sort_by_name);

}  // namespace execution
