#pragma once
// The outcome of every handle operation and the one diagnostic record kept per handle.

#include <sql.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace diag {

// Row numbers of the fixed state table.
enum class state : std::int32_t {
    success = 0,
    no_data = 1,
    general_warning = 2,
    option_value_changed = 3,
    general_error = 4,
    string_right_truncated = 5,
    unable_to_connect = 6,
    connection_not_open = 7,
    memory_error = 8,
    numeric_out_of_range = 9,
    invalid_descriptor_index = 10,
    invalid_handle = 11,
    invalid_attribute_value = 12,
    indicator_required = 13,
    restricted_data_type = 14,
    invalid_null_pointer = 15,
    invalid_authorization = 16,
    invalid_buffer_length = 17,
    invalid_driver_completion = 18,
    optional_feature = 19,
    invalid_attribute_identifier = 20,
    table_not_found = 21,
    fractional_truncation = 22,
    invalid_character_value = 23,
    datetime_field_overflow = 24,
    operation_canceled = 25,
    timeout_expired = 26,
    syntax_error = 27,
    implicit_descriptor_use = 28,
    // Not a state: the number of states, placed after the last one so that it sizes the table.
    count
};

inline constexpr auto state_count = static_cast<std::size_t>(state::count);

struct state_row {
    state id;  // the row's own number, so that the table cannot drift from the enum
    std::string_view sqlstate;
    SQLRETURN return_code;
    std::string_view message;
};

// A state without its row leaves a row of state 0 at the end, which the check below refuses.
inline constexpr std::array<state_row, state_count> state_table{{
    {state::success, "00000", SQL_SUCCESS, "Success"},
    {state::no_data, "00000", SQL_NO_DATA, "No data"},
    {state::general_warning, "01000", SQL_SUCCESS_WITH_INFO, "General warning"},
    {state::option_value_changed, "01S02", SQL_SUCCESS_WITH_INFO, "Option value changed"},
    {state::general_error, "HY000", SQL_ERROR, "General error"},
    {state::string_right_truncated, "01004", SQL_SUCCESS_WITH_INFO, "String data, right-truncated"},
    {state::unable_to_connect, "08001", SQL_ERROR, "Client unable to establish connection"},
    {state::connection_not_open, "08003", SQL_ERROR, "Connection not open"},
    {state::memory_error, "HY013", SQL_ERROR, "Memory management error"},
    {state::numeric_out_of_range, "22003", SQL_ERROR, "Numeric value out of range"},
    {state::invalid_descriptor_index, "07009", SQL_ERROR, "Invalid descriptor index"},
    {state::invalid_handle, "", SQL_INVALID_HANDLE, "Invalid handle"},
    {state::invalid_attribute_value, "HY024", SQL_ERROR, "Invalid attribute value"},
    {state::indicator_required, "22002", SQL_ERROR, "Indicator variable required but not supplied"},
    {state::restricted_data_type, "07006", SQL_ERROR, "Restricted data type attribute violation"},
    {state::invalid_null_pointer, "HY009", SQL_ERROR, "Invalid use of null pointer"},
    {state::invalid_authorization, "28000", SQL_ERROR, "Invalid authorization specification"},
    {state::invalid_buffer_length, "HY090", SQL_ERROR, "Invalid string or buffer length"},
    {state::invalid_driver_completion, "HY110", SQL_ERROR, "Invalid driver completion"},
    {state::optional_feature, "HYC00", SQL_ERROR, "Optional feature not implemented"},
    {state::invalid_attribute_identifier, "HY092", SQL_ERROR, "Invalid attribute/option identifier"},
    {state::table_not_found, "42S02", SQL_ERROR, "Table doesn't exist"},
    {state::fractional_truncation, "01S07", SQL_SUCCESS_WITH_INFO, "Fractional truncation"},
    {state::invalid_character_value, "22018", SQL_ERROR, "Invalid character value for cast specification"},
    {state::datetime_field_overflow, "22008", SQL_ERROR, "Datetime field overflow"},
    {state::operation_canceled, "HY008", SQL_ERROR, "Operation canceled"},
    {state::timeout_expired, "HYT00", SQL_ERROR, "Timeout expired"},
    {state::syntax_error, "42000", SQL_ERROR, "Syntax error or access violation"},
    {state::implicit_descriptor_use, "HY017", SQL_ERROR, "Invalid use of an automatically allocated descriptor handle"},
}};

static_assert(
    [] {
        for (std::size_t i = 0; i < state_table.size(); ++i)
            if (static_cast<std::size_t>(state_table[i].id) != i) return false;
        return true;
    }(),
    "each state's row is at its number");

inline constexpr const state_row& row(state s) noexcept { return state_table[static_cast<std::size_t>(s)]; }

// The longest message a record keeps, in bytes: what an application's SQL_MAX_MESSAGE_LENGTH
// buffer holds with its terminating zero. A longer detail (a library error quoting a long
// statement) is cut on a character boundary and ends in "...".
inline constexpr std::size_t max_message_length = SQL_MAX_MESSAGE_LENGTH - 1;

// `message` cut to at most max_message_length bytes.
std::string fitted_message(std::string message);

}  // namespace diag

struct diag_record {
    std::int32_t state_code = 0;
    SQLRETURN return_code = SQL_SUCCESS;
    // Always one of the state table's texts (static storage), so that a record costs no copy of it.
    std::string_view sqlstate = "00000";
    std::string message;
    // SQLGetDiagRec's native error: the client library's status of a failure it reported, else 0.
    std::int32_t native_error = 0;

    // The initial record of a new handle: success with an empty message.
    diag_record() = default;
    // The row's return code, SQLSTATE and standard message; a success has no message (none is
    // ever handed out for it), which keeps the record every successful call makes free of copies.
    explicit diag_record(diag::state s)
        : state_code(static_cast<std::int32_t>(s)),
          return_code(diag::row(s).return_code),
          sqlstate(diag::row(s).sqlstate),
          message(diag::row(s).return_code == SQL_SUCCESS ? std::string_view{} : diag::row(s).message) {}
    // As above, with the message "[<SQLSTATE>] <standard message>: <detail>", cut to
    // diag::max_message_length.
    diag_record(diag::state s, std::string_view detail);

    [[nodiscard]] diag::state state() const noexcept { return static_cast<diag::state>(state_code); }
    // Success or no data: the outcomes that are not failures.
    [[nodiscard]] bool ok() const noexcept { return state_code == 0 || state_code == 1; }

    static diag_record success() { return diag_record(diag::state::success); }
    static diag_record no_data() { return diag_record(diag::state::no_data); }
};

// Name of an ODBC return code, for log lines.
std::string_view return_code_name(SQLRETURN rc) noexcept;
