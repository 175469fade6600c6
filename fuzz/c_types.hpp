#pragma once
// The C types an application may name, with the size of one value in its memory, for the targets
// that lay out application buffers. Some codes the driver does not read or write are among them.

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <cstddef>

namespace fuzz {

struct c_type_size {
    SQLSMALLINT c_type;
    std::size_t size;  // 0: the buffer length decides
};

inline constexpr std::array<c_type_size, 29> c_types{{
    {SQL_C_CHAR, 0},
    {SQL_C_WCHAR, 0},
    {SQL_C_BINARY, 0},
    {SQL_C_SSHORT, sizeof(SQLSMALLINT)},
    {SQL_C_USHORT, sizeof(SQLUSMALLINT)},
    {SQL_C_SHORT, sizeof(SQLSMALLINT)},
    {SQL_C_SLONG, sizeof(SQLINTEGER)},
    {SQL_C_ULONG, sizeof(SQLUINTEGER)},
    {SQL_C_LONG, sizeof(SQLINTEGER)},
    {SQL_C_SBIGINT, sizeof(SQLBIGINT)},
    {SQL_C_UBIGINT, sizeof(SQLUBIGINT)},
    {SQL_C_STINYINT, sizeof(SQLSCHAR)},
    {SQL_C_UTINYINT, sizeof(SQLCHAR)},
    {SQL_C_TINYINT, sizeof(SQLSCHAR)},
    {SQL_C_BIT, sizeof(SQLCHAR)},
    {SQL_C_FLOAT, sizeof(SQLREAL)},
    {SQL_C_DOUBLE, sizeof(SQLDOUBLE)},
    {SQL_C_NUMERIC, sizeof(SQL_NUMERIC_STRUCT)},
    {SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT)},
    {SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT)},
    {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)},
    {SQL_C_DATE, sizeof(SQL_DATE_STRUCT)},
    {SQL_C_TIME, sizeof(SQL_TIME_STRUCT)},
    {SQL_C_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)},
    {SQL_C_GUID, sizeof(SQLGUID)},
    {SQL_C_INTERVAL_DAY, sizeof(SQL_INTERVAL_STRUCT)},
    {SQL_C_DEFAULT, sizeof(SQL_TIMESTAMP_STRUCT)},
    {SQL_C_NUMERIC, sizeof(SQL_NUMERIC_STRUCT)},
    {static_cast<SQLSMALLINT>(1234), 16},
}};

}  // namespace fuzz
