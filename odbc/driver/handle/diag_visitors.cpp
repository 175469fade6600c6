#include "handle/diag_visitors.hpp"
#include "attributes/named_constant.hpp"

#include <sqlext.h>

#include <array>
#include <cstring>
#include <utility>

#include "diagnostics/copy_out_string.hpp"
#include "logger/logger.hpp"

namespace handle {

namespace {

// Field identifiers first, then the dynamic-function codes, then the record fields; where a
// dynamic-function code shares a field identifier's value, the field identifier's name wins.
constexpr auto identifier_names = std::to_array<named::constant<SQLSMALLINT>>({
    {VDL_NAMED(SQL_DIAG_RETURNCODE)},
    {VDL_NAMED(SQL_DIAG_NUMBER)},
    {VDL_NAMED(SQL_DIAG_ROW_COUNT)},
    {VDL_NAMED(SQL_DIAG_SQLSTATE)},
    {VDL_NAMED(SQL_DIAG_NATIVE)},
    {VDL_NAMED(SQL_DIAG_MESSAGE_TEXT)},
    {VDL_NAMED(SQL_DIAG_DYNAMIC_FUNCTION)},
    {VDL_NAMED(SQL_DIAG_CLASS_ORIGIN)},
    {VDL_NAMED(SQL_DIAG_SUBCLASS_ORIGIN)},
    {VDL_NAMED(SQL_DIAG_CONNECTION_NAME)},
    {VDL_NAMED(SQL_DIAG_SERVER_NAME)},
    {VDL_NAMED(SQL_DIAG_DYNAMIC_FUNCTION_CODE)},
    {VDL_NAMED(SQL_DIAG_ALTER_DOMAIN)},
    {VDL_NAMED(SQL_DIAG_ALTER_TABLE)},
    {VDL_NAMED(SQL_DIAG_CALL)},
    {VDL_NAMED(SQL_DIAG_CREATE_ASSERTION)},
    {VDL_NAMED(SQL_DIAG_CREATE_CHARACTER_SET)},
    {VDL_NAMED(SQL_DIAG_CREATE_COLLATION)},
    {VDL_NAMED(SQL_DIAG_CREATE_DOMAIN)},
    {VDL_NAMED(SQL_DIAG_CREATE_INDEX)},
    {VDL_NAMED(SQL_DIAG_CREATE_SCHEMA)},
    {VDL_NAMED(SQL_DIAG_CREATE_TABLE)},
    {VDL_NAMED(SQL_DIAG_CREATE_TRANSLATION)},
    {VDL_NAMED(SQL_DIAG_CREATE_VIEW)},
    {VDL_NAMED(SQL_DIAG_DELETE_WHERE)},
    {VDL_NAMED(SQL_DIAG_DROP_ASSERTION)},
    {VDL_NAMED(SQL_DIAG_DROP_CHARACTER_SET)},
    {VDL_NAMED(SQL_DIAG_DROP_COLLATION)},
    {VDL_NAMED(SQL_DIAG_DROP_DOMAIN)},
    {VDL_NAMED(SQL_DIAG_DROP_INDEX)},
    {VDL_NAMED(SQL_DIAG_DROP_SCHEMA)},
    {VDL_NAMED(SQL_DIAG_DROP_TABLE)},
    {VDL_NAMED(SQL_DIAG_DROP_TRANSLATION)},
    {VDL_NAMED(SQL_DIAG_DROP_VIEW)},
    {VDL_NAMED(SQL_DIAG_DYNAMIC_DELETE_CURSOR)},
    {VDL_NAMED(SQL_DIAG_DYNAMIC_UPDATE_CURSOR)},
    {VDL_NAMED(SQL_DIAG_GRANT)},
    {VDL_NAMED(SQL_DIAG_INSERT)},
    {VDL_NAMED(SQL_DIAG_REVOKE)},
    {VDL_NAMED(SQL_DIAG_SELECT_CURSOR)},
    {VDL_NAMED(SQL_DIAG_UNKNOWN_STATEMENT)},
    {VDL_NAMED(SQL_DIAG_UPDATE_WHERE)},
    {VDL_NAMED(SQL_DIAG_CURSOR_ROW_COUNT)},
    {VDL_NAMED(SQL_DIAG_ROW_NUMBER)},
    {VDL_NAMED(SQL_DIAG_COLUMN_NUMBER)},
});
static_assert(named::names_unique(identifier_names), "each name is written once");

constexpr std::string_view odbc_origin = "ODBC 3.0";
constexpr std::string_view iso_origin = "ISO 9075";

// The subclasses that ODBC defines within the CLI class HY.
constexpr std::array<std::string_view, 16> odbc_hy_subclasses{
    "HY095", "HY097", "HY098", "HY099", "HY100", "HY101", "HY103", "HY104",
    "HY105", "HY106", "HY107", "HY109", "HY110", "HY111", "HYT00", "HYT01",
};

template <typename T>
void store_number(SQLPOINTER info, SQLSMALLINT* string_length, T value) noexcept {
    if (info != nullptr) std::memcpy(info, &value, sizeof value);
    if (string_length != nullptr) *string_length = static_cast<SQLSMALLINT>(sizeof(T));
}

// Fields of the diagnostic header rather than of a record: they answer whatever the record number.
constexpr bool is_header_field(SQLSMALLINT identifier) noexcept {
    return identifier == SQL_DIAG_NUMBER || identifier == SQL_DIAG_RETURNCODE;
}

}  // namespace

std::string_view class_origin(std::string_view sqlstate) noexcept {
    return sqlstate.starts_with("IM") ? odbc_origin : iso_origin;
}

std::string_view subclass_origin(std::string_view sqlstate) noexcept {
    if (sqlstate.starts_with("IM")) return odbc_origin;
    // ODBC's own subclasses of standard classes begin with S: 01S02, 42S02, 08S01 ...
    if (sqlstate.size() == 5 && sqlstate[2] == 'S') return odbc_origin;
    for (const auto state : odbc_hy_subclasses)
        if (state == sqlstate) return odbc_origin;
    return iso_origin;
}

std::string_view diag_identifier_name(SQLSMALLINT identifier) noexcept {
    // The first entry with the value wins; an unknown value has an empty name.
    return named::name_of(identifier_names, identifier);
}

SQLRETURN get_diag_rec::read(const diag_record& record) const {
    if (record_number < 1 || buffer_length < 0) return SQL_ERROR;
    if (record_number != 1) return SQL_NO_DATA;
    log_line(logger::level::debug, "diag rect: {}", record.message);
    copy_out_string(record.sqlstate, sqlstate, 6, nullptr);
    if (native_error != nullptr) *native_error = record.native_error;
    if (record.return_code == SQL_SUCCESS) {
        copy_out_string(std::string_view{}, message_text, buffer_length, text_length);
    } else {
        copy_out_string(record.message, message_text, buffer_length, text_length);
    }
    return SQL_SUCCESS;
}

std::optional<SQLRETURN> get_diag_field::read_common(const diag_record& record) const {
    log_line(logger::level::debug, "get diag attribute: {} - {}", identifier, diag_identifier_name(identifier));
    log_line(logger::level::debug, "record number: {}", record_number);
    if (is_header_field(identifier)) {
        if (identifier == SQL_DIAG_RETURNCODE) {
            store_number<SQLRETURN>(info, string_length, record.return_code);
        } else {
            // A success or "no data" outcome leaves no status record; anything else is one record.
            store_number<SQLINTEGER>(info, string_length, record.ok() ? 0 : 1);
        }
        return SQL_SUCCESS;
    }
    if (record_number < 1) return SQL_ERROR;
    if (buffer_length < 0) return SQL_ERROR;
    if (record_number != 1) return SQL_NO_DATA;
    switch (identifier) {
    case SQL_DIAG_SQLSTATE: copy_out_string(record.sqlstate, info, buffer_length, string_length); return SQL_SUCCESS;
    case SQL_DIAG_MESSAGE_TEXT:
        // As SQLGetDiagRec: a success has no message.
        copy_out_string(record.return_code == SQL_SUCCESS ? std::string_view{} : std::string_view(record.message), info,
                        buffer_length, string_length);
        return SQL_SUCCESS;
    case SQL_DIAG_NATIVE: store_number<SQLINTEGER>(info, string_length, record.native_error); return SQL_SUCCESS;
    case SQL_DIAG_CLASS_ORIGIN:
        copy_out_string(class_origin(record.sqlstate), info, buffer_length, string_length);
        return SQL_SUCCESS;
    case SQL_DIAG_SUBCLASS_ORIGIN:
        copy_out_string(subclass_origin(record.sqlstate), info, buffer_length, string_length);
        return SQL_SUCCESS;
    case SQL_DIAG_CONNECTION_NAME:
        copy_out_string("vdl connection", info, buffer_length, string_length);
        return SQL_SUCCESS;
    case SQL_DIAG_SERVER_NAME:
    case SQL_DIAG_ROW_NUMBER:
    case SQL_DIAG_COLUMN_NUMBER: return std::nullopt;
    default: log_line(logger::level::error, "unsupported diag_identifer"); return SQL_ERROR;
    }
}

// The row (of a rowset, or set of parameters) a statement's record belongs to. The one record a
// handle keeps does not note it: a conversion of a value, which belongs to one row or one set,
// answers that the number is unknown, and any other record that it belongs to none.
SQLLEN row_number_of(const diag_record& record) noexcept {
    switch (record.state()) {
    case diag::state::string_right_truncated:
    case diag::state::numeric_out_of_range:
    case diag::state::indicator_required:
    case diag::state::restricted_data_type:
    case diag::state::fractional_truncation:
    case diag::state::invalid_character_value:
    case diag::state::datetime_field_overflow: return SQL_ROW_NUMBER_UNKNOWN;
    default: return SQL_NO_ROW_NUMBER;
    }
}

// Kind-specific fields (server name, row and column number) answer success without writing
// outside the kind they belong to.
SQLRETURN get_diag_field::read(const environment& k) const { return read_common(k.diagnostics).value_or(SQL_SUCCESS); }
SQLRETURN get_diag_field::read(const descriptor& k) const { return read_common(k.diagnostics).value_or(SQL_SUCCESS); }

SQLRETURN get_diag_field::read(const connection& k) const {
    if (auto rc = read_common(k.diagnostics)) return *rc;
    if (identifier == SQL_DIAG_SERVER_NAME) {
        // As SQL_DATA_SOURCE_NAME answers once connected.
        copy_out_string(k.settings.empty() ? std::string_view("vandrel") : std::string_view(k.data_source), info,
                        buffer_length, string_length);
    }
    return SQL_SUCCESS;
}

SQLRETURN get_diag_field::read(const statement& k) const {
    if (auto rc = read_common(k.diagnostics)) return *rc;
    if (identifier == SQL_DIAG_ROW_NUMBER) store_number<SQLLEN>(info, string_length, row_number_of(k.diagnostics));
    if (identifier == SQL_DIAG_COLUMN_NUMBER) store_number<SQLINTEGER>(info, string_length, 0);
    return SQL_SUCCESS;
}

}  // namespace handle
