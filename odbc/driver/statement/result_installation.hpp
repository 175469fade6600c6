#pragma once
// The one way a result is put on a statement and the one way it is taken away: execution and
// the catalog functions go through these, so that nothing of an earlier result (its row count,
// the rows-fetched value, the cursor, SQLGetData's place in a value) outlives it.

#include <cstdint>

#include "handle/statement.hpp"
#include "statement/result_table.hpp"

namespace execution {

// Where the cursor is after a result is installed.
enum class cursor_placement {
    before_first_row,  // a query result: the first fetch reads the first row
    unchanged,         // a catalog result: the application closes the cursor before the call
};

// Replaces the statement's result by `table` with `row_count` rows: the columns and the library
// result they view into, the row count, and the
// cursor as `placement` says. SQLGetData starts over; column bindings stay. The result's text
// is empty until the caller that ran a text sets it.
void install_result(handle::statement& stmt, result_table table, std::int64_t row_count,
                    cursor_placement placement = cursor_placement::before_first_row);

// Leaves the statement without a result, as a statement that returns none (CREATE, INSERT,
// UPDATE, DELETE, DROP) does: no columns, row count 0, the cursor before the
// first row, and the library result handed back. Column bindings stay.
void clear_result(handle::statement& stmt);

// Lets go of the statement's result as clear_result does, without writing to the application's
// memory: for a disconnect, which releases the results of the statements left allocated.
void release_result(handle::statement& stmt) noexcept;

}  // namespace execution
