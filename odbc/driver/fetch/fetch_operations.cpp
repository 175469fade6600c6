#include "fetch/fetch_operations.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <fmt/format.h>

#include "fetch/application_slots.hpp"
#include "fetch/bound_address.hpp"
#include "fetch/fetch_column_generic.hpp"
#include "fetch/rowset_position.hpp"
#include "logger/logger.hpp"
#include "wide/wide_target.hpp"

namespace fetch_ops {

namespace {

diag_record bad_column(std::uint16_t index, std::size_t column_count) {
    return diag_record(diag::state::invalid_descriptor_index,
                       fmt::format("tried to fetch col index {}, max is {}", index, column_count));
}

// The zero-based column of a column number; column 0 stands for the first column.
std::uint16_t column_index(SQLUSMALLINT number) noexcept {
    return static_cast<std::uint16_t>(number == 0 ? 0 : number - 1);
}

// The C type a target asks for: SQL_C_DEFAULT stands for the column's own C type.
SQLSMALLINT target_c_type(SQLSMALLINT c_type, const result_column& column) noexcept {
    return c_type == SQL_C_DEFAULT ? static_cast<SQLSMALLINT>(column.c_type) : c_type;
}

// One binding's slots of a rowset: wide-character targets through the wide layer, every other
// C type through the conversion itself. Slots stored with a warning are marked in `warned`.
diag_record transfer_column(const column_data& data, SQLULEN count, SQLULEN first, SQLULEN bind_type,
                            SQLSMALLINT c_type, SQLPOINTER buffer, SQLLEN buffer_length, SQLLEN* indicator,
                            std::vector<bool>& warned) {
    if (c_type == SQL_C_WCHAR)
        return wide::fetch_column_wide(data, count, first, bind_type, buffer, buffer_length, indicator, nullptr,
                                       &warned);
    return fetch_column_generic(data, count, first, bind_type, c_type, buffer, buffer_length, indicator, nullptr,
                                nullptr, &warned);
}

// Moves the rowset that starts at `start` into every bound column: n = row array size (0 counts
// as 1) slots per binding, k = the rows actually there. The rowset and the current row both start
// at `start`, also when a conversion fails part way.
diag_record transfer_rowset(handle::statement& stmt, std::int64_t start) {
    const SQLULEN n = stmt.cursor.row_array_size == 0 ? 1 : stmt.cursor.row_array_size;
    stmt.cursor.rowset_start = start;
    stmt.cursor.current_row = start;
    stmt.cursor.rowset_size = n;
    if (!handle::on_a_row(start, stmt.result.row_count)) {
        log_line(logger::level::debug, "no data");
        return diag_record::no_data();
    }
    log_line(logger::level::debug, "current row: {} - row count: {}", start, stmt.result.row_count);
    const auto first = static_cast<SQLULEN>(start);
    const SQLULEN k = std::min<SQLULEN>(n, static_cast<SQLULEN>(stmt.result.row_count) - first);
    const SQLLEN offset = bind_offset(stmt.cursor.bind_offset_ptr);

    const auto& columns = stmt.result.table.columns;
    // The rows stored with a warning (a value cut to its buffer, a fraction dropped), and the first
    // warning, which is the fetch's outcome: the values are there, but not all of them whole.
    std::vector<bool> warned;
    diag_record outcome = diag_record::success();
    for (const column_binding& binding : stmt.cursor.column_bindings) {
        if (binding.column_index >= columns.size()) return bad_column(binding.column_index, columns.size());
        const result_column& column = columns[binding.column_index];
        diag_record r = transfer_column(column.data, n, first, stmt.cursor.bind_type,
                                        target_c_type(binding.c_type, column), offset_by(binding.buffer, offset),
                                        binding.buffer_length, offset_by(binding.indicator, offset), warned);
        if (r.return_code != SQL_SUCCESS && r.return_code != SQL_SUCCESS_WITH_INFO) return r;
        if (r.return_code == SQL_SUCCESS_WITH_INFO && outcome.return_code == SQL_SUCCESS) outcome = std::move(r);
    }
    if (stmt.cursor.row_status_ptr != nullptr) {
        for (SQLULEN i = 0; i < n; ++i) {
            const SQLUSMALLINT status = i >= k                           ? SQL_ROW_NOROW
                                        : i < warned.size() && warned[i] ? SQL_ROW_SUCCESS_WITH_INFO
                                                                         : SQL_ROW_SUCCESS;
            store_into(reinterpret_cast<std::byte*>(stmt.cursor.row_status_ptr + i), status);
        }
    }
    if (stmt.cursor.rows_fetched_ptr != nullptr)
        store_into(reinterpret_cast<std::byte*>(stmt.cursor.rows_fetched_ptr), static_cast<SQLULEN>(k));
    return outcome;
}

// What SQLFetch and SQLFetchScroll share: a fetch starts every value of SQLGetData over, and a
// fetch that finds no rows tells the application it fetched none.
diag_record fetch_rowset(handle::statement& stmt, const cursor_move& move) {
    stmt.cursor.get_data.forget();
    const rowset_geometry at{stmt.cursor.rowset_start, stmt.cursor.rowset_size,
                             stmt.cursor.row_array_size == 0 ? 1 : stmt.cursor.row_array_size,
                             static_cast<std::uint64_t>(std::max<std::int64_t>(stmt.result.row_count, 0))};
    const auto start = rowset_start_after(move, at);
    // An orientation the driver does not know leaves the cursor where it is.
    diag_record r = start ? transfer_rowset(stmt, *start) : diag_record::no_data();
    if (r.return_code == SQL_NO_DATA && stmt.cursor.rows_fetched_ptr != nullptr)
        store_into(reinterpret_cast<std::byte*>(stmt.cursor.rows_fetched_ptr), SQLULEN{0});
    return r;
}

}  // namespace

diag_record bind_col(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT target_type, SQLPOINTER target,
                     SQLLEN buffer_length, SQLLEN* indicator) {
    if (buffer_length < 0)
        return diag_record(diag::state::invalid_buffer_length,
                           fmt::format("buffer length {} of column {} is negative", buffer_length, number));
    const std::uint16_t index = column_index(number);
    auto& bindings = stmt.cursor.column_bindings;
    const auto bound = std::find_if(bindings.begin(), bindings.end(),
                                    [&](const column_binding& b) { return b.column_index == index; });
    // Neither a buffer nor an indicator: the column is unbound.
    if (target == nullptr && indicator == nullptr) {
        if (bound != bindings.end()) bindings.erase(bound);
        return diag_record::success();
    }
    const column_binding binding{index, target_type, target, buffer_length, indicator};
    if (bound != bindings.end()) {
        *bound = binding;  // a column has one binding: the new one replaces the old
    } else {
        bindings.push_back(binding);
    }
    return diag_record::success();
}

diag_record fetch(handle::statement& stmt) { return fetch_rowset(stmt, {SQL_FETCH_NEXT, 0}); }

diag_record fetch_scroll(handle::statement& stmt, SQLSMALLINT orientation, SQLLEN offset) {
    return fetch_rowset(stmt, {orientation, offset});
}

diag_record more_results(handle::statement&) {
    // A statement has one result set: there is never another one to move to.
    return diag_record::no_data();
}

diag_record get_data(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT target_type, SQLPOINTER target,
                     SQLLEN buffer_length, SQLLEN* indicator) {
    if (buffer_length < 0)
        return diag_record(diag::state::invalid_buffer_length,
                           fmt::format("buffer length {} of column {} is negative", buffer_length, number));
    const auto index = static_cast<std::uint16_t>(number - 1);
    const auto& columns = stmt.result.table.columns;
    if (index >= columns.size()) return bad_column(index, columns.size());
    const column_data& data = columns[index].data;
    target_type = target_c_type(target_type, columns[index]);
    // Before the first row and past the last, the position is no cell: the conversion reports NULL.
    const auto row = static_cast<SQLULEN>(stmt.cursor.current_row);

    if (target_type != SQL_C_CHAR && target_type != SQL_C_BINARY && target_type != SQL_C_WCHAR) {
        stmt.cursor.get_data.forget();
        return fetch_column_generic(data, 1, row, SQL_BIND_BY_COLUMN, target_type, target, buffer_length, indicator);
    }

    // Character and binary values come in pieces: each call continues where the previous call for
    // the same column and row stopped, and once the value has been handed out whole there is no
    // more data. Narrow and wide pieces both count their place in bytes of the 8-bit text.
    auto& progress = stmt.cursor.get_data;
    if (!progress.is_for(index, stmt.cursor.current_row)) progress.start(index, stmt.cursor.current_row);
    if (progress.finished) return diag_record::no_data();
    if (target_type == SQL_C_WCHAR) {
        wide::wide_piece piece{.offset = progress.offset, .units_left = progress.wide_units_left};
        diag_record r =
            wide::fetch_column_wide(data, 1, row, SQL_BIND_BY_COLUMN, target, buffer_length, indicator, &piece);
        progress.offset = piece.offset;
        progress.wide_units_left = piece.units_left;
        progress.finished = piece.returned && !piece.truncated;
        return r;
    }
    value_piece piece{progress.offset};
    diag_record r =
        fetch_column_generic(data, 1, row, SQL_BIND_BY_COLUMN, target_type, target, buffer_length, indicator, &piece);
    progress.offset = piece.offset;
    progress.wide_units_left.reset();  // the wide length left is counted again from the new place
    progress.finished = piece.returned && !piece.truncated;
    return r;
}

}  // namespace fetch_ops
