#include "fetch/fetch_operations.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <fmt/format.h>

#include "fetch/fetch_column_generic.hpp"
#include "logger/logger.hpp"

namespace fetch_ops {

namespace {

// Cursor arithmetic wraps instead of overflowing: any position outside 0 ... row count - 1 is
// simply not a row.
std::int64_t moved(std::int64_t position, std::int64_t by) noexcept {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(position) + static_cast<std::uint64_t>(by));
}

// The position names a row when, compared unsigned, it lies below the row count; -1 and every
// other negative position count as past the end.
bool on_a_row(const handle::statement& stmt) noexcept {
    return static_cast<std::uint64_t>(stmt.current_row) < static_cast<std::uint64_t>(stmt.row_count);
}

diag_record bad_column(std::uint16_t index, std::size_t column_count) {
    return diag_record(diag::state::invalid_descriptor_index,
                       fmt::format("tried to fetch col index {}, max is {}", index, column_count));
}

template <typename T>
void store_through(T* target, T value) noexcept {
    std::memcpy(target, &value, sizeof value);
}

// Moves the rows from the position on into every bound column: n = row array size (0 counts as 1)
// slots per binding, k = the rows actually there. The position ends on the last row moved.
diag_record transfer_rowset(handle::statement& stmt) {
    if (!on_a_row(stmt)) {
        log_line(logger::level::debug, "no data");
        return diag_record::no_data();
    }
    log_line(logger::level::debug, "current row: {} - row count: {}", stmt.current_row, stmt.row_count);
    const auto position = static_cast<SQLULEN>(stmt.current_row);
    const SQLULEN n = stmt.row_array_size == 0 ? 1 : stmt.row_array_size;
    const SQLULEN k = std::min<SQLULEN>(n, static_cast<SQLULEN>(stmt.row_count) - position);

    const auto& columns = stmt.result.columns;
    for (const column_binding& binding : stmt.column_bindings) {
        if (binding.column_index >= columns.size()) return bad_column(binding.column_index, columns.size());
        diag_record r = fetch_column_generic(columns[binding.column_index].data, n, position, stmt.bind_type,
                                             binding.c_type, binding.buffer, binding.buffer_length,
                                             binding.indicator);
        if (r.return_code != SQL_SUCCESS && r.return_code != SQL_SUCCESS_WITH_INFO) return r;
    }
    if (stmt.row_status_ptr != nullptr) {
        for (SQLULEN i = 0; i < n; ++i)
            store_through<SQLUSMALLINT>(stmt.row_status_ptr + i, i < k ? SQL_ROW_SUCCESS : SQL_ROW_NOROW);
    }
    stmt.current_row = static_cast<std::int64_t>(position + k - 1);
    if (stmt.rows_fetched_ptr != nullptr) store_through<SQLULEN>(stmt.rows_fetched_ptr, k);
    return diag_record::success();
}

// What SQLFetch and SQLFetchScroll share after setting the position: a fetch starts every value
// of SQLGetData over, and a fetch that finds no rows tells the application it fetched none.
diag_record fetch_at_position(handle::statement& stmt, bool transfer) {
    stmt.get_data = {};
    diag_record r = transfer ? transfer_rowset(stmt) : diag_record::no_data();
    if (r.return_code == SQL_NO_DATA && stmt.rows_fetched_ptr != nullptr)
        store_through<SQLULEN>(stmt.rows_fetched_ptr, 0);
    return r;
}

}  // namespace

diag_record bind_col(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT target_type, SQLPOINTER target,
                     SQLLEN buffer_length, SQLLEN* indicator) {
    const auto index = static_cast<std::uint16_t>(number == 0 ? 0 : number - 1);
    stmt.column_bindings.push_back(column_binding{index, target_type, target, buffer_length, indicator});
    return diag_record::success();
}

diag_record fetch(handle::statement& stmt) {
    stmt.current_row = moved(stmt.current_row, 1);
    return fetch_at_position(stmt, true);
}

diag_record fetch_scroll(handle::statement& stmt, SQLSMALLINT orientation, SQLLEN offset) {
    switch (orientation) {
    case SQL_FETCH_NEXT: stmt.current_row = moved(stmt.current_row, 1); break;
    case SQL_FETCH_FIRST: stmt.current_row = 0; break;
    case SQL_FETCH_LAST: stmt.current_row = moved(stmt.row_count, -1); break;
    case SQL_FETCH_PRIOR: stmt.current_row = moved(stmt.current_row, -1); break;
    // The offset is a zero-based row index: offset 1 is the second row.
    case SQL_FETCH_ABSOLUTE: stmt.current_row = offset; break;
    case SQL_FETCH_RELATIVE: stmt.current_row = moved(stmt.current_row, offset); break;
    default: return fetch_at_position(stmt, false);
    }
    return fetch_at_position(stmt, true);
}

diag_record more_results(handle::statement& stmt) {
    stmt.get_data = {};
    return transfer_rowset(stmt);
}

diag_record get_data(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT target_type, SQLPOINTER target,
                     SQLLEN buffer_length, SQLLEN* indicator) {
    const auto index = static_cast<std::uint16_t>(number - 1);
    const auto& columns = stmt.result.columns;
    if (index >= columns.size()) return bad_column(index, columns.size());
    const column_data& data = columns[index].data;
    // Before the first row and past the last, the position is no cell: the conversion reports NULL.
    const auto row = static_cast<SQLULEN>(stmt.current_row);

    if (target_type != SQL_C_CHAR && target_type != SQL_C_BINARY) {
        stmt.get_data = {};
        return fetch_column_generic(data, 1, row, SQL_BIND_BY_COLUMN, target_type, target, buffer_length, indicator);
    }

    // Character and binary values come in pieces: each call continues where the previous call for
    // the same column and row stopped, and once the value has been handed out whole there is no
    // more data.
    auto& progress = stmt.get_data;
    if (!progress.is_for(index, stmt.current_row)) progress = {true, index, stmt.current_row, 0, false};
    if (progress.finished) return diag_record::no_data();
    value_piece piece{progress.offset};
    diag_record r =
        fetch_column_generic(data, 1, row, SQL_BIND_BY_COLUMN, target_type, target, buffer_length, indicator, &piece);
    progress.offset = piece.offset;
    progress.finished = piece.returned && !piece.truncated;
    return r;
}

}  // namespace fetch_ops
