#include "statement/execution.hpp"

#include <algorithm>
#include <optional>

#include <fmt/format.h>

#include "client/client_gate.hpp"
#include "logger/logger.hpp"
#include "statement/library_column_kinds.hpp"
#include "statement/parameter_substitution.hpp"
#include "statement/result_installation.hpp"
#include "statement/rewrite_rules.hpp"
#include "statement/statement_text.hpp"

namespace execution {

namespace {

// The kind of a column: that of its first non-NULL cell. An integer column that turns out to
// hold doubles too (a union of an integer and a double column, for example) is read again as
// doubles, which hold both (see read_rows).
std::size_t column_kind(const vdl_result& result, std::uint32_t column) {
    for (std::uint32_t r = 0; r < result.row_count; ++r) {
        switch (result.rows[r][column].kind) {
        case VDL_CELL_NULL: continue;
        case VDL_CELL_DOUBLE: return double_cells::kind;
        case VDL_CELL_BLOB:
        case VDL_CELL_STRING: return text_view_cells::kind;
        case VDL_CELL_INT64:
        case VDL_CELL_COUNT: return bigint_cells::kind;
        case VDL_CELL_TIMESTAMP: return timestamp_cells::kind;
        default: return 0;
        }
    }
    return 0;
}

// The cells of a column of the kind, sized for the rows, every one NULL.
column_data sized_column(std::size_t kind, std::uint32_t rows) {
    switch (kind) {
    case double_cells::kind: return double_cells{column_values<double>(rows)};
    case text_view_cells::kind: return text_view_cells{column_values<std::string_view>(rows)};
    case bigint_cells::kind: return bigint_cells{column_values<std::int64_t>(rows)};
    case timestamp_cells::kind: return timestamp_cells{column_values<timestamp_value>(rows)};
    default: return no_cells{};
    }
}

// The database types values, not columns: a column can hold cells of several library kinds.
// Each reader stores a cell of the column's kind, or of a kind whose value converts exactly; any
// other cell stays NULL, since its payload is not of the column's kind (a number read as a text
// pointer would point anywhere). Reads rows [first, last) of one column; returns false when an
// integer column met a double.
bool read_rows(column_data& data, const vdl_result& result, std::uint32_t column, std::uint32_t first,
               std::uint32_t last) {
    bool complete = true;
    const auto cell = [&](std::uint32_t r) -> const vdl_cell& { return result.rows[r][column]; };
    std::visit(
        [&](auto& cells) {
            using cells_type = std::decay_t<decltype(cells)>;
            auto& values = [&]() -> auto& {
                if constexpr (std::is_same_v<cells_type, no_cells>) {
                    return cells;
                } else {
                    return cells.values;
                }
            }
            ();
            for (std::uint32_t r = first; r < last; ++r) {
                const vdl_cell& c = cell(r);
                if constexpr (std::is_same_v<cells_type, double_cells>) {
                    switch (c.kind) {
                    case VDL_CELL_DOUBLE: values.set(r, c.payload.as_double); break;
                    case VDL_CELL_INT64: values.set(r, static_cast<double>(c.payload.as_int64)); break;
                    case VDL_CELL_COUNT: values.set(r, static_cast<double>(c.payload.as_count)); break;
                    default: break;
                    }
                } else if constexpr (std::is_same_v<cells_type, text_view_cells>) {
                    // Blob and string payloads share the {pointer, length} layout.
                    if (c.kind == VDL_CELL_STRING || c.kind == VDL_CELL_BLOB)
                        values.set(r, std::string_view(c.payload.as_string.data, c.payload.as_string.length));
                } else if constexpr (std::is_same_v<cells_type, bigint_cells>) {
                    switch (c.kind) {
                    case VDL_CELL_INT64: values.set(r, c.payload.as_int64); break;
                    case VDL_CELL_COUNT: values.set(r, static_cast<std::int64_t>(c.payload.as_count)); break;
                    case VDL_CELL_DOUBLE: complete = false; break;
                    default: break;
                    }
                } else if constexpr (std::is_same_v<cells_type, timestamp_cells>) {
                    if (c.kind == VDL_CELL_TIMESTAMP)
                        values.set(r,
                                   timestamp_value{c.payload.as_timestamp.seconds, c.payload.as_timestamp.nanoseconds});
                } else {
                    break;  // kind 0 stores nothing
                }
            }
        },
        data);
    return complete;
}

// One bit per library cell kind, to note the kinds a column holds.
constexpr unsigned kind_bit(std::int32_t kind) noexcept {
    return kind >= VDL_CELL_NULL && kind <= VDL_CELL_STRING ? 1u << static_cast<unsigned>(kind + 1) : 1u << 31;
}

// The library kinds whose cells a column of the kind can read in place: one payload layout each.
unsigned viewable_kinds(std::size_t kind) noexcept {
    switch (kind) {
    case double_cells::kind: return kind_bit(VDL_CELL_DOUBLE);
    case text_view_cells::kind: return kind_bit(VDL_CELL_STRING) | kind_bit(VDL_CELL_BLOB);
    case bigint_cells::kind: return kind_bit(VDL_CELL_INT64);
    case timestamp_cells::kind: return kind_bit(VDL_CELL_TIMESTAMP);
    default: return 0;
    }
}

// A column viewing its cells in the record.
column_data viewed_column(std::size_t kind, const vdl_result& result, std::uint32_t column) {
    const auto rows = static_cast<std::size_t>(result.row_count);
    switch (kind) {
    case double_cells::kind: return double_cells{column_values<double>::viewing(result.rows, rows, column)};
    case text_view_cells::kind:
        return text_view_cells{column_values<std::string_view>::viewing(result.rows, rows, column)};
    case bigint_cells::kind: return bigint_cells{column_values<std::int64_t>::viewing(result.rows, rows, column)};
    case timestamp_cells::kind:
        return timestamp_cells{column_values<timestamp_value>::viewing(result.rows, rows, column)};
    default: return no_cells{};
    }
}

// Every column of the result. A column whose cells are all of one payload layout (or NULL), as a
// library that keeps each column to one kind gives them, reads them in the record where they are:
// no copy, and no memory of its own. Any other column is copied, in blocks of rows read column by
// column while their cells are still in the processor's cache.
void read_columns(const vdl_result& result, std::vector<result_column>& columns) {
    constexpr std::uint32_t block_rows = 1024;
    const auto data = [&](std::uint32_t c) -> column_data& { return columns[c].data; };
    // Per column: its kind, and the library kinds it holds (one allocation for both).
    struct column_kinds {
        std::size_t kind = 0;
        unsigned held = 0;
    };
    std::vector<column_kinds> kinds(result.column_count);
    // A column without a non-NULL cell takes the kind the library tells, when it tells one.
    std::vector<std::size_t> told;
    for (std::uint32_t c = 0; c < result.column_count; ++c) {
        std::size_t& kind = kinds[c].kind;
        kind = column_kind(result, c);
        if (kind == 0 && told.empty()) told = library_column_kinds(result);
        if (kind == 0 && c < told.size()) kind = told[c];
    }
    for (std::uint32_t r = 0; r < result.row_count; ++r) {
        const vdl_cell* row = result.rows[r];
        for (std::uint32_t c = 0; c < result.column_count; ++c) kinds[c].held |= kind_bit(row[c].kind);
    }
    std::vector<std::uint32_t> copied;
    for (std::uint32_t c = 0; c < result.column_count; ++c) {
        const auto [kind, held] = kinds[c];
        const unsigned viewable = viewable_kinds(kind);
        if (viewable != 0 && (held & ~(viewable | kind_bit(VDL_CELL_NULL))) == 0) {
            data(c) = viewed_column(kind, result, c);
        } else {
            data(c) = sized_column(kind, result.row_count);
            if (kind != 0) copied.push_back(c);  // kind 0 stores nothing
        }
    }
    if (copied.empty()) return;
    // An integer column that meets a double is read no further, and read again as doubles at the
    // end; such columns are rare, so they are noted only when met.
    std::vector<std::uint32_t> widened;
    const auto is_widened = [&](std::uint32_t c) {
        return !widened.empty() && std::find(widened.begin(), widened.end(), c) != widened.end();
    };
    for (std::uint32_t first = 0; first < result.row_count; first += block_rows) {
        const std::uint32_t last = result.row_count - first < block_rows ? result.row_count : first + block_rows;
        for (const std::uint32_t c : copied)
            if (!is_widened(c) && !read_rows(data(c), result, c, first, last)) widened.push_back(c);
    }
    for (const std::uint32_t c : widened) {
        data(c) = sized_column(double_cells::kind, result.row_count);
        read_rows(data(c), result, c, 0, result.row_count);
    }
}

// The store names an expression column after its text, which may hold a long literal (select
// 'x...x'): a name is cut to the longest the driver reports (SQL_MAX_COLUMN_NAME_LEN), on a
// character boundary, so that no client is handed a name it cannot take (lengths are 16-bit).
void cap_column_name(std::string& name) {
    if (name.size() <= max_column_name_length) return;
    std::size_t end = max_column_name_length;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    log_line(logger::level::info, "column name of {} bytes cut to {}", name.size(), end);
    name.resize(end);
}

bool succeeded(const diag_record& r) noexcept {
    return r.return_code == SQL_SUCCESS || r.return_code == SQL_SUCCESS_WITH_INFO;
}

// The detail of a record, without the prefix its state gave it.
std::string_view detail_of(const diag_record& r) {
    std::string_view detail = r.message;
    const auto prefix = fmt::format("[{}] {}: ", r.sqlstate, diag::row(r.state()).message);
    if (detail.starts_with(prefix)) detail.remove_prefix(prefix.size());
    return detail;
}

// A record of one parameter set among several, its detail prefixed with the set's number.
diag_record in_set(const diag_record& r, SQLULEN set, SQLULEN count) {
    if (count == 1) return r;
    return diag_record(r.state(), fmt::format("parameter set {} of {}: {}", set + 1, count, detail_of(r)));
}

// The record of a set that the store refused after `stored` earlier sets were applied: the store
// has no transactions, so those stay, and the application must know it.
diag_record failed_after(const diag_record& r, SQLULEN set, SQLULEN count, SQLULEN stored) {
    if (count == 1) return r;
    diag_record failed(r.state(),
                       fmt::format("parameter set {} of {}: {} ({} earlier {} stored and not undone: the store has no "
                                   "transactions)",
                                   set + 1, count, detail_of(r), stored, stored == 1 ? "set was" : "sets were"));
    failed.native_error = r.native_error;
    return failed;
}

bool ignored(const parameter_sets& sets, SQLULEN set) noexcept {
    return sets.operations != nullptr && sets.operations[set] == SQL_PARAM_IGNORE;
}

void set_status(const parameter_sets& sets, SQLULEN set, SQLUSMALLINT status) noexcept {
    if (sets.statuses != nullptr) sets.statuses[set] = status;
}

void set_processed(const parameter_sets& sets, SQLULEN count) noexcept {
    if (sets.processed != nullptr) *sets.processed = count;
}

// Runs the prepared text once per parameter set. Every set is rendered before the first runs,
// so a value that cannot be sent stops the execution before the store is asked anything (no set
// processed, that set's status an error, every other unused); a failure of the store stops it at
// that set, whose number the record carries with the number of sets already stored.
diag_record run_parameter_sets(handle::statement& stmt) {
    const std::vector<std::size_t>& markers = stmt.prepared.markers;
    const parameter_sets& sets = stmt.params.sets;
    const SQLULEN count = markers.empty() ? 1 : std::max<SQLULEN>(sets.size, 1);
    set_processed(sets, 0);
    for (SQLULEN set = 0; set < count; ++set) set_status(sets, set, SQL_PARAM_UNUSED);

    std::vector<std::string> texts(count);
    for (SQLULEN set = 0; set < count; ++set) {
        if (ignored(sets, set)) continue;
        auto text = substitute(stmt.prepared.text, markers, stmt.params.bindings, sets, set);
        if (auto* refusal = std::get_if<diag_record>(&text)) {
            set_status(sets, set, SQL_PARAM_ERROR);
            return in_set(*refusal, set, count);
        }
        texts[set] = std::get<std::string>(std::move(text));
        if (stmt.prepared.stamps_insertion_time) rewrite::stamp_insertion_time(texts[set]);
    }

    diag_record outcome = diag_record::success();
    SQLULEN stored = 0;
    for (SQLULEN set = 0; set < count; ++set) {
        if (ignored(sets, set)) continue;
        auto r = execute_text(stmt, std::move(texts[set]));
        set_processed(sets, set + 1);
        if (!succeeded(r)) {
            set_status(sets, set, SQL_PARAM_ERROR);
            return failed_after(r, set, count, stored);
        }
        ++stored;
        const bool info = r.return_code == SQL_SUCCESS_WITH_INFO;
        set_status(sets, set, info ? SQL_PARAM_SUCCESS_WITH_INFO : SQL_PARAM_SUCCESS);
        if (info && outcome.return_code == SQL_SUCCESS) outcome = in_set(r, set, count);
    }
    set_processed(sets, count);
    return outcome;
}

// What a text is run for.
enum class run_purpose { execution, description };

// Runs a text for an execution, or for the describing run of a prepared query with markers: that
// one reads no rows, leaves a result of no rows and no text (it is not the execution the
// application asked for), and logs its text as the describing query rather than as a query sent.
diag_record run_text(handle::statement& stmt, std::string raw, run_purpose purpose) {
    const bool describing = purpose == run_purpose::description;
    if (auto refusal = zero_byte_refusal(raw)) return *std::move(refusal);

    if (raw.empty()) {
        log_line(logger::level::debug, "empty query");
        clear_result(stmt);
        return diag_record::success();
    }
    if (raw == "UNPREPARE") {
        clear_result(stmt);
        return diag_record::success();
    }
    if (raw.size() >= 15 && raw.find("vdl.statistics.") != std::string::npos) {
        clear_result(stmt);
        return diag_record(diag::state::general_warning,
                           "getting columns from vdl.statistics timeseries is not supported");
    }

    // The text as the application gave it, kept with the result it makes (SQLSetPos reads its table).
    if (!describing) stmt.result.next_text.assign(raw);
    auto unwrapped = rewrite::unwrap(std::move(raw));
    const bool wrapped = unwrapped.wrapped;
    // Describing needs the columns, not the rows: a query whose markers, as NULL, still select rows
    // (`... WHERE ? IS NULL OR ...`) reads none of them, and its columns are those of an empty result.
    std::string top_limited = rewrite::top_to_limit(std::move(unwrapped.text));
    const std::string text = describing ? rewrite::without_rows(std::move(top_limited))
                                        : rewrite::apply_row_limit(std::move(top_limited), stmt.max_rows);
    if (describing) log_line(logger::level::debug, "describing query: '{}'", text);
    else log_line(logger::level::debug, "query: '{}'", text);

    if (auto refusal = client::without_connection(stmt)) return *std::move(refusal);

    auto [status, result] = client::query(stmt, text);
    if (status != VDL_OK) return client::execution_failure(status);
    // A statement without a result set (CREATE, INSERT, UPDATE, DELETE, DROP) leaves none: no
    // columns, no rows, and a row count the library cannot tell (SQLRowCount reads -1).
    if (!result) {
        clear_result(stmt);
        return diag_record::success();
    }

    // SQL_ATTR_MAX_ROWS holds whatever the text: a result is read no further than the maximum.
    auto rows = describing ? std::int64_t{0} : static_cast<std::int64_t>(result->row_count);
    if (stmt.max_rows != 0 && static_cast<std::uint64_t>(rows) > stmt.max_rows) {
        log_line(logger::level::debug, "result cut from {} rows to the maximum of {}", rows, stmt.max_rows);
        rows = static_cast<std::int64_t>(stmt.max_rows);
    }
    result_table table{build_columns(*result, wrapped), std::move(result)};
    if (stmt.prepared.parameter_count > 0) widen_text_columns(table.columns, prepared_text_column_size);
    log_line(logger::level::debug, "query results got {} rows and {} columns", rows, table.columns.size());
    install_result(stmt, std::move(table), rows);
    if (!describing) std::swap(stmt.result.text, stmt.result.next_text);
    return diag_record::success();
}

}  // namespace

std::vector<result_column> build_columns(const vdl_result& result, bool sort_by_name) {
    // Built in place: the cells are read straight into their columns.
    std::vector<result_column> columns(result.column_count);
    read_columns(result, columns);
    for (std::uint32_t c = 0; c < result.column_count; ++c) {
        auto& column = columns[c];
        column.name.assign(result.names[c].data, result.names[c].length);
        cap_column_name(column.name);
        column.describe_from_data();
        log_line(logger::level::debug, "column info - name: {}, type_name: {}, size: {}", column.name, column.type_name,
                 column.column_size);
    }
    if (sort_by_name) {
        std::sort(columns.begin(), columns.end(),
                  [](const result_column& a, const result_column& b) { return a.name < b.name; });
    }
    return columns;
}

diag_record execute_text(handle::statement& stmt, std::string raw) {
    log_line(logger::level::debug, "raw query: '{}'", raw);
    return run_text(stmt, std::move(raw), run_purpose::execution);
}

diag_record execute_prepared(handle::statement& stmt) {
    // Every marker needs a binding; bindings beyond the markers (left from an earlier text, as
    // bindings survive SQLPrepare) are ignored, as ODBC has it.
    // (SQLPrepare keeps the marker count within 16 bits.)
    const auto beyond = stmt.params.bindings.lower_bound(static_cast<std::uint16_t>(stmt.prepared.parameter_count));
    const auto bound = static_cast<std::size_t>(std::distance(stmt.params.bindings.begin(), beyond));
    if (bound != stmt.prepared.parameter_count)
        return diag_record(diag::state::general_error,
                           fmt::format("Expected {} parameters, got {}", stmt.prepared.parameter_count, bound));
    // The result of an early execution (to describe the columns) is this execution's result.
    if (stmt.prepared.early_result_waiting) {
        stmt.prepared.early_result_waiting = false;
        log_line(logger::level::debug, "prepared executed");
        return diag_record::success();
    }
    if (stmt.prepared.text.empty())
        return stmt.result.table.columns.empty() ? diag_record::no_data() : diag_record::success();
    return run_parameter_sets(stmt);
}

diag_record execute_early(handle::statement& stmt) {
    if (!stmt.result.table.columns.empty() || stmt.prepared.text.empty() || stmt.prepared.early_result_waiting ||
        !statement_text(stmt.prepared.text).is_query())
        return diag_record::success();
    // A text with markers is described as it will run, from a run with NULL for every marker:
    // whatever values are bound now (their buffers may not even be valid before SQLExecute) are
    // not read, and SQLExecute runs the text again with the values bound then.
    if (stmt.prepared.parameter_count > 0) {
        log_line(logger::level::debug, "describe with NULL for {} parameters", stmt.prepared.parameter_count);
        return run_text(stmt, substitute_nulls(stmt.prepared.text, stmt.prepared.markers), run_purpose::description);
    }
    log_line(logger::level::debug, "call execute");
    auto r = execute_prepared(stmt);
    if (succeeded(r)) stmt.prepared.early_result_waiting = true;
    return r;
}

}  // namespace execution
