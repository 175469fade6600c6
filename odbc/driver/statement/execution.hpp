#pragma once
// Running a statement's text through the client library into its in-memory result.

#include <string_view>
#include <vector>

#include "diagnostics/diag_record.hpp"
#include "handle/statement.hpp"

namespace execution {

// Runs a text: the fixed answers (empty, "UNPREPARE", the statistics series), the Tableau
// wrapper, the row limit, then the query; a result replaces the statement's result table.
diag_record execute_text(handle::statement& stmt, std::string_view text);

// Runs the prepared text with every marker replaced by its bound value, or reuses the result of
// an already executed text without markers.
diag_record execute_prepared(handle::statement& stmt);

// The result table's columns for a library result; sorted by name for an unwrapped Tableau query.
std::vector<result_column> build_columns(const vdl_result& result, bool sort_by_name);

}  // namespace execution
