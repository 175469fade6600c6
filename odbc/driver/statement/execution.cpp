#include "statement/execution.hpp"

#include <algorithm>
#include <optional>

#include <fmt/format.h>

#include "logger/logger.hpp"
#include "statement/result_installation.hpp"
#include "statement/rewrite_rules.hpp"

namespace execution {

namespace {

constexpr std::uint32_t table_does_not_exist = 0xB1000008u;

// Whether a later row of an integer column holds a double (a union of an integer and a double
// column, for example): the column is then read as doubles, which hold both.
bool holds_double_from(const vdl_result& result, std::uint32_t column, std::uint32_t row) {
    for (std::uint32_t r = row; r < result.row_count; ++r)
        if (result.rows[r][column].kind == VDL_CELL_DOUBLE) return true;
    return false;
}

// The kind of a column: that of its first non-NULL cell, widened to double for integers mixed
// with doubles.
std::size_t column_kind(const vdl_result& result, std::uint32_t column) {
    for (std::uint32_t r = 0; r < result.row_count; ++r) {
        switch (result.rows[r][column].kind) {
        case VDL_CELL_NULL: continue;
        case VDL_CELL_DOUBLE: return double_cells::kind;
        case VDL_CELL_BLOB:
        case VDL_CELL_STRING: return text_view_cells::kind;
        case VDL_CELL_INT64:
        case VDL_CELL_COUNT: return holds_double_from(result, column, r + 1) ? double_cells::kind : bigint_cells::kind;
        case VDL_CELL_TIMESTAMP: return timestamp_cells::kind;
        default: return 0;
        }
    }
    return 0;
}

// The database types values, not columns: a column can hold cells of several library kinds.
// `read` answers a cell of the column's kind, or of a kind whose value converts exactly; any other
// cell is stored as NULL, since its payload is not of the column's kind (a number read as a text
// pointer would point anywhere).
template <typename Cells, typename Read>
column_data fill(const vdl_result& result, std::uint32_t column, Read read) {
    Cells cells;
    cells.values.reserve(result.row_count);
    for (std::uint32_t r = 0; r < result.row_count; ++r) cells.values.emplace_back(read(result.rows[r][column]));
    return cells;
}

column_data read_column(const vdl_result& result, std::uint32_t column) {
    switch (column_kind(result, column)) {
    case double_cells::kind:
        return fill<double_cells>(result, column, [](const vdl_cell& c) -> std::optional<double> {
            switch (c.kind) {
            case VDL_CELL_DOUBLE: return c.payload.as_double;
            case VDL_CELL_INT64: return static_cast<double>(c.payload.as_int64);
            case VDL_CELL_COUNT: return static_cast<double>(c.payload.as_count);
            default: return std::nullopt;
            }
        });
    case text_view_cells::kind:
        // Blob and string payloads share the {pointer, length} layout.
        return fill<text_view_cells>(result, column, [](const vdl_cell& c) -> std::optional<std::string_view> {
            if (c.kind != VDL_CELL_STRING && c.kind != VDL_CELL_BLOB) return std::nullopt;
            return std::string_view(c.payload.as_string.data, c.payload.as_string.length);
        });
    case bigint_cells::kind:
        return fill<bigint_cells>(result, column, [](const vdl_cell& c) -> std::optional<std::int64_t> {
            switch (c.kind) {
            case VDL_CELL_INT64: return c.payload.as_int64;
            case VDL_CELL_COUNT: return static_cast<std::int64_t>(c.payload.as_count);
            default: return std::nullopt;
            }
        });
    case timestamp_cells::kind:
        return fill<timestamp_cells>(result, column, [](const vdl_cell& c) -> std::optional<timestamp_value> {
            if (c.kind != VDL_CELL_TIMESTAMP) return std::nullopt;
            return timestamp_value{c.payload.as_timestamp.seconds, c.payload.as_timestamp.nanoseconds};
        });
    default:
        return no_cells{};
    }
}

void store_rows_fetched(handle::statement& stmt) { report_rows_fetched(stmt); }

}  // namespace

std::vector<result_column> build_columns(const vdl_result& result, bool sort_by_name) {
    std::vector<result_column> columns;
    columns.reserve(result.column_count);
    for (std::uint32_t c = 0; c < result.column_count; ++c) {
        std::string name(result.names[c].data, result.names[c].length);
        auto column = result_column::of(std::move(name), read_column(result, c));
        log_line(logger::level::debug, "column info - name: {}, type_name: {}, size: {}", column.name,
                 column.type_name, column.column_size);
        columns.push_back(std::move(column));
    }
    if (sort_by_name) {
        std::sort(columns.begin(), columns.end(),
                  [](const result_column& a, const result_column& b) { return a.name < b.name; });
    }
    return columns;
}

diag_record execute_text(handle::statement& stmt, std::string_view raw) {
    std::string text(raw);
    log_line(logger::level::debug, "raw query: '{}'", text);

    if (text.empty()) {
        log_line(logger::level::debug, "empty query");
        clear_result(stmt);
        return diag_record::success();
    }
    if (text == "UNPREPARE") {
        clear_result(stmt);
        return diag_record::success();
    }
    if (text.size() >= 15 && text.find("vdl.statistics.") != std::string::npos) {
        clear_result(stmt);
        return diag_record(diag::state::general_warning,
                           "getting columns from vdl.statistics timeseries is not supported");
    }

    auto unwrapped = rewrite::unwrap(text);
    stmt.wrapped_flag = unwrapped.wrapped;
    text = rewrite::apply_row_limit(std::move(unwrapped.text), stmt.max_rows);
    log_line(logger::level::debug, "query: '{}'", text);

    // A statement outlives the connection it was allocated on only as a handle to free.
    if (stmt.cluster == nullptr)
        return diag_record(diag::state::connection_not_open, "statement needs a working connection.");

    vdl_result* raw_result = nullptr;
    const std::uint32_t status = vdl_query(stmt.cluster, text.c_str(), &raw_result);
    library_result result(raw_result);

    if (!stmt.prepared_text.empty() && stmt.parameter_count == 0) {
        log_line(logger::level::debug, "prepared executed");
        stmt.executed_flag = true;
    }
    if (status != 0) {
        // The library's status is the record's native error.
        diag_record failed = status == table_does_not_exist
                                 ? diag_record(diag::state::table_not_found, fmt::format("query error: {}", vdl_error(status)))
                                 : diag_record(diag::state::general_error,
                                               fmt::format("could not query, error: {}", vdl_error(status)));
        failed.native_error = static_cast<std::int32_t>(status);
        return failed;
    }
    // A statement without a result set (CREATE, INSERT, UPDATE, DELETE, DROP) leaves none: no
    // columns, no rows, and a row count the library cannot tell (SQLRowCount reads -1).
    if (!result) {
        clear_result(stmt);
        return diag_record::success();
    }

    const auto rows = static_cast<std::int64_t>(result->row_count);
    result_table table{build_columns(*result, stmt.wrapped_flag), std::move(result)};
    log_line(logger::level::debug, "query results got {} rows and {} columns", rows, table.columns.size());
    install_result(stmt, std::move(table), rows);
    return diag_record::success();
}

diag_record execute_prepared(handle::statement& stmt) {
    if (stmt.parameter_bindings.size() != stmt.parameter_count)
        return diag_record(diag::state::general_error, fmt::format("Expected {} parameters, got {}",
                                                                   stmt.parameter_count,
                                                                   stmt.parameter_bindings.size()));
    if (stmt.executed_flag || stmt.prepared_text.empty()) {
        if (stmt.result.columns.empty()) return diag_record::no_data();
        if (stmt.executed_flag) store_rows_fetched(stmt);
        return diag_record::success();
    }

    // Each value goes in place of the first marker after the previous value, so a "?" inside a
    // substituted value never takes a later parameter's place.
    std::string text = stmt.prepared_text;
    std::size_t from = 0;
    for (const auto& [index, binding] : stmt.parameter_bindings) {
        const auto marker = text.find('?', from);
        if (marker == std::string::npos)
            return diag_record(diag::state::general_error,
                               fmt::format("Could not prepare argument {} at index {}", binding.sql_type, index));
        const std::string value = render(binding, stmt.insert_flag);
        text.replace(marker, 1, value);
        from = marker + value.size();
    }
    return execute_text(stmt, text);
}

}  // namespace execution
