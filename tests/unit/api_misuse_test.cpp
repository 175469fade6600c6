// Every export called the way an application gets it wrong: null handles and handles of the
// wrong kind, null output pointers, negative and huge lengths, column and parameter numbers 0
// and 65535, calls out of order, after SQLCancel, after SQLDisconnect and after freeing a
// sibling. Each answers with its diagnostic; run under AddressSanitizer, none may touch memory it
// was not given.

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "captured_log.hpp"
#include "setup/setup_entry.hpp"
#include "store_statement.hpp"

namespace {

using support::sql_text;

enum class kind { env, dbc, stmt, desc, any };

struct export_call {
    const char* name;
    kind expects;
    std::function<SQLRETURN(SQLHANDLE)> call;
};

// Each export with its handle argument replaced, and every other argument harmless.
std::vector<export_call> every_export() {
    static SQLCHAR text[64];
    static SQLSMALLINT small = 0;
    static SQLLEN len = 0;
    static SQLULEN ulen = 0;
    static SQLINTEGER integer = 0;
    static SQLUSMALLINT supported[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE];
    static SQLHANDLE out = nullptr;
    static SQLPOINTER pointer = nullptr;
    return {
        {"SQLAllocHandle(DBC)", kind::env, [](SQLHANDLE h) { return SQLAllocHandle(SQL_HANDLE_DBC, h, &out); }},
        {"SQLAllocHandle(STMT)", kind::dbc, [](SQLHANDLE h) { return SQLAllocHandle(SQL_HANDLE_STMT, h, &out); }},
        {"SQLAllocHandle(DESC)", kind::dbc, [](SQLHANDLE h) { return SQLAllocHandle(SQL_HANDLE_DESC, h, &out); }},
        {"SQLSetEnvAttr", kind::env,
         [](SQLHANDLE h) {
             return SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
         }},
        {"SQLGetEnvAttr", kind::env,
         [](SQLHANDLE h) { return SQLGetEnvAttr(h, SQL_ATTR_ODBC_VERSION, &integer, 0, nullptr); }},
        {"SQLSetConnectAttr", kind::dbc,
         [](SQLHANDLE h) { return SQLSetConnectAttr(h, SQL_ATTR_LOGIN_TIMEOUT, nullptr, 0); }},
        {"SQLGetConnectAttr", kind::dbc,
         [](SQLHANDLE h) { return SQLGetConnectAttr(h, SQL_ATTR_AUTOCOMMIT, &integer, 0, nullptr); }},
        {"SQLGetInfo", kind::dbc,
         [](SQLHANDLE h) { return SQLGetInfo(h, SQL_DRIVER_NAME, text, sizeof text, &small); }},
        {"SQLGetFunctions", kind::dbc,
         [](SQLHANDLE h) { return SQLGetFunctions(h, SQL_API_ODBC3_ALL_FUNCTIONS, supported); }},
        {"SQLConnect", kind::dbc,
         [](SQLHANDLE h) { return SQLConnect(h, sql_text("x"), SQL_NTS, nullptr, 0, nullptr, 0); }},
        {"SQLDriverConnect", kind::dbc,
         [](SQLHANDLE h) {
             return SQLDriverConnect(h, nullptr, sql_text("uri=file:x"), SQL_NTS, nullptr, 0, nullptr,
                                     SQL_DRIVER_NOPROMPT);
         }},
        {"SQLDisconnect", kind::dbc, [](SQLHANDLE h) { return SQLDisconnect(h); }},
        {"SQLSetStmtAttr", kind::stmt, [](SQLHANDLE h) { return SQLSetStmtAttr(h, SQL_ATTR_MAX_ROWS, nullptr, 0); }},
        {"SQLGetStmtAttr", kind::stmt,
         [](SQLHANDLE h) { return SQLGetStmtAttr(h, SQL_ATTR_MAX_ROWS, &ulen, 0, nullptr); }},
        {"SQLPrepare", kind::stmt, [](SQLHANDLE h) { return SQLPrepare(h, sql_text("SELECT 1"), SQL_NTS); }},
        {"SQLNumParams", kind::stmt, [](SQLHANDLE h) { return SQLNumParams(h, &small); }},
        {"SQLBindParameter", kind::stmt,
         [](SQLHANDLE h) {
             return SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &integer, 0, nullptr);
         }},
        {"SQLExecDirect", kind::stmt, [](SQLHANDLE h) { return SQLExecDirect(h, sql_text("SELECT 1"), SQL_NTS); }},
        {"SQLExecute", kind::stmt, [](SQLHANDLE h) { return SQLExecute(h); }},
        {"SQLRowCount", kind::stmt, [](SQLHANDLE h) { return SQLRowCount(h, &len); }},
        {"SQLFreeStmt", kind::stmt, [](SQLHANDLE h) { return SQLFreeStmt(h, SQL_CLOSE); }},
        {"SQLCancel", kind::stmt, [](SQLHANDLE h) { return SQLCancel(h); }},
        {"SQLCloseCursor", kind::stmt, [](SQLHANDLE h) { return SQLCloseCursor(h); }},
        {"SQLDescribeParam", kind::stmt,
         [](SQLHANDLE h) { return SQLDescribeParam(h, 1, &small, &ulen, &small, &small); }},
        {"SQLNumResultCols", kind::stmt, [](SQLHANDLE h) { return SQLNumResultCols(h, &small); }},
        {"SQLDescribeCol", kind::stmt,
         [](SQLHANDLE h) { return SQLDescribeCol(h, 1, text, sizeof text, &small, &small, &ulen, &small, &small); }},
        {"SQLColAttribute", kind::stmt,
         [](SQLHANDLE h) { return SQLColAttribute(h, 1, SQL_DESC_NAME, text, sizeof text, &small, &len); }},
        {"SQLColAttributes", kind::stmt,
         [](SQLHANDLE h) { return SQLColAttributes(h, 1, SQL_COLUMN_NAME, text, sizeof text, &small, &len); }},
        {"SQLBindCol", kind::stmt, [](SQLHANDLE h) { return SQLBindCol(h, 1, SQL_C_CHAR, text, sizeof text, &len); }},
        {"SQLFetch", kind::stmt, [](SQLHANDLE h) { return SQLFetch(h); }},
        {"SQLFetchScroll", kind::stmt, [](SQLHANDLE h) { return SQLFetchScroll(h, SQL_FETCH_NEXT, 0); }},
        {"SQLMoreResults", kind::stmt, [](SQLHANDLE h) { return SQLMoreResults(h); }},
        {"SQLGetData", kind::stmt, [](SQLHANDLE h) { return SQLGetData(h, 1, SQL_C_CHAR, text, sizeof text, &len); }},
        {"SQLTables", kind::stmt,
         [](SQLHANDLE h) { return SQLTables(h, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0); }},
        {"SQLColumns", kind::stmt,
         [](SQLHANDLE h) { return SQLColumns(h, nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS, nullptr, 0); }},
        {"SQLPrimaryKeys", kind::stmt,
         [](SQLHANDLE h) { return SQLPrimaryKeys(h, nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS); }},
        {"SQLForeignKeys", kind::stmt,
         [](SQLHANDLE h) {
             return SQLForeignKeys(h, nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS, nullptr, 0, nullptr, 0, nullptr,
                                   0);
         }},
        {"SQLStatistics", kind::stmt,
         [](SQLHANDLE h) {
             return SQLStatistics(h, nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK);
         }},
        {"SQLTablePrivileges", kind::stmt,
         [](SQLHANDLE h) { return SQLTablePrivileges(h, nullptr, 0, nullptr, 0, nullptr, 0); }},
        {"SQLColumnPrivileges", kind::stmt,
         [](SQLHANDLE h) {
             return SQLColumnPrivileges(h, nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS, nullptr, 0);
         }},
        {"SQLProcedures", kind::stmt, [](SQLHANDLE h) { return SQLProcedures(h, nullptr, 0, nullptr, 0, nullptr, 0); }},
        {"SQLProcedureColumns", kind::stmt,
         [](SQLHANDLE h) { return SQLProcedureColumns(h, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0); }},
        {"SQLSpecialColumns", kind::any,
         [](SQLHANDLE h) {
             return SQLSpecialColumns(h, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS,
                                      SQL_SCOPE_CURROW, SQL_NULLABLE);
         }},
        {"SQLGetTypeInfo", kind::stmt, [](SQLHANDLE h) { return SQLGetTypeInfo(h, SQL_ALL_TYPES); }},
        {"SQLSetPos", kind::stmt, [](SQLHANDLE h) { return SQLSetPos(h, 1, SQL_POSITION, SQL_LOCK_NO_CHANGE); }},
        // Not offered: any kind of handle receives HYC00.
        {"SQLBrowseConnect", kind::any,
         [](SQLHANDLE h) { return SQLBrowseConnect(h, sql_text("x"), SQL_NTS, text, sizeof text, &small); }},
        {"SQLBulkOperations", kind::any, [](SQLHANDLE h) { return SQLBulkOperations(h, SQL_ADD); }},
        {"SQLCancelHandle", kind::any, [](SQLHANDLE h) { return SQLCancelHandle(SQL_HANDLE_STMT, h); }},
        {"SQLCopyDesc", kind::any, [](SQLHANDLE h) { return SQLCopyDesc(h, h); }},
        {"SQLGetCursorName", kind::any, [](SQLHANDLE h) { return SQLGetCursorName(h, text, sizeof text, &small); }},
        {"SQLGetDescField", kind::any,
         [](SQLHANDLE h) { return SQLGetDescField(h, 1, SQL_DESC_TYPE, text, sizeof text, &integer); }},
        {"SQLGetDescRec", kind::any,
         [](SQLHANDLE h) {
             return SQLGetDescRec(h, 1, text, sizeof text, &small, &small, &small, &len, &small, &small, &small);
         }},
        {"SQLParamData", kind::any, [](SQLHANDLE h) { return SQLParamData(h, &pointer); }},
        {"SQLPutData", kind::any, [](SQLHANDLE h) { return SQLPutData(h, text, 1); }},
        {"SQLSetCursorName", kind::any, [](SQLHANDLE h) { return SQLSetCursorName(h, sql_text("c"), SQL_NTS); }},
        {"SQLSetDescField", kind::any, [](SQLHANDLE h) { return SQLSetDescField(h, 1, SQL_DESC_TYPE, nullptr, 0); }},
        {"SQLSetDescRec", kind::any,
         [](SQLHANDLE h) { return SQLSetDescRec(h, 1, SQL_CHAR, 0, 0, 0, 0, nullptr, nullptr, nullptr); }},
        {"SQLSetScrollOptions", kind::any,
         [](SQLHANDLE h) { return SQLSetScrollOptions(h, SQL_CONCUR_READ_ONLY, SQL_SCROLL_KEYSET_DRIVEN, 1); }},
    };
}

class ApiMisuse : public ::testing::Test {
protected:
    ApiMisuse() {
        s_.direct("CREATE TABLE t (n INT64, s STRING)");
        s_.direct("INSERT INTO t (n, s) VALUES (1, 'one'), (2, 'two')");
        SQLAllocHandle(SQL_HANDLE_DESC, s_.dbc(), &desc_);
    }
    ~ApiMisuse() override {
        if (desc_ != nullptr) SQLFreeHandle(SQL_HANDLE_DESC, desc_);
    }
    [[nodiscard]] SQLHANDLE of_kind(kind k) const {
        switch (k) {
        case kind::env: return s_.env();
        case kind::dbc: return s_.dbc();
        case kind::stmt: return s_.stmt();
        case kind::desc: return desc_;
        case kind::any: return nullptr;
        }
        return nullptr;
    }
    [[nodiscard]] std::string state(SQLSMALLINT type, SQLHANDLE h) const { return support::diag_of(type, h).sqlstate; }
    [[nodiscard]] std::string stmt_state() const { return state(SQL_HANDLE_STMT, s_.stmt()); }
    [[nodiscard]] std::string state_of_dbc() const { return state(SQL_HANDLE_DBC, s_.dbc()); }

    support::store_statement s_;
    SQLHDESC desc_ = nullptr;
};

TEST_F(ApiMisuse, EveryExportRefusesANullHandle) {
    for (const auto& e : every_export()) EXPECT_EQ(e.call(nullptr), SQL_INVALID_HANDLE) << e.name;
}

TEST_F(ApiMisuse, EveryExportRefusesAHandleOfAnotherKind) {
    for (const auto& e : every_export()) {
        if (e.expects == kind::any) continue;
        for (const kind other : {kind::env, kind::dbc, kind::stmt, kind::desc}) {
            if (other == e.expects) continue;
            EXPECT_EQ(e.call(of_kind(other)), SQL_INVALID_HANDLE) << e.name << " with a handle of another kind";
        }
    }
}

TEST_F(ApiMisuse, FunctionsNotOfferedAnswerHyc00OnEveryKind) {
    for (const auto& e : every_export()) {
        if (e.expects != kind::any) continue;
        for (const kind k : {kind::env, kind::dbc, kind::stmt, kind::desc}) {
            SQLSMALLINT type = k == kind::env    ? SQL_HANDLE_ENV
                               : k == kind::dbc  ? SQL_HANDLE_DBC
                               : k == kind::stmt ? SQL_HANDLE_STMT
                                                 : SQL_HANDLE_DESC;
            EXPECT_EQ(e.call(of_kind(k)), SQL_ERROR) << e.name;
            EXPECT_EQ(state(type, of_kind(k)), "HYC00") << e.name;
        }
    }
}

TEST_F(ApiMisuse, NullOutputPointersAreSkipped) {
    ASSERT_EQ(s_.exec("SELECT n, s FROM t"), SQL_SUCCESS) << s_.diag_message();
    EXPECT_EQ(SQLNumResultCols(s_.stmt(), nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLRowCount(s_.stmt(), nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLDescribeCol(s_.stmt(), 1, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLDescribeCol(s_.stmt(), 2, nullptr, 100, nullptr, nullptr, nullptr, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLColAttribute(s_.stmt(), 1, SQL_DESC_NAME, nullptr, 0, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLColAttribute(s_.stmt(), 1, SQL_DESC_TYPE, nullptr, 0, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLNumParams(s_.stmt(), nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLGetStmtAttr(s_.stmt(), SQL_ATTR_MAX_ROWS, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLGetConnectAttr(s_.dbc(), SQL_ATTR_AUTOCOMMIT, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLGetEnvAttr(s_.env(), SQL_ATTR_ODBC_VERSION, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLGetInfo(s_.dbc(), SQL_DRIVER_NAME, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLGetInfo(s_.dbc(), SQL_MAX_COLUMN_NAME_LEN, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLGetFunctions(s_.dbc(), SQL_API_SQLFETCH, nullptr), SQL_ERROR);
    // The record of the last call, a success, is record 1.
    EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s_.stmt(), 1, nullptr, nullptr, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, s_.stmt(), 0, SQL_DIAG_NUMBER, nullptr, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s_.stmt(), 2, SQL_C_CHAR, nullptr, 0, nullptr), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(SQLGetData(s_.stmt(), 1, SQL_C_SBIGINT, nullptr, 0, nullptr), SQL_SUCCESS);
    SQLCHAR out[16];
    EXPECT_EQ(SQLDriverConnect(s_.dbc(), nullptr, nullptr, 0, out, sizeof out, nullptr, SQL_DRIVER_NOPROMPT),
              SQL_ERROR);
}

TEST_F(ApiMisuse, ColumnAndParameterNumbersOutOfRange) {
    ASSERT_EQ(s_.exec("SELECT n, s FROM t"), SQL_SUCCESS) << s_.diag_message();
    SQLCHAR name[32];
    SQLSMALLINT small = 0;
    SQLULEN size = 0;
    SQLLEN len = 0;
    for (const SQLUSMALLINT column : {SQLUSMALLINT{0}, SQLUSMALLINT{3}, SQLUSMALLINT{65535}}) {
        EXPECT_EQ(SQLDescribeCol(s_.stmt(), column, name, sizeof name, &small, &small, &size, &small, &small),
                  SQL_ERROR)
            << column;
        EXPECT_EQ(stmt_state(), "07009") << column;
        EXPECT_EQ(SQLColAttribute(s_.stmt(), column, SQL_DESC_NAME, name, sizeof name, &small, &len), SQL_ERROR)
            << column;
        EXPECT_EQ(stmt_state(), "07009") << column;
    }
    // A column binding is checked against the result when rows are fetched.
    EXPECT_EQ(SQLBindCol(s_.stmt(), 65535, SQL_C_CHAR, name, sizeof name, &len), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(s_.stmt()), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "07009");
    ASSERT_EQ(SQLBindCol(s_.stmt(), 65535, SQL_C_CHAR, nullptr, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(s_.exec("SELECT n, s FROM t"), SQL_SUCCESS) << s_.diag_message();
    ASSERT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
    for (const SQLUSMALLINT column : {SQLUSMALLINT{0}, SQLUSMALLINT{3}, SQLUSMALLINT{65535}}) {
        EXPECT_EQ(SQLGetData(s_.stmt(), column, SQL_C_CHAR, name, sizeof name, &len), SQL_ERROR) << column;
        EXPECT_EQ(stmt_state(), "07009") << column;
    }

    SQLINTEGER value = 1;
    ASSERT_EQ(s_.prepare("SELECT n FROM t WHERE n = ?"), SQL_SUCCESS);
    // Only the markers of the prepared text take bindings.
    for (const SQLUSMALLINT number : {SQLUSMALLINT{0}, SQLUSMALLINT{2}, SQLUSMALLINT{65535}}) {
        EXPECT_EQ(
            SQLBindParameter(s_.stmt(), number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &value, 0, nullptr),
            SQL_ERROR)
            << number;
        EXPECT_EQ(stmt_state(), "HY000") << number;
    }
    EXPECT_EQ(SQLDescribeParam(s_.stmt(), 0, &small, &size, &small, &small), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "07009");
    EXPECT_EQ(SQLDescribeParam(s_.stmt(), 65535, &small, &size, &small, &small), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "07009");
    ASSERT_EQ(SQLBindParameter(s_.stmt(), 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &value, 0, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(s_.stmt()), SQL_SUCCESS) << s_.diag_message();
}

TEST_F(ApiMisuse, NegativeAndHugeLengths) {
    SQLCHAR name[32];
    SQLLEN len = 0;
    ASSERT_EQ(s_.exec("SELECT n, s FROM t"), SQL_SUCCESS) << s_.diag_message();
    EXPECT_EQ(SQLBindCol(s_.stmt(), 2, SQL_C_CHAR, name, -1, &len), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "HY090");
    ASSERT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s_.stmt(), 2, SQL_C_CHAR, name, -1, &len), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "HY090");
    // A huge buffer length over a small buffer: only the value and its terminator are written.
    EXPECT_EQ(SQLGetData(s_.stmt(), 2, SQL_C_CHAR, name, LLONG_MAX, &len), SQL_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "one");
    SQLCHAR state[6];
    SQLCHAR message[8];
    SQLSMALLINT length = 0;
    EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s_.stmt(), 1, state, nullptr, message, -1, &length), SQL_ERROR);
    // Texts copied out with a buffer length below 1 write nothing.
    name[0] = 'x';
    EXPECT_EQ(SQLGetInfo(s_.dbc(), SQL_DRIVER_NAME, name, -1, &length), SQL_SUCCESS);
    EXPECT_EQ(name[0], 'x');
    EXPECT_GT(length, 0) << "the full length is reported";
    EXPECT_EQ(SQLGetInfo(s_.dbc(), SQL_DRIVER_NAME, name, 1, &length), SQL_SUCCESS);
    EXPECT_EQ(name[0], '\0');
    // Statement texts: a length below 1 runs to the terminating zero; a null text is empty.
    EXPECT_EQ(SQLExecDirect(s_.stmt(), sql_text("SELECT 7"), -7), SQL_SUCCESS) << s_.diag_message();
    SQLBIGINT seven = 0;
    ASSERT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s_.stmt(), 1, SQL_C_SBIGINT, &seven, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(seven, 7);
    EXPECT_EQ(SQLPrepare(s_.stmt(), nullptr, SQL_NTS), SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(s_.stmt()), SQL_NO_DATA) << "an empty text runs nothing";
    SQLSMALLINT columns = -1;
    EXPECT_EQ(SQLNumResultCols(s_.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 0);
    // A zero byte within the given length would cut the statement short: refused.
    EXPECT_EQ(SQLExecDirect(s_.stmt(), sql_text("SELECT 1\0; DROP TABLE t"), 24), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "HY090");
    EXPECT_EQ(SQLTables(s_.stmt(), nullptr, 0, nullptr, 0, sql_text("t"), -7, nullptr, 0), SQL_SUCCESS);
}

// Calls out of order: the Driver Manager refuses most of these with HY010 before the driver
// sees them; the driver itself answers each without touching a result it does not have.
TEST_F(ApiMisuse, CallsOutOfOrder) {
    SQLSMALLINT count = -1;
    char cell[16] = "untouched";
    SQLLEN len = 0;
    EXPECT_EQ(SQLExecute(s_.stmt()), SQL_NO_DATA) << "execute before prepare: nothing to run";
    EXPECT_EQ(SQLFetch(s_.stmt()), SQL_NO_DATA) << "fetch before execute";
    EXPECT_EQ(SQLGetData(s_.stmt(), 1, SQL_C_CHAR, cell, sizeof cell, &len), SQL_ERROR) << "no column 1";
    EXPECT_EQ(stmt_state(), "07009");
    EXPECT_STREQ(cell, "untouched");
    EXPECT_EQ(SQLNumResultCols(s_.stmt(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(SQLCloseCursor(s_.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLSetPos(s_.stmt(), 1, SQL_UPDATE, SQL_LOCK_NO_CHANGE), SQL_ERROR);

    ASSERT_EQ(s_.exec("SELECT n, s FROM t"), SQL_SUCCESS);
    len = 0;
    EXPECT_EQ(SQLGetData(s_.stmt(), 1, SQL_C_CHAR, cell, sizeof cell, &len), SQL_SUCCESS) << "before the first fetch";
    EXPECT_EQ(len, SQL_NULL_DATA) << "no row: no cell";
    ASSERT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(s_.stmt()), SQL_NO_DATA);
    len = 0;
    EXPECT_EQ(SQLGetData(s_.stmt(), 2, SQL_C_CHAR, cell, sizeof cell, &len), SQL_SUCCESS) << "after the last row";
    EXPECT_EQ(len, SQL_NULL_DATA);
}

TEST_F(ApiMisuse, CallsAfterSqlCancel) {
    ASSERT_EQ(s_.exec("SELECT n, s FROM t"), SQL_SUCCESS);
    ASSERT_EQ(SQLCancel(s_.stmt()), SQL_SUCCESS);
    char cell[16];
    SQLLEN len = 0;
    SQLSMALLINT count = -1;
    // Nothing ran: for an ODBC 3 application the cancel changed nothing.
    EXPECT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s_.stmt(), 2, SQL_C_CHAR, cell, sizeof cell, &len), SQL_SUCCESS);
    EXPECT_EQ(SQLNumResultCols(s_.stmt(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(SQLCancel(s_.stmt()), SQL_SUCCESS) << "a second cancel";
    // The statement runs again.
    ASSERT_EQ(s_.exec("SELECT n FROM t"), SQL_SUCCESS) << s_.diag_message();
    EXPECT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
}

TEST_F(ApiMisuse, CallsAfterSqlDisconnect) {
    ASSERT_EQ(s_.exec("SELECT n, s FROM t"), SQL_SUCCESS);
    ASSERT_EQ(SQLDisconnect(s_.dbc()), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(s_.stmt()), SQL_NO_DATA) << "the disconnect released the result";
    EXPECT_EQ(SQLExecDirect(s_.stmt(), sql_text("SELECT n FROM t"), SQL_NTS), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "08003");
    EXPECT_EQ(SQLTables(s_.stmt(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_ERROR);
    EXPECT_EQ(SQLColumns(s_.stmt(), nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS, nullptr, 0), SQL_ERROR);
    SQLHSTMT another = nullptr;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, s_.dbc(), &another), SQL_ERROR);
    EXPECT_EQ(state_of_dbc(), "08003");
    EXPECT_EQ(SQLDisconnect(s_.dbc()), SQL_SUCCESS) << "a second disconnect";
    SQLCHAR text[64];
    SQLSMALLINT length = 0;
    EXPECT_EQ(SQLGetInfo(s_.dbc(), SQL_DRIVER_NAME, text, sizeof text, &length), SQL_SUCCESS);
}

TEST_F(ApiMisuse, CallsAfterFreeingASibling) {
    SQLHSTMT sibling = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, s_.dbc(), &sibling), SQL_SUCCESS);
    ASSERT_EQ(SQLExecDirect(sibling, sql_text("SELECT n, s FROM t"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(s_.exec("SELECT s FROM t ORDER BY n"), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, sibling), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeHandle(SQL_HANDLE_DESC, desc_), SQL_SUCCESS);
    desc_ = nullptr;
    char cell[16];
    SQLLEN len = 0;
    ASSERT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(s_.stmt(), 1, SQL_C_CHAR, cell, sizeof cell, &len), SQL_SUCCESS);
    EXPECT_STREQ(cell, "one");
    // A second environment freed leaves this one's connection working.
    SQLHENV other = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &other), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeHandle(SQL_HANDLE_ENV, other), SQL_SUCCESS);
    ASSERT_EQ(s_.exec("SELECT count(*) FROM t"), SQL_SUCCESS) << s_.diag_message();
}

}  // namespace

namespace {

TEST_F(ApiMisuse, DiagnosticsAttributesAndConnectsWithWrongArguments) {
    SQLCHAR state[6];
    SQLCHAR message[64];
    SQLSMALLINT length = 0;
    SQLINTEGER native = 0;
    ASSERT_EQ(s_.exec("SELECT nothing FROM nowhere"), SQL_ERROR);
    // Record numbers that name no record.
    for (const SQLSMALLINT record : {SQLSMALLINT{2}, SQLSMALLINT{32767}})
        EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s_.stmt(), record, state, &native, message, sizeof message, &length),
                  SQL_NO_DATA)
            << record;
    for (const SQLSMALLINT record : {SQLSMALLINT{0}, SQLSMALLINT{-1}})
        EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s_.stmt(), record, state, &native, message, sizeof message, &length),
                  SQL_ERROR)
            << record;
    // A message longer than the buffer is cut, and its full length reported.
    EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s_.stmt(), 1, state, &native, message, 4, &length), SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(message)).size(), 3u);
    EXPECT_GT(length, 3);
    // A field the driver does not know.
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, s_.stmt(), 1, 12345, message, sizeof message, &length), SQL_ERROR);

    // Attributes: unknown identifiers and null values.
    SQLULEN value = 0;
    EXPECT_EQ(SQLGetStmtAttr(s_.stmt(), 987654, &value, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "HY092");
    EXPECT_EQ(SQLSetStmtAttr(s_.stmt(), 987654, nullptr, 0), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "HY092");
    EXPECT_EQ(SQLGetConnectAttr(s_.dbc(), 987654, &value, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(state_of_dbc(), "HY092");
    EXPECT_EQ(SQLGetEnvAttr(s_.env(), 987654, &value, 0, nullptr), SQL_ERROR);
    // Pointer attributes set to null are cleared; the next fetch writes through nothing.
    EXPECT_EQ(SQLSetStmtAttr(s_.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(SQLSetStmtAttr(s_.stmt(), SQL_ATTR_ROW_STATUS_PTR, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(s_.exec("SELECT n FROM t"), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(s_.stmt()), SQL_SUCCESS);

    // A second connect on a connected connection replaces the first: the statements of the first
    // are detached from it, never left holding its closed handle.
    support::temp_dir other;
    const std::string again = "uri=file://" + (other.path() / "other.db").string();
    EXPECT_EQ(
        SQLDriverConnect(s_.dbc(), nullptr, sql_text(again.c_str()), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
        SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(s_.stmt()), SQL_NO_DATA) << "its result went with the first connection";
    EXPECT_EQ(s_.exec("SELECT n FROM t"), SQL_ERROR);
    EXPECT_EQ(stmt_state(), "08003");
    // Connection strings that are no strings.
    SQLHDBC fresh = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, s_.env(), &fresh), SQL_SUCCESS);
    const std::string junk(5000, ';');
    SQLCHAR out[8];
    EXPECT_EQ(SQLDriverConnect(fresh, nullptr, sql_text(junk.c_str()), SQL_NTS, out, sizeof out, &length,
                               SQL_DRIVER_NOPROMPT),
              SQL_ERROR)
        << "no uri: the default cluster address has no transport";
    EXPECT_EQ(SQLConnect(fresh, nullptr, 0, nullptr, 0, nullptr, 0), SQL_ERROR);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DBC, fresh), SQL_SUCCESS);
}

}  // namespace

namespace {

// The setup entry points with null arguments and without an installer library to call.
TEST(ApiMisuseSetup, NullArgumentsAndAMissingInstallerLibrary) {
    support::captured_log log(logger::level::debug);
    const installer::functions none{};
    const std::string list = std::string("DSN=misuse") + '\0' + "logdir=" + log.dir().string() + std::string(2, '\0');
    EXPECT_EQ(setup_ops::config_dsn(ODBC_ADD_DSN, nullptr, nullptr, none), 0);
    EXPECT_EQ(setup_ops::config_dsn(ODBC_ADD_DSN, "vdl", list.c_str(), none), 0);
    EXPECT_EQ(setup_ops::config_dsn(ODBC_REMOVE_DSN, nullptr, list.c_str(), none), 0);
    EXPECT_EQ(setup_ops::config_dsn(static_cast<WORD>(999), "vdl", list.c_str(), none), 0);
    char message[4] = "xyz";
    WORD length = 7;
    EXPECT_EQ(setup_ops::config_driver(ODBC_INSTALL_DRIVER, nullptr, nullptr, nullptr, 0, nullptr, none), 1);
    EXPECT_EQ(setup_ops::config_driver(static_cast<WORD>(999), "vdl", nullptr, message, 0, &length, none), 0);
    EXPECT_STREQ(message, "xyz") << "a message buffer of length 0 is not written";
    EXPECT_EQ(length, 0);
    EXPECT_EQ(setup_ops::config_driver(ODBC_REMOVE_DRIVER, "vdl", "", message, sizeof message, nullptr, none), 1);
    EXPECT_STREQ(message, "");
}

}  // namespace
