#include "setpos/set_pos.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include <fmt/format.h>

#include "buffers/application_value.hpp"
#include "client/client_gate.hpp"
#include "fetch/application_slots.hpp"
#include "fetch/bound_address.hpp"
#include "logger/logger.hpp"
#include "setpos/positioned_change.hpp"
#include "statement/result_table.hpp"
#include "statement/rewrite_rules.hpp"
#include "vdl_api.h"

namespace setpos_ops {

namespace {

using setpos::change_kind;

diag_record failed(std::string detail) { return diag_record(diag::state::general_error, std::move(detail)); }

// The record of a value that cannot be read or written, naming the column.
diag_record refused(const buffers::value_refusal& refusal) { return diag_record(refusal.state, refusal.reason); }

// What the buffers of a binding hold for the first row of the rowset: its slot 0, found as
// fetching finds it (the bind offset applied, the bind type's layout). None where nothing is to be
// written: no buffer or indicator, a negative indicator (SQL_NULL_DATA, SQL_NTS ...) or a C type
// that has no literal.
using new_value = std::variant<std::optional<buffers::application_value>, buffers::value_refusal>;

new_value value_in_buffer(const handle::statement& stmt, const column_binding& binding) {
    const SQLLEN offset = bind_offset(stmt.cursor.bind_offset_ptr);
    const application_slots slots(stmt.cursor.bind_type, binding.c_type, offset_by(binding.buffer, offset),
                                  binding.buffer_length, offset_by(binding.indicator, offset));
    const std::byte* data = slots.data(0);
    const std::byte* indicator = slots.indicator(0);
    if (data == nullptr || indicator == nullptr) return std::nullopt;
    SQLLEN length = 0;
    std::memcpy(&length, indicator, sizeof length);
    if (length < 0 || buffers::unreadable_c_type(binding.c_type)) return std::nullopt;
    // A value longer than its buffer was cut when it was fetched: the buffer does not hold it.
    const bool bytes = binding.c_type == SQL_C_CHAR || binding.c_type == SQL_C_BINARY;
    if (bytes && length > binding.buffer_length)
        return buffers::value_refusal{
            diag::state::invalid_buffer_length,
            fmt::format("its value is {} bytes long, more than its buffer of {} holds", length, binding.buffer_length)};
    auto read = buffers::read_value({binding.c_type, data, binding.buffer_length, length});
    if (auto* refusal = std::get_if<buffers::value_refusal>(&read)) return std::move(*refusal);
    return std::optional(std::get<buffers::application_value>(std::move(read)));
}

// The bound columns of the current row; a binding of a column that the result does not have is
// skipped.
std::variant<std::vector<setpos::bound_column>, diag_record> bound_columns(const handle::statement& stmt,
                                                                           change_kind kind) {
    const auto& columns = stmt.result.table.columns;
    const auto row = static_cast<std::size_t>(stmt.cursor.rowset_start);
    std::vector<setpos::bound_column> bound;
    bound.reserve(stmt.cursor.column_bindings.size());
    for (const column_binding& binding : stmt.cursor.column_bindings) {
        if (binding.column_index >= columns.size()) continue;
        const result_column& column = columns[binding.column_index];
        setpos::bound_column c{column.name, setpos::cell_at(column.data, row), std::nullopt};
        if (kind == change_kind::update) {
            auto value = value_in_buffer(stmt, binding);
            if (auto* refusal = std::get_if<buffers::value_refusal>(&value))
                return diag_record(refusal->state, fmt::format("column {}: {}", column.name, refusal->reason));
            c.replacement = std::get<std::optional<buffers::application_value>>(std::move(value));
        }
        bound.push_back(std::move(c));
    }
    return bound;
}

// The number in a count(*) result: one row of one count cell (an integer cell above 2^32 - 1).
std::optional<std::uint64_t> count_in(const vdl_result* result) noexcept {
    if (result == nullptr || result->row_count != 1 || result->column_count != 1) return std::nullopt;
    const vdl_cell& cell = result->rows[0][0];
    if (cell.kind == VDL_CELL_COUNT) return cell.payload.as_count;
    if (cell.kind == VDL_CELL_INT64 && cell.payload.as_int64 >= 0)
        return static_cast<std::uint64_t>(cell.payload.as_int64);
    return std::nullopt;
}

// Runs the generated change, which must touch exactly the current row. The store does not tell
// how many rows a change touched, so the rows its WHERE clause matches are counted first, and
// anything but one is refused without running the change. The count and the change are two
// requests: a writer between them can still make the change touch other rows.
diag_record run_change(const handle::statement& stmt, const setpos::generated_change& change, std::string_view table) {
    if (auto refusal = client::without_connection(stmt)) return *std::move(refusal);
    log_line(logger::level::debug, "  count query: '{}'", change.count_text);
    const auto counted = client::query(stmt, change.count_text);
    if (counted.status != VDL_OK) return client::query_failure(counted.status);
    const auto matching = count_in(counted.result.get());
    if (!matching) return failed(fmt::format("could not count the rows of {} that hold the bound values", table));
    log_line(logger::level::debug, "  matching rows: {}", *matching);
    if (*matching == 0)
        return failed(
            fmt::format("no row of {} holds the bound values of the current row any more, so nothing "
                        "was changed",
                        table));
    if (*matching > 1)
        return failed(
            fmt::format("{} rows of {} hold the bound values of the current row, so nothing was "
                        "changed; bind columns that tell the row apart, such as $timestamp",
                        *matching, table));

    const auto [status, result] = client::query(stmt, change.text);
    if (status != VDL_OK) return client::query_failure(status);
    if (result)
        log_line(logger::level::debug, "  result {} rows and {} columns", result->row_count, result->column_count);
    return diag_record::success();
}

diag_record change_current_row(handle::statement& stmt, change_kind kind) {
    const std::string table = setpos::table_text(stmt.result.text);
    if (table.empty()) return failed("unknown table name");
    // "  update current row: {} in table: {}" or "  delete current row: {} in table: {}"
    log_line(logger::level::debug, "  {} current row: {} in table: {}",
             kind == change_kind::update ? "update" : "delete", stmt.cursor.rowset_start, table);

    auto columns = bound_columns(stmt, kind);
    if (auto* r = std::get_if<diag_record>(&columns)) return std::move(*r);
    auto generated = setpos::generate(kind, table, std::get<std::vector<setpos::bound_column>>(columns));
    if (auto* refusal = std::get_if<buffers::value_refusal>(&generated)) return refused(*refusal);
    const auto& change = std::get<setpos::generated_change>(generated);
    log_line(logger::level::info, "  query: '{}'", change.text);
    if (!change.complete) return failed("invalid generated scripy");

    diag_record r = run_change(stmt, change, table);
    if (r.return_code != SQL_SUCCESS) return r;
    if (stmt.cursor.row_status_ptr != nullptr) {
        const SQLUSMALLINT status = kind == change_kind::update ? SQL_ROW_UPDATED : SQL_ROW_DELETED;
        store_into(reinterpret_cast<std::byte*>(stmt.cursor.row_status_ptr), status);
    }
    return diag_record::success();
}

}  // namespace

diag_record set_pos(handle::statement& stmt, SQLSETPOSIROW row_number, SQLUSMALLINT operation, SQLUSMALLINT) {
    if (!rewrite::contains_lower(stmt.result.text, "select") ||
        !handle::on_a_row(stmt.cursor.rowset_start, stmt.result.row_count))
        return failed("unsupported for not select");
    if (row_number != 1) return failed(fmt::format("unsupported row number: {}", row_number));
    switch (operation) {
    case SQL_POSITION: return diag_record::success();  // row 1 is the current row already
    case SQL_UPDATE: return change_current_row(stmt, change_kind::update);
    case SQL_DELETE: return change_current_row(stmt, change_kind::remove);
    default: return failed(fmt::format("unsupported operation: {}", operation));
    }
}

}  // namespace setpos_ops
