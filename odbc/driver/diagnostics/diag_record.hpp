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
};

struct state_row {
    std::string_view sqlstate;
    SQLRETURN return_code;
    std::string_view message;
};

inline constexpr std::array<state_row, 29> state_table{{
    {"00000", SQL_SUCCESS, "Success"},
    {"00000", SQL_NO_DATA, "No data"},
    {"01000", SQL_SUCCESS_WITH_INFO, "General warning"},
    {"01S02", SQL_SUCCESS_WITH_INFO, "Option value changed"},
    {"HY000", SQL_ERROR, "General error"},
    {"01004", SQL_SUCCESS_WITH_INFO, "String data, right-truncated"},
    {"08001", SQL_ERROR, "Client unable to establish connection"},
    {"08003", SQL_ERROR, "Connection not open"},
    {"HY013", SQL_ERROR, "Memory management error"},
    {"22003", SQL_ERROR, "Numeric value out of range"},
    {"07009", SQL_ERROR, "Invalid descriptor index"},
    {"", SQL_INVALID_HANDLE, "Invalid handle"},
    {"HY024", SQL_ERROR, "Invalid attribute value"},
    {"22002", SQL_ERROR, "Indicator variable required but not supplied"},
    {"07006", SQL_ERROR, "Restricted data type attribute violation"},
    {"HY009", SQL_ERROR, "Invalid use of null pointer"},
    {"28000", SQL_ERROR, "Invalid authorization specification"},
    {"HY090", SQL_ERROR, "Invalid string or buffer length"},
    {"HY110", SQL_ERROR, "Invalid driver completion"},
    {"HYC00", SQL_ERROR, "Optional feature not implemented"},
    {"HY092", SQL_ERROR, "Invalid attribute/option identifier"},
    {"42S02", SQL_ERROR, "Table doesn't exist"},
    {"01S07", SQL_SUCCESS_WITH_INFO, "Fractional truncation"},
    {"22018", SQL_ERROR, "Invalid character value for cast specification"},
    {"22008", SQL_ERROR, "Datetime field overflow"},
    {"HY008", SQL_ERROR, "Operation canceled"},
    {"HYT00", SQL_ERROR, "Timeout expired"},
    {"42000", SQL_ERROR, "Syntax error or access violation"},
    {"HY017", SQL_ERROR, "Invalid use of an automatically allocated descriptor handle"},
}};

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
