#include "fetch/c_type_name.hpp"

#include <sqlext.h>

#include <array>

#include "attributes/named_constant.hpp"

namespace {

constexpr auto c_type_names = std::to_array<named::constant<SQLSMALLINT>>({
    {VDL_NAMED(SQL_C_CHAR)},      {VDL_NAMED(SQL_C_NUMERIC)},   {VDL_NAMED(SQL_C_LONG)},
    {VDL_NAMED(SQL_C_SHORT)},     {VDL_NAMED(SQL_C_FLOAT)},     {VDL_NAMED(SQL_C_DOUBLE)},
    {VDL_NAMED(SQL_C_TYPE_DATE)}, {VDL_NAMED(SQL_C_TYPE_TIME)}, {VDL_NAMED(SQL_C_TYPE_TIMESTAMP)},
    {VDL_NAMED(SQL_C_WCHAR)},     {VDL_NAMED(SQL_C_BINARY)},    {VDL_NAMED(SQL_C_UTINYINT)},
    {VDL_NAMED(SQL_C_UBIGINT)},   {VDL_NAMED(SQL_C_STINYINT)},  {VDL_NAMED(SQL_C_TINYINT)},
    {VDL_NAMED(SQL_C_DEFAULT)},   {VDL_NAMED(SQL_C_SBIGINT)},   {VDL_NAMED(SQL_C_ULONG)},
    {VDL_NAMED(SQL_C_USHORT)},    {VDL_NAMED(SQL_C_SLONG)},     {VDL_NAMED(SQL_C_SSHORT)},
    {VDL_NAMED(SQL_C_GUID)},      {VDL_NAMED(SQL_C_BIT)},
});
static_assert(named::ids_unique(c_type_names), "each C type has one name");
static_assert(named::names_unique(c_type_names), "each name is written once");

}  // namespace

std::string_view c_type_name(SQLSMALLINT c_type) noexcept {
    const auto name = named::name_of(c_type_names, c_type);
    return name.empty() ? "unknown type" : name;
}
