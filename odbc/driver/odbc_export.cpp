// Every function the driver exports. Most write their call line and hand their work to the
// frame; SQLGetDiagRec and SQLGetDiagField read a handle's record without replacing it,
// SQLEndTran answers at once (there are no transactions), and the functions not offered post
// their reason through frame::not_offered. No export calls another export.

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include "attributes/attribute_operations.hpp"
#include "catalog/catalog_operations.hpp"
#include "connection/connect.hpp"
#include "fetch/c_type_name.hpp"
#include "fetch/fetch_operations.hpp"
#include "frame.hpp"
#include "handle/allocation.hpp"
#include "handle/diag_visitors.hpp"
#include "logger/logger.hpp"
#include "setpos/set_pos.hpp"
#include "setup/setup_entry.hpp"
#include "statement/statement_operations.hpp"

using frame::text_arg;
using handle::connection;
using handle::environment;
using handle::statement;
using logger::level;

// The exports are the only symbols the library shows; everything else stays hidden.
#pragma GCC visibility push(default)
extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT HandleType, SQLHANDLE InputHandle, SQLHANDLE* OutputHandle) {
    log_line(level::debug, "SQLAllocHandle");
    return frame::call_status([&] { return handle::allocate_handle(HandleType, InputHandle, OutputHandle); });
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT HandleType, SQLHANDLE Handle) {
    log_line(level::debug, "SQLFreeHandle");
    return frame::call_status([&] { return handle::free_handle(HandleType, Handle); });
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT, SQLHANDLE, SQLSMALLINT) {
    // There are no transactions: every statement is committed as it runs.
    log_line(level::debug, "SQLEndTran");
    return SQL_SUCCESS;
}

// ---- diagnostics ----

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber, SQLCHAR* Sqlstate,
                                SQLINTEGER* NativeError, SQLCHAR* MessageText, SQLSMALLINT BufferLength,
                                SQLSMALLINT* TextLength) {
    log_line(level::debug, "{} fHandleType: {}, iRecord: {}", "SQLGetDiagRec", HandleType, RecNumber);
    if (Handle == nullptr) return SQL_INVALID_HANDLE;
    return visit_handle(*static_cast<variant_handle*>(Handle),
                        handle::get_diag_rec{RecNumber, Sqlstate, NativeError, MessageText, BufferLength, TextLength});
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                  SQLSMALLINT DiagIdentifier, SQLPOINTER DiagInfo, SQLSMALLINT BufferLength,
                                  SQLSMALLINT* StringLength) {
    log_line(level::debug, "{} fHandleType: {}, iRecord: {}, filed: {}", "SQLGetDiagField", HandleType, RecNumber,
             DiagIdentifier);
    if (Handle == nullptr) return SQL_INVALID_HANDLE;
    return visit_handle(*static_cast<variant_handle*>(Handle),
                        handle::get_diag_field{RecNumber, DiagIdentifier, DiagInfo, BufferLength, StringLength});
}

// ---- attributes and capabilities ----

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                SQLINTEGER StringLength) {
    log_line(level::debug, "SQLSetEnvAttr");
    return frame::call<environment>(EnvironmentHandle, [&](environment& env) {
        return attributes::set_env_attr(env, Attribute, Value, StringLength);
    });
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                SQLINTEGER BufferLength, SQLINTEGER* StringLength) {
    log_line(level::debug, "{} attribute {}", "SQLGetEnvAttr", Attribute);
    return frame::call<environment>(EnvironmentHandle, [&](environment& env) {
        return attributes::get_env_attr(env, Attribute, Value, BufferLength, StringLength);
    });
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                    SQLINTEGER StringLength) {
    log_line(level::debug, "SQLSetConnectAttr");
    return frame::call<connection>(ConnectionHandle, [&](connection& dbc) {
        return attributes::set_connect_attr(dbc, Attribute, Value, StringLength);
    });
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                    SQLINTEGER BufferLength, SQLINTEGER* StringLength) {
    log_line(level::debug, "SQLGetConnectAttr");
    return frame::call<connection>(ConnectionHandle, [&](connection& dbc) {
        return attributes::get_connect_attr(dbc, Attribute, Value, BufferLength, StringLength);
    });
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                 SQLINTEGER StringLength) {
    log_line(level::debug, "SQLSetStmtAttr");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return attributes::set_stmt_attr(stmt, Attribute, Value, StringLength);
    });
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                 SQLINTEGER BufferLength, SQLINTEGER* StringLength) {
    log_line(level::debug, "SQLGetStmtAttr");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return attributes::get_stmt_attr(stmt, Attribute, Value, BufferLength, StringLength);
    });
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType, SQLPOINTER InfoValue,
                             SQLSMALLINT BufferLength, SQLSMALLINT* StringLength) {
    log_line(level::debug, "SQLGetInfo");
    return frame::call<connection>(ConnectionHandle, [&](connection& dbc) {
        return attributes::get_info(dbc, InfoType, InfoValue, BufferLength, StringLength);
    });
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC ConnectionHandle, SQLUSMALLINT FunctionId, SQLUSMALLINT* Supported) {
    log_line(level::debug, "{} id {}", "SQLGetFunctions", FunctionId);
    return frame::call<connection>(
        ConnectionHandle, [&](connection& dbc) { return attributes::get_functions(dbc, FunctionId, Supported); });
}

// ---- connecting ----

SQLRETURN SQL_API SQLConnect(SQLHDBC ConnectionHandle, SQLCHAR* ServerName, SQLSMALLINT NameLength1, SQLCHAR* UserName,
                             SQLSMALLINT NameLength2, SQLCHAR* Authentication, SQLSMALLINT NameLength3) {
    return frame::call<connection>(ConnectionHandle, [&](connection& dbc) {
        return connection_ops::connect(dbc, text_arg(ServerName, NameLength1), text_arg(UserName, NameLength2),
                                       text_arg(Authentication, NameLength3));
    });
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC hdbc, SQLHWND hwnd, SQLCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                                   SQLCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut,
                                   SQLUSMALLINT fDriverCompletion) {
    return frame::call<connection>(hdbc, [&](connection& dbc) {
        return connection_ops::driver_connect(dbc, hwnd, text_arg(szConnStrIn, cbConnStrIn), szConnStrOut,
                                              cbConnStrOutMax, pcbConnStrOut, fDriverCompletion);
    });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC ConnectionHandle) {
    log_line(level::debug, "SQLDisconnect");
    return frame::call<connection>(ConnectionHandle, [&](connection& dbc) { return connection_ops::disconnect(dbc); });
}

// ---- statements ----

SQLRETURN SQL_API SQLPrepare(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength) {
    log_line(level::debug, "SQLPrepare");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return statement_ops::prepare(stmt, text_arg(StatementText, TextLength));
    });
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT hstmt, SQLSMALLINT* pcpar) {
    log_line(level::debug, "SQLNumParams");
    return frame::call<statement>(hstmt, [&](statement& stmt) { return statement_ops::num_params(stmt, pcpar); });
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT hstmt, SQLUSMALLINT ipar, SQLSMALLINT fParamType, SQLSMALLINT fCType,
                                   SQLSMALLINT fSqlType, SQLULEN cbColDef, SQLSMALLINT ibScale, SQLPOINTER rgbValue,
                                   SQLLEN cbValueMax, SQLLEN* pcbValue) {
    log_line(level::debug, "{} parameter:{} io:{} value type:{} parameter type:{}", "SQLBindParameter", ipar,
             fParamType, c_type_name(fCType), fSqlType);
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return statement_ops::bind_parameter(stmt, ipar, fParamType, fCType, fSqlType, cbColDef, ibScale, rgbValue,
                                             cbValueMax, pcbValue);
    });
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength) {
    log_line(level::debug, "SQLExecDirect");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return statement_ops::exec_direct(stmt, text_arg(StatementText, TextLength));
    });
}

SQLRETURN SQL_API SQLNativeSql(SQLHDBC ConnectionHandle, SQLCHAR* InStatementText, SQLINTEGER TextLength1,
                               SQLCHAR* OutStatementText, SQLINTEGER BufferLength, SQLINTEGER* TextLength2Ptr) {
    log_line(level::debug, "SQLNativeSql");
    return frame::call<connection>(ConnectionHandle, [&](connection& dbc) {
        if (InStatementText == nullptr)
            return diag_record(diag::state::invalid_null_pointer, "SQLNativeSql needs a statement text");
        return statement_ops::native_sql(dbc, text_arg(InStatementText, TextLength1), OutStatementText, BufferLength,
                                         TextLength2Ptr);
    });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT StatementHandle) {
    log_line(level::debug, "SQLExecute");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) { return statement_ops::execute(stmt); });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT StatementHandle, SQLLEN* RowCount) {
    log_line(level::debug, "SQLRowCount");
    return frame::call<statement>(StatementHandle,
                                  [&](statement& stmt) { return statement_ops::row_count(stmt, RowCount); });
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT StatementHandle, SQLUSMALLINT Option) {
    log_line(level::debug, "SQLFreeStmt");
    return frame::call<statement>(StatementHandle,
                                  [&](statement& stmt) { return statement_ops::free_stmt(stmt, Option); });
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT StatementHandle) {
    log_line(level::debug, "SQLCancel");
    return frame::cancel(StatementHandle, [&](statement& stmt) { return statement_ops::cancel(stmt); });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT StatementHandle) {
    log_line(level::debug, "SQLCloseCursor");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) { return statement_ops::close_cursor(stmt); });
}

SQLRETURN SQL_API SQLDescribeParam(SQLHSTMT hstmt, SQLUSMALLINT ipar, SQLSMALLINT* pfSqlType, SQLULEN* pcbParamDef,
                                   SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable) {
    log_line(level::debug, "{} parameter {}", "SQLDescribeParam", ipar);
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return statement_ops::describe_param(stmt, ipar, pfSqlType, pcbParamDef, pibScale, pfNullable);
    });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCount) {
    log_line(level::debug, "SQLNumResultCols");
    return frame::call<statement>(StatementHandle,
                                  [&](statement& stmt) { return statement_ops::num_result_cols(stmt, ColumnCount); });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLCHAR* ColumnName,
                                 SQLSMALLINT BufferLength, SQLSMALLINT* NameLength, SQLSMALLINT* DataType,
                                 SQLULEN* ColumnSize, SQLSMALLINT* DecimalDigits, SQLSMALLINT* Nullable) {
    log_line(level::debug, "{} column:{}", "SQLDescribeCol", ColumnNumber);
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return statement_ops::describe_col(stmt, ColumnNumber, ColumnName, BufferLength, NameLength, DataType,
                                           ColumnSize, DecimalDigits, Nullable);
    });
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLUSMALLINT FieldIdentifier,
                                  SQLPOINTER CharacterAttribute, SQLSMALLINT BufferLength, SQLSMALLINT* StringLength,
                                  SQLLEN* NumericAttribute) {
    // A call line like every other's: at Error it would put an error line into the log for each
    // column an application (isql, pyodbc) describes.
    log_line(level::debug, "{} column:{} field: {}", "SQLColAttribute", ColumnNumber, FieldIdentifier);
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return statement_ops::col_attribute(stmt, ColumnNumber, FieldIdentifier, CharacterAttribute, BufferLength,
                                            StringLength, NumericAttribute);
    });
}

SQLRETURN SQL_API SQLColAttributes(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLUSMALLINT fDescType, SQLPOINTER rgbDesc,
                                   SQLSMALLINT cbDescMax, SQLSMALLINT* pcbDesc, SQLLEN* pfDesc) {
    log_line(level::debug, "{} column:{} field: {}", "SQLColAttributes", icol, fDescType);
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return statement_ops::col_attribute(stmt, icol, fDescType, rgbDesc, cbDescMax, pcbDesc, pfDesc);
    });
}

// ---- fetching ----

SQLRETURN SQL_API SQLBindCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
                             SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind) {
    log_line(level::debug, "{} column {} to {}", "SQLBindCol", ColumnNumber, c_type_label{TargetType});
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return fetch_ops::bind_col(stmt, ColumnNumber, TargetType, TargetValue, BufferLength, StrLen_or_Ind);
    });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT StatementHandle) {
    log_line(level::debug, "SQLFetch");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) { return fetch_ops::fetch(stmt); });
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT StatementHandle, SQLSMALLINT FetchOrientation, SQLLEN FetchOffset) {
    log_line(level::debug, "SQLFetchScroll");
    return frame::call<statement>(
        StatementHandle, [&](statement& stmt) { return fetch_ops::fetch_scroll(stmt, FetchOrientation, FetchOffset); });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT hstmt) {
    log_line(level::debug, "SQLMoreResults");
    return frame::call<statement>(hstmt, [&](statement& stmt) { return fetch_ops::more_results(stmt); });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
                             SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind) {
    log_line(level::debug, "{} parameter {} type {}", "SQLGetData", ColumnNumber, c_type_label{TargetType});
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return fetch_ops::get_data(stmt, ColumnNumber, TargetType, TargetValue, BufferLength, StrLen_or_Ind);
    });
}

// ---- catalog ----

SQLRETURN SQL_API SQLTables(SQLHSTMT StatementHandle, SQLCHAR* CatalogName, SQLSMALLINT NameLength1,
                            SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* TableName, SQLSMALLINT NameLength3,
                            SQLCHAR* TableType, SQLSMALLINT NameLength4) {
    log_line(level::debug, "SQLTables");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return catalog_ops::tables(stmt, text_arg(CatalogName, NameLength1), text_arg(SchemaName, NameLength2),
                                   text_arg(TableName, NameLength3), text_arg(TableType, NameLength4));
    });
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT StatementHandle, SQLCHAR* CatalogName, SQLSMALLINT NameLength1,
                             SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* TableName, SQLSMALLINT NameLength3,
                             SQLCHAR* ColumnName, SQLSMALLINT NameLength4) {
    log_line(level::debug, "SQLColumns");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return catalog_ops::columns(stmt, text_arg(CatalogName, NameLength1), text_arg(SchemaName, NameLength2),
                                    text_arg(TableName, NameLength3), text_arg(ColumnName, NameLength4));
    });
}

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                 SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName,
                                 SQLSMALLINT cbTableName) {
    log_line(level::debug, "SQLPrimaryKeys");
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return catalog_ops::primary_keys(stmt, text_arg(szCatalogName, cbCatalogName),
                                         text_arg(szSchemaName, cbSchemaName), text_arg(szTableName, cbTableName));
    });
}

SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT hstmt, SQLCHAR* szPkCatalogName, SQLSMALLINT cbPkCatalogName,
                                 SQLCHAR* szPkSchemaName, SQLSMALLINT cbPkSchemaName, SQLCHAR* szPkTableName,
                                 SQLSMALLINT cbPkTableName, SQLCHAR* szFkCatalogName, SQLSMALLINT cbFkCatalogName,
                                 SQLCHAR* szFkSchemaName, SQLSMALLINT cbFkSchemaName, SQLCHAR* szFkTableName,
                                 SQLSMALLINT cbFkTableName) {
    log_line(level::debug, "SQLForeignKeys");
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return catalog_ops::foreign_keys(
            stmt, text_arg(szPkCatalogName, cbPkCatalogName), text_arg(szPkSchemaName, cbPkSchemaName),
            text_arg(szPkTableName, cbPkTableName), text_arg(szFkCatalogName, cbFkCatalogName),
            text_arg(szFkSchemaName, cbFkSchemaName), text_arg(szFkTableName, cbFkTableName));
    });
}

SQLRETURN SQL_API SQLStatistics(SQLHSTMT StatementHandle, SQLCHAR* CatalogName, SQLSMALLINT NameLength1,
                                SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* TableName,
                                SQLSMALLINT NameLength3, SQLUSMALLINT Unique, SQLUSMALLINT Reserved) {
    log_line(level::debug, "SQLStatistics");
    return frame::call<statement>(StatementHandle, [&](statement& stmt) {
        return catalog_ops::statistics(stmt, text_arg(CatalogName, NameLength1), text_arg(SchemaName, NameLength2),
                                       text_arg(TableName, NameLength3), Unique, Reserved);
    });
}

SQLRETURN SQL_API SQLTablePrivileges(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                     SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName,
                                     SQLSMALLINT cbTableName) {
    log_line(level::debug, "SQLTablePrivileges");
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return catalog_ops::table_privileges(stmt, text_arg(szCatalogName, cbCatalogName),
                                             text_arg(szSchemaName, cbSchemaName), text_arg(szTableName, cbTableName));
    });
}

SQLRETURN SQL_API SQLColumnPrivileges(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                      SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName,
                                      SQLSMALLINT cbTableName, SQLCHAR* szColumnName, SQLSMALLINT cbColumnName) {
    log_line(level::debug, "SQLColumnPrivileges");
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return catalog_ops::column_privileges(stmt, text_arg(szCatalogName, cbCatalogName),
                                              text_arg(szSchemaName, cbSchemaName), text_arg(szTableName, cbTableName),
                                              text_arg(szColumnName, cbColumnName));
    });
}

SQLRETURN SQL_API SQLProcedures(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szProcName,
                                SQLSMALLINT cbProcName) {
    log_line(level::debug, "SQLProcedures");
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return catalog_ops::procedures(stmt, text_arg(szCatalogName, cbCatalogName),
                                       text_arg(szSchemaName, cbSchemaName), text_arg(szProcName, cbProcName));
    });
}

SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                      SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szProcName,
                                      SQLSMALLINT cbProcName, SQLCHAR* szColumnName, SQLSMALLINT cbColumnName) {
    log_line(level::debug, "SQLProcedureColumns");
    return frame::call<statement>(hstmt, [&](statement& stmt) {
        return catalog_ops::procedure_columns(stmt, text_arg(szCatalogName, cbCatalogName),
                                              text_arg(szSchemaName, cbSchemaName), text_arg(szProcName, cbProcName),
                                              text_arg(szColumnName, cbColumnName));
    });
}

SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT StatementHandle, SQLSMALLINT DataType) {
    log_line(level::debug, "{} {}", "SQLGetTypeInfo", DataType);
    return frame::call<statement>(StatementHandle,
                                  [&](statement& stmt) { return catalog_ops::get_type_info(stmt, DataType); });
}

// ---- positioned update ----

SQLRETURN SQL_API SQLSetPos(SQLHSTMT hstmt, SQLSETPOSIROW irow, SQLUSMALLINT fOption, SQLUSMALLINT fLock) {
    log_line(level::debug, "{} RowNumber: {}, Operation: {}, LockType: {}", "SQLSetPos", irow, fOption, fLock);
    return frame::call<statement>(hstmt,
                                  [&](statement& stmt) { return setpos_ops::set_pos(stmt, irow, fOption, fLock); });
}

// ---- functions the driver does not offer ----
// Each posts HYC00 naming the function to its handle; SQLGetFunctions reports none of them.

SQLRETURN SQL_API SQLBrowseConnect(SQLHDBC hdbc, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*) {
    return frame::not_offered(hdbc);
}
SQLRETURN SQL_API SQLBulkOperations(SQLHSTMT StatementHandle, SQLSMALLINT) {
    return frame::not_offered(StatementHandle);
}
SQLRETURN SQL_API SQLCancelHandle(SQLSMALLINT, SQLHANDLE Handle) { return frame::not_offered(Handle); }
SQLRETURN SQL_API SQLCopyDesc(SQLHDESC, SQLHDESC TargetDescHandle) { return frame::not_offered(TargetDescHandle); }
SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*) {
    return frame::not_offered(StatementHandle);
}
SQLRETURN SQL_API SQLGetDescField(SQLHDESC DescriptorHandle, SQLSMALLINT, SQLSMALLINT, SQLPOINTER, SQLINTEGER,
                                  SQLINTEGER*) {
    return frame::not_offered(DescriptorHandle);
}
SQLRETURN SQL_API SQLGetDescRec(SQLHDESC DescriptorHandle, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*,
                                SQLSMALLINT*, SQLSMALLINT*, SQLLEN*, SQLSMALLINT*, SQLSMALLINT*, SQLSMALLINT*) {
    return frame::not_offered(DescriptorHandle);
}
SQLRETURN SQL_API SQLParamData(SQLHSTMT hstmt, SQLPOINTER*) { return frame::not_offered(hstmt); }
SQLRETURN SQL_API SQLPutData(SQLHSTMT hstmt, SQLPOINTER, SQLLEN) { return frame::not_offered(hstmt); }
SQLRETURN SQL_API SQLSetCursorName(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT) {
    return frame::not_offered(StatementHandle);
}
SQLRETURN SQL_API SQLSetDescField(SQLHDESC DescriptorHandle, SQLSMALLINT, SQLSMALLINT, SQLPOINTER, SQLINTEGER) {
    return frame::not_offered(DescriptorHandle);
}
SQLRETURN SQL_API SQLSetDescRec(SQLHDESC DescriptorHandle, SQLSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLLEN, SQLSMALLINT,
                                SQLSMALLINT, SQLPOINTER, SQLLEN*, SQLLEN*) {
    return frame::not_offered(DescriptorHandle);
}
SQLRETURN SQL_API SQLSetScrollOptions(SQLHSTMT hstmt, SQLUSMALLINT, SQLLEN, SQLUSMALLINT) {
    return frame::not_offered(hstmt);
}
SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT StatementHandle, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                    SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLUSMALLINT, SQLUSMALLINT) {
    return frame::not_offered(StatementHandle);
}

// ---- setup entry points ----

BOOL INSTAPI ConfigDSN(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver, LPCSTR lpszAttributes) {
    log_line(level::debug, "ConfigDSN");
    return frame::call_bool([&] { return setup_ops::config_dsn(hwndParent, fRequest, lpszDriver, lpszAttributes); });
}

BOOL INSTAPI ConfigDriver(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver, LPCSTR lpszArgs, LPSTR lpszMsg,
                          WORD cbMsgMax, WORD* pcbMsgOut) {
    log_line(level::debug, "ConfigDriver");
    return frame::call_bool([&] {
        return setup_ops::config_driver(hwndParent, fRequest, lpszDriver, lpszArgs, lpszMsg, cbMsgMax, pcbMsgOut);
    });
}

}  // extern "C"
#pragma GCC visibility pop
