// The connection's attributes: the login and connection timeouts share one field; every
// other row reports its default.

#include <sql.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "attributes/attribute_tables.hpp"
#include "attributes/named_constant.hpp"

namespace attributes {

namespace {

using u32 = std::uint32_t;
using ulen = SQLULEN;
constexpr SQLPOINTER null_pointer = nullptr;

attribute_value timeout(handle::connection& dbc) { return u32{dbc.timeout}; }

void set_timeout(handle::connection& dbc, const attribute_value& value) {
    if (const auto* seconds = std::get_if<u32>(&value)) dbc.timeout = *seconds;
}

// SQL_ATTR_NOSCAN, a statement attribute, set on the connection for its later statements.
attribute_value noscan(handle::connection& dbc) { return ulen{dbc.noscan ? SQL_NOSCAN_ON : SQL_NOSCAN_OFF}; }

void set_noscan(handle::connection& dbc, const attribute_value& value) {
    if (const auto* scan = std::get_if<ulen>(&value)) dbc.noscan = *scan == SQL_NOSCAN_ON;
}

// SQLUINTEGER rows, except the pointers and the two that ODBC types as SQLULEN
// (SQL_ATTR_ASYNC_ENABLE and SQL_ATTR_ODBC_CURSORS).
constexpr auto connection_rows = std::to_array<attribute_row<handle::connection>>({
    {VDL_NAMED(SQL_ATTR_ACCESS_MODE), u32{0}},
    {119, "SQL_ATTR_ASYNC_DBC_EVENT", null_pointer},
    {VDL_NAMED(SQL_ATTR_ASYNC_DBC_FUNCTIONS_ENABLE), u32{0}},
    {VDL_NAMED(SQL_ATTR_ASYNC_ENABLE), ulen{0}},
    {VDL_NAMED(SQL_ATTR_AUTO_IPD), u32{0}},
    {VDL_NAMED(SQL_ATTR_AUTOCOMMIT), u32{1}},
    {VDL_NAMED(SQL_ATTR_CONNECTION_DEAD), u32{0}},
    {VDL_NAMED_ID(SQL_ATTR_CONNECTION_TIMEOUT), .value = u32{60}, .getter = timeout, .setter = set_timeout},
    {VDL_NAMED_ID(SQL_ATTR_CURRENT_CATALOG), .value = std::string_view(), .optional = true},
    {VDL_NAMED(SQL_ATTR_DISCONNECT_BEHAVIOR), u32{1}},
    {VDL_NAMED(SQL_ATTR_ENLIST_IN_DTC), null_pointer},
    {VDL_NAMED(SQL_ATTR_ENLIST_IN_XA), null_pointer},
    {VDL_NAMED_ID(SQL_ATTR_LOGIN_TIMEOUT), .value = u32{60}, .getter = timeout, .setter = set_timeout},
    {VDL_NAMED(SQL_ATTR_METADATA_ID), u32{0}},
    {VDL_NAMED_ID(SQL_ATTR_NOSCAN), .value = ulen{SQL_NOSCAN_OFF}, .getter = noscan, .setter = set_noscan},
    {VDL_NAMED(SQL_ATTR_ODBC_CURSORS), ulen{2}},
    {VDL_NAMED(SQL_ATTR_PACKET_SIZE), u32{128000000}},
    {VDL_NAMED(SQL_ATTR_QUIET_MODE), null_pointer},
    {VDL_NAMED(SQL_ATTR_TRACE), u32{1}},
    {VDL_NAMED(SQL_ATTR_TRACEFILE), std::string_view()},
    {VDL_NAMED(SQL_ATTR_TRANSLATE_LIB), null_pointer},
    {VDL_NAMED(SQL_ATTR_TRANSLATE_OPTION), u32{0}},
    {VDL_NAMED(SQL_ATTR_TXN_ISOLATION), u32{0}},
    {VDL_NAMED(SQL_ATTR_ANSI_APP), u32{1}},
    {VDL_NAMED(SQL_ATTR_RESET_CONNECTION), u32{1}},
    {1061, "SQL_ATTR_APP_WCHAR_TYPE", u32{2}},
    {1064, "SQL_ATTR_APP_UNICODE_TYPE", u32{2}},
    {1065, "SQL_ATTR_DRIVER_UNICODE_TYPE", u32{2}},
});
static_assert(named::ids_unique(connection_rows), "each attribute has one row");
static_assert(named::names_unique(connection_rows), "each name is written once");

}  // namespace

template <>
const attribute_table<handle::connection>& prepare_attributes<handle::connection>() {
    static const attribute_table<handle::connection> table{connection_rows};
    return table;
}

}  // namespace attributes
