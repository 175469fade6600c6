#pragma once
// The parts of a statement's state, grouped by what they belong to. Each part owns the resets
// that SQLPrepare, SQLFreeStmt, SQLCancel and the install or clear of a result call.

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fetch/column_binding.hpp"
#include "fetch/get_data_progress.hpp"
#include "statement/parameter_binding.hpp"
#include "statement/result_table.hpp"

namespace handle {

// What SQLPrepare left for SQLExecute.
struct prepared_statement {
    std::string text;
    // Where the "?" markers of the text are, found once by SQLPrepare for every SQLExecute.
    std::vector<std::size_t> markers;
    // Number of "?" markers in the text as the application gave it.
    std::uint32_t parameter_count = 0;
    // The current result came from running the text early (to describe its columns); the next
    // SQLExecute takes it instead of asking the store again.
    bool early_result_waiting = false;
    // The text is an insert the INSERT rule gave the time column: each execution (each parameter
    // set) stamps it with its own time of insertion.
    bool stamps_insertion_time = false;

    // Nothing prepared: no later SQLExecute runs an older text, and no early result is waiting.
    void reset() noexcept {
        text.clear();
        markers.clear();
        parameter_count = 0;
        early_result_waiting = false;
        stamps_insertion_time = false;
    }
};

// The parameters: SQLBindParameter records and the parameter-set attributes.
struct bound_parameters {
    // By zero-based parameter index.
    std::map<std::uint16_t, parameter_binding> bindings;
    // How many parameter sets an execution runs, where their values are and where their outcomes go.
    parameter_sets sets;

    // SQL_RESET_PARAMS: the bindings go, the parameter-set attributes stay.
    void unbind() noexcept { bindings.clear(); }
};

// The cursor: where it stands in the result, and where fetching puts the rows.
struct cursor_state {
    // SQLBindCol records, one per column, in the order the columns were first bound.
    std::vector<column_binding> column_bindings;
    SQLUSMALLINT* row_status_ptr = nullptr;
    SQLULEN* rows_fetched_ptr = nullptr;
    SQLULEN row_array_size = 1;
    SQLULEN bind_type = SQL_BIND_BY_COLUMN;
    // SQL_ATTR_ROW_BIND_OFFSET_PTR: a byte offset added to every bound address at fetch time.
    SQLLEN* bind_offset_ptr = nullptr;
    // Zero-based positions; -1 before the first row, the row count or more past the last.
    // The current row is the one SQLGetData and SQLSetPos act on; the rowset is the block of
    // rows the last fetch moved into the bound buffers, `rowset_size` rows from `rowset_start`.
    std::int64_t current_row = -1;
    std::int64_t rowset_start = -1;
    SQLULEN rowset_size = 0;
    // Where SQLGetData stopped in a long value of the current row.
    get_data_progress get_data;

    // Closes the cursor: the result stays and can be fetched again from its first row.
    void close() noexcept {
        current_row = -1;
        rowset_start = -1;
        rowset_size = 0;
        get_data.reset();
    }
    // SQL_UNBIND: the column bindings go.
    void unbind() noexcept { column_bindings.clear(); }
};

// Whether a position names a row: compared unsigned, it lies below the row count; -1 and every
// other negative position count as past the end.
constexpr bool on_a_row(std::int64_t position, std::int64_t row_count) noexcept {
    return static_cast<std::uint64_t>(position) < static_cast<std::uint64_t>(row_count);
}

// The current result. Put in place and taken away only by `execution::install_result` and
// `execution::clear_result`, which also reset the cursor.
struct current_result {
    // Its columns and the library result they view into.
    result_table table;
    std::int64_t row_count = 0;
    // The text whose execution made the result, as the application gave it (SQLExecDirect's or
    // the prepared one): SQLSetPos takes its table from it. Empty without a result and for
    // catalog results.
    std::string text;
    // The text being executed, which becomes `text` when it makes a result (kept here so that its
    // room is reused by every execution).
    std::string next_text;

    // Puts `with` in place of the result; the new table goes in before the old one is released,
    // so text views never dangle. Its text is empty until the caller that ran a text sets it.
    void replace(result_table with, std::int64_t rows) {
        table = std::move(with);
        text.clear();
        row_count = rows;
    }
    // No result: no columns, row count 0, and the library result handed back.
    void release() noexcept {
        table = result_table{};
        text.clear();
        row_count = 0;
    }
};

}  // namespace handle
