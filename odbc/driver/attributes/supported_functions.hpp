#pragma once
// The ODBC functions the driver reports through SQLGetFunctions.

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <string_view>

namespace attributes {

// The SQL_API_ODBC3_ALL_FUNCTIONS answer: bit (id mod 16) of word (id div 16) is set for
// each supported function identifier.
using function_bitmap = std::array<SQLUSMALLINT, SQL_API_ODBC3_ALL_FUNCTIONS_SIZE>;
const function_bitmap& supported_functions();

// The SQL_API_ name of a function identifier, for log lines; empty when it has none.
std::string_view function_name(SQLUSMALLINT id);

}  // namespace attributes
