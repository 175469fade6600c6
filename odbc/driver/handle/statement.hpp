#pragma once

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "fetch/column_binding.hpp"
#include "fetch/get_data_progress.hpp"
#include "handle/connection.hpp"
#include "handle/library_calls.hpp"
#include "handle/owned_handle.hpp"
#include "handle/statement_lock.hpp"
#include "statement/parameter_binding.hpp"
#include "statement/result_table.hpp"

namespace handle {

struct statement : base {
    // A copy of the connection's cluster handle taken at allocation; opens nothing.
    cluster_handle cluster = nullptr;
    // The connection's turn for calls on `cluster` (see on_cluster); null with it.
    statement_lock* client_turns = nullptr;
    std::string prepared_text;
    // Where the "?" markers of the prepared text are, found once by SQLPrepare for every SQLExecute.
    std::vector<std::size_t> prepared_markers;
    // The text whose execution made the current result, as the application gave it (SQLExecDirect's
    // or the prepared one): SQLSetPos takes its table from it. Empty without a result and for
    // catalog results.
    std::string result_text;
    // The text being executed, which becomes result_text when it makes a result (kept as a member
    // so that its room is reused by every execution).
    std::string next_result_text;
    // Number of "?" markers in the prepared text.
    std::uint32_t parameter_count = 0;
    // SQLBindParameter records by zero-based parameter index.
    std::map<std::uint16_t, parameter_binding> parameter_bindings;
    // How many parameter sets an execution runs, where their values are and where their outcomes go.
    parameter_sets param_sets;
    // The current result came from running the prepared text early (to describe its columns);
    // the next SQLExecute takes it instead of asking the store again.
    bool executed_flag = false;
    bool insert_flag = false;
    // The prepared text is an insert the INSERT rule gave the time column: each execution (each
    // parameter set) stamps it with its own time of insertion.
    bool stamps_insertion_time = false;
    bool wrapped_flag = false;
    SQLUSMALLINT* row_status_ptr = nullptr;
    SQLULEN* rows_fetched_ptr = nullptr;
    SQLULEN row_array_size = 1;
    SQLULEN bind_type = SQL_BIND_BY_COLUMN;
    // SQL_ATTR_ROW_BIND_OFFSET_PTR: a byte offset added to every bound address at fetch time.
    SQLLEN* row_bind_offset_ptr = nullptr;
    // Zero-based positions; -1 before the first row, the row count or more past the last.
    // The current row is the one SQLGetData and SQLSetPos act on; the rowset is the block of
    // rows the last fetch moved into the bound buffers, `rowset_size` rows from `rowset_start`.
    std::int64_t current_row = -1;
    std::int64_t rowset_start = -1;
    SQLULEN rowset_size = 0;
    std::int64_t row_count = 0;
    SQLULEN max_rows = 0;
    // SQL_ATTR_METADATA_ID: catalog arguments are identifiers (SQL_TRUE) or search patterns.
    SQLULEN metadata_id = SQL_FALSE;
    // SQL_ATTR_QUERY_TIMEOUT in seconds; 0 waits for every call to end.
    SQLULEN query_timeout = 0;
    // The statement's calls into the client library, which SQLCancel and the timeout can stop.
    mutable library_calls library;
    // SQL_ATTR_NOSCAN: texts are sent without translating their escape sequences.
    bool noscan = false;
    // The current result: its columns and the library result they view into. Put in place and
    // taken away only by `execution::install_result` and `execution::clear_result`.
    result_table result;
    // SQLBindCol records, one per column, in the order the columns were first bound.
    std::vector<column_binding> column_bindings;
    // Where SQLGetData stopped in a long value of the current row.
    get_data_progress get_data;
    // Serialises the statement's operations (taken by the frame, and by a disconnect that
    // releases the statement's result).
    statement_lock lock;
    // The implicit descriptors, indexed by `implicit_descriptor`: each is created on its first
    // request and keeps its handle value for the statement's life.
    std::array<owned_handle, 4> implicit_descriptors;
};

enum class implicit_descriptor : std::size_t {
    application_parameter = 0,
    application_row = 1,
    implementation_parameter = 2,
    implementation_row = 3,
};

// Calls the client library on the statement's client handle, in the connection's turn: two
// statements of one connection used from two threads never use its handle at once. SQLCancel from
// another thread and the query timeout can stop the call (VDL_E_INTERRUPTED).
template <typename Call>
std::uint32_t on_cluster(const statement& stmt, Call&& call) {
    std::unique_lock<statement_lock> turn;
    if (stmt.client_turns != nullptr) turn = std::unique_lock<statement_lock>(*stmt.client_turns);
    return stmt.library.run(stmt.cluster, stmt.query_timeout, std::forward<Call>(call));
}

}  // namespace handle
