#pragma once
// Preparation, parameters, execution and the description of result columns.

#include <sql.h>

#include <string_view>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"

namespace statement_ops {

diag_record prepare(handle::statement& stmt, std::string_view text);
diag_record num_params(handle::statement& stmt, SQLSMALLINT* count);
diag_record bind_parameter(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT io_type, SQLSMALLINT value_type,
                           SQLSMALLINT parameter_type, SQLULEN column_size, SQLSMALLINT decimal_digits,
                           SQLPOINTER value, SQLLEN buffer_length, SQLLEN* indicator);
diag_record exec_direct(handle::statement& stmt, std::string_view text);
diag_record execute(handle::statement& stmt);
// SQLNativeSql: the text as the store would receive it from SQLExecDirect on the connection.
diag_record native_sql(const handle::connection& dbc, std::string_view text, SQLCHAR* out, SQLINTEGER out_max,
                       SQLINTEGER* out_length);
diag_record row_count(handle::statement& stmt, SQLLEN* count);
diag_record free_stmt(handle::statement& stmt, SQLUSMALLINT option);
diag_record cancel(handle::statement& stmt);
// SQLCloseCursor: closes the cursor like SQLFreeStmt(SQL_CLOSE).
diag_record close_cursor(handle::statement& stmt);
// SQLDescribeParam: every marker is described as SQL_VARCHAR of size 0, nullability unknown.
diag_record describe_param(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT* data_type,
                           SQLULEN* parameter_size, SQLSMALLINT* decimal_digits, SQLSMALLINT* nullable);
diag_record num_result_cols(handle::statement& stmt, SQLSMALLINT* count);
diag_record describe_col(handle::statement& stmt, SQLUSMALLINT number, SQLCHAR* name, SQLSMALLINT buffer_length,
                         SQLSMALLINT* name_length, SQLSMALLINT* data_type, SQLULEN* column_size,
                         SQLSMALLINT* decimal_digits, SQLSMALLINT* nullable);
diag_record col_attribute(handle::statement& stmt, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER character,
                          SQLSMALLINT buffer_length, SQLSMALLINT* string_length, SQLLEN* numeric);

}  // namespace statement_ops
