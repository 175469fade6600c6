#include "statement/statement_operations.hpp"

#include <fmt/format.h>

#include "diagnostics/copy_out_string.hpp"
#include "logger/logger.hpp"
#include "statement/escape_sequences.hpp"
#include "statement/execution.hpp"
#include "statement/odbc2_type_codes.hpp"
#include "statement/result_installation.hpp"
#include "statement/rewrite_rules.hpp"
#include "statement/statement_text.hpp"
#include "wide/wide_sql_types.hpp"

namespace statement_ops {

namespace {

std::string_view free_option_name(SQLUSMALLINT option) noexcept {
    switch (option) {
    case SQL_CLOSE: return "SQL_CLOSE";
    case SQL_DROP: return "SQL_DROP";
    case SQL_UNBIND: return "SQL_UNBIND";
    case SQL_RESET_PARAMS: return "SQL_RESET_PARAMS";
    default: return "unknown";
    }
}

// The ODBC version the statement's application declared on its environment.
std::int32_t odbc_version_of(const handle::statement& stmt) noexcept {
    const auto* dbc = stmt.parent != nullptr ? stmt.parent->get_if<handle::connection>() : nullptr;
    const auto* env = dbc != nullptr && dbc->parent != nullptr ? dbc->parent->get_if<handle::environment>() : nullptr;
    return env != nullptr ? env->odbc_version : SQL_OV_ODBC3;
}

// The text with its escape sequences translated, unless the application turned scanning off.
std::variant<std::string, diag_record> scanned_text(bool noscan, std::string_view text) {
    if (noscan) return std::string(text);
    auto translated = escapes::translate(text);
    if (const auto* done = std::get_if<std::string>(&translated); done != nullptr && *done != text)
        log_line(logger::level::debug, "escape sequences translated: '{}'", *done);
    return translated;
}

}  // namespace

diag_record prepare(handle::statement& stmt, std::string_view text) {
    log_line(logger::level::debug, "prepare query: '{}'", text);
    // A refused text leaves nothing prepared, so that no later SQLExecute runs an older text.
    const auto refuse = [&stmt](diag_record r) {
        stmt.prepared.reset();
        return r;
    };
    if (auto refusal = zero_byte_refusal(text)) return refuse(*std::move(refusal));
    // Escapes are translated once, here: the markers are those of the translated text, and an
    // escape that cannot be translated leaves nothing prepared.
    auto scanned = scanned_text(stmt.noscan, text);
    if (auto* refusal = std::get_if<diag_record>(&scanned)) return refuse(std::move(*refusal));
    const std::string& translated = std::get<std::string>(scanned);
    const auto markers = statement_text(translated).markers().size();
    if (markers > max_parameter_markers)
        return refuse(diag_record(diag::state::general_error,
                                  fmt::format("the statement text has {} parameter markers; at most {} are offered",
                                              markers, max_parameter_markers)));
    stmt.prepared.reset();
    stmt.prepared.parameter_count = static_cast<std::uint32_t>(markers);
    stmt.prepared.text = translated;
    const bool insert = rewrite::contains_lower(translated, "insert");
    execution::clear_result(stmt);
    if (insert) stmt.prepared.text = rewrite::rewrite_insert(stmt.prepared.text);
    stmt.prepared.stamps_insertion_time = insert && stmt.prepared.text != translated;
    stmt.prepared.markers = statement_text(stmt.prepared.text).markers();  // the insert rule adds none
    log_line(logger::level::debug, "prepared query: '{}' parameters: {} insert: {}", stmt.prepared.text,
             stmt.prepared.parameter_count, insert);
    return diag_record::success();
}

diag_record num_params(handle::statement& stmt, SQLSMALLINT* count) {
    // Prepare refuses more markers than a signed 16-bit count holds.
    if (count != nullptr) *count = static_cast<SQLSMALLINT>(stmt.prepared.parameter_count);
    return diag_record::success();
}

diag_record bind_parameter(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT io_type, SQLSMALLINT value_type,
                           SQLSMALLINT parameter_type, SQLULEN, SQLSMALLINT, SQLPOINTER value, SQLLEN buffer_length,
                           SQLLEN* indicator) {
    const auto index = static_cast<std::uint16_t>(number - 1);
    log_line(logger::level::debug, "bind type: {} - {}", parameter_type, sql_type_name(parameter_type));
    if (index >= stmt.prepared.parameter_count)
        return diag_record(diag::state::general_error,
                           fmt::format("could not bind parameter at index {}, parameter count is {}", index,
                                       stmt.prepared.parameter_count));
    // A wide-character type stands for the 8-bit type of the same shape: the value goes to the
    // store as UTF-8 text either way; an ODBC 2 date or time type for its ODBC 3 type.
    const SQLSMALLINT sql_type = odbc3_type_code(wide::narrow_sql_type(parameter_type));
    if (!is_accepted_parameter_type(sql_type))
        return diag_record(diag::state::general_error, fmt::format("unsupported target type: {}", parameter_type));
    // Values only go to the store: an output parameter's buffer holds nothing to send.
    if (io_type != SQL_PARAM_INPUT && io_type != SQL_PARAM_INPUT_OUTPUT)
        return diag_record(diag::state::optional_feature,
                           fmt::format("parameter {}: only input parameters are offered", number));
    // The buffers, the indicator included, are read at execution: an application may fill them
    // after binding, and with a bind offset their addresses are not even valid yet.
    const SQLSMALLINT c_type = buffers::concrete_c_type(value_type, parameter_type);
    if (auto refusal = buffers::unreadable_c_type(c_type))
        return diag_record(refusal->state, fmt::format("parameter {}: {}", number, refusal->reason));
    stmt.params.bindings.insert_or_assign(index, parameter_binding{sql_type, c_type, value, buffer_length, indicator});
    return diag_record::success();
}

diag_record exec_direct(handle::statement& stmt, std::string_view text) {
    // The text replaces a prepared one: nothing later (SQLNumResultCols running a prepared SELECT
    // early, SQLExecute taking an early result) may run or take the older text. The parameter
    // bindings stay, as they do across SQLPrepare.
    stmt.prepared.reset();
    if (auto refusal = zero_byte_refusal(text)) return *std::move(refusal);
    auto scanned = scanned_text(stmt.noscan, text);
    if (auto* refusal = std::get_if<diag_record>(&scanned)) return std::move(*refusal);
    return execution::execute_text(stmt, std::get<std::string>(std::move(scanned)));
}

diag_record native_sql(const handle::connection& dbc, std::string_view text, SQLCHAR* out, SQLINTEGER out_max,
                       SQLINTEGER* out_length) {
    if (auto refusal = zero_byte_refusal(text)) return *std::move(refusal);
    auto scanned = scanned_text(dbc.noscan, text);
    if (auto* refusal = std::get_if<diag_record>(&scanned)) return std::move(*refusal);
    // What execution sends for this text: the escapes translated and a custom-query wrapper
    // dealt with (a row limit belongs to a statement, not to the text).
    const auto native = rewrite::top_to_limit(rewrite::unwrap(std::get<std::string>(std::move(scanned))).text);
    copy_out_string(native, out, out_max, out_length);
    if (out != nullptr && out_max > 0 && native.size() >= static_cast<std::size_t>(out_max))
        return diag_record(
            diag::state::string_right_truncated,
            fmt::format("the translated text of {} bytes is cut to the buffer of {} bytes", native.size(), out_max));
    return diag_record::success();
}

diag_record execute(handle::statement& stmt) { return execution::execute_prepared(stmt); }

diag_record row_count(handle::statement& stmt, SQLLEN* count) {
    const SQLLEN rows = stmt.result.row_count == 0 ? -1 : static_cast<SQLLEN>(stmt.result.row_count);
    log_line(logger::level::debug, "row count: {}", rows);
    if (count != nullptr) *count = rows;
    return diag_record::success();
}

diag_record free_stmt(handle::statement& stmt, SQLUSMALLINT option) {
    log_line(logger::level::debug, "Option: {}", free_option_name(option));
    switch (option) {
    case SQL_CLOSE: stmt.cursor.close(); break;
    case SQL_UNBIND: stmt.cursor.unbind(); break;
    case SQL_RESET_PARAMS: stmt.params.unbind(); break;
    default: break;  // SQL_DROP leaves the handle to SQLFreeHandle
    }
    return diag_record::success();
}

diag_record cancel(handle::statement& stmt) {
    // Nothing of this statement runs (the frame interrupts a statement busy in another thread): an
    // ODBC 3 application's statement stays as it is; an ODBC 2 application's cursor is closed, as
    // SQLFreeStmt(SQL_CLOSE) closes it.
    if (odbc_version_of(stmt) == SQL_OV_ODBC2) stmt.cursor.close();
    return diag_record::success();
}

diag_record close_cursor(handle::statement& stmt) {
    // The Driver Manager answers 24000 itself for a statement without an open cursor; here closing
    // is always possible, and the result can be fetched again from its first row.
    stmt.cursor.close();
    return diag_record::success();
}

diag_record describe_param(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT* data_type,
                           SQLULEN* parameter_size, SQLSMALLINT* decimal_digits, SQLSMALLINT* nullable) {
    if (number == 0 || number > stmt.prepared.parameter_count)
        return diag_record(diag::state::invalid_descriptor_index,
                           fmt::format("parameter {} is not a marker of the statement, which has {}", number,
                                       stmt.prepared.parameter_count));
    // The store takes every value as text and converts it to the column's type, so any parameter
    // can be described as text of unknown nullability. Its size is not known either, but a size
    // of 0 makes applications that size their buffers by it (pyodbc's fast_executemany) send text
    // as data-at-execution, which is not offered: the common text limit of 4000 characters lets
    // them bind in place, and a longer value can still be bound with its own size.
    // The decimal digits mean nothing for text, but applications that bind a timestamp by this
    // description keep that many digits of its fraction (pyodbc's fast_executemany cuts a
    // datetime to whole seconds with 0): 9 keeps every digit of a nanosecond fraction.
    constexpr SQLULEN described_text_size = 4000;
    constexpr SQLSMALLINT described_fraction_digits = 9;
    if (data_type != nullptr) *data_type = SQL_VARCHAR;
    if (parameter_size != nullptr) *parameter_size = described_text_size;
    if (decimal_digits != nullptr) *decimal_digits = described_fraction_digits;
    if (nullable != nullptr) *nullable = SQL_NULLABLE_UNKNOWN;
    return diag_record::success();
}

}  // namespace statement_ops
