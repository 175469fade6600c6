#pragma once
// Environment, connection and statement attributes, SQLGetInfo and SQLGetFunctions: the
// work of the exports of the same names.

#include <sql.h>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"

namespace attributes {

diag_record set_env_attr(handle::environment& env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length);
diag_record get_env_attr(handle::environment& env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER buffer_length,
                         SQLINTEGER* string_length);
diag_record set_connect_attr(handle::connection& dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length);
diag_record get_connect_attr(handle::connection& dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER buffer_length,
                             SQLINTEGER* string_length);
diag_record set_stmt_attr(handle::statement& stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length);
diag_record get_stmt_attr(handle::statement& stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER buffer_length,
                          SQLINTEGER* string_length);
diag_record get_info(handle::connection& dbc, SQLUSMALLINT info_type, SQLPOINTER value, SQLSMALLINT buffer_length,
                     SQLSMALLINT* string_length);
diag_record get_functions(handle::connection& dbc, SQLUSMALLINT function_id, SQLUSMALLINT* supported);

}  // namespace attributes
