// The built driver library as the unixODBC Driver Manager sees it: its exported symbols, and
// loading it from a private odbcinst.ini.

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "driver_manager.hpp"

namespace fs = std::filesystem;

namespace {

std::set<std::string> defined_dynamic_symbols(const std::string& library) {
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only -C " + library;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::string s(line);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        // "<address> <type> <name>"
        const auto first = s.find(' ');
        const auto second = s.find(' ', first + 1);
        if (second != std::string::npos) names.insert(s.substr(second + 1));
    }
    return names;
}

}  // namespace

TEST(DriverLibrary, ExportsExactlyTheDriverInterface) {
    const std::set<std::string> expected{"SQLAllocHandle",      "SQLBindCol",
                                         "SQLBindParameter",    "SQLBrowseConnect",
                                         "SQLBulkOperations",   "SQLCancel",
                                         "SQLCancelHandle",     "SQLCloseCursor",
                                         "SQLColAttribute",     "SQLColAttributes",
                                         "SQLColumnPrivileges", "SQLColumns",
                                         "SQLConnect",          "SQLCopyDesc",
                                         "SQLDescribeCol",      "SQLDescribeParam",
                                         "SQLDisconnect",       "SQLDriverConnect",
                                         "SQLEndTran",          "SQLExecDirect",
                                         "SQLExecute",          "SQLFetch",
                                         "SQLFetchScroll",      "SQLForeignKeys",
                                         "SQLFreeHandle",       "SQLFreeStmt",
                                         "SQLGetConnectAttr",   "SQLGetCursorName",
                                         "SQLGetData",          "SQLGetDescField",
                                         "SQLGetDescRec",       "SQLGetDiagField",
                                         "SQLGetDiagRec",       "SQLGetEnvAttr",
                                         "SQLGetFunctions",     "SQLGetInfo",
                                         "SQLGetStmtAttr",      "SQLGetTypeInfo",
                                         "SQLMoreResults",      "SQLNativeSql",
                                         "SQLNumParams",        "SQLNumResultCols",
                                         "SQLParamData",        "SQLPrepare",
                                         "SQLPrimaryKeys",      "SQLProcedureColumns",
                                         "SQLProcedures",       "SQLPutData",
                                         "SQLRowCount",         "SQLSetConnectAttr",
                                         "SQLSetCursorName",    "SQLSetDescField",
                                         "SQLSetDescRec",       "SQLSetEnvAttr",
                                         "SQLSetPos",           "SQLSetScrollOptions",
                                         "SQLSetStmtAttr",      "SQLSpecialColumns",
                                         "SQLStatistics",       "SQLTablePrivileges",
                                         "SQLTables",           "ConfigDSN",
                                         "ConfigDriver",        "logger::detail::get_logger()"};
    EXPECT_EQ(defined_dynamic_symbols(VDL_DRIVER_PATH), expected);
}

TEST(DriverManager, LoadsTheDriverAndReadsItsDiagnostics) {
    support::private_odbc_config config;
    SQLHENV env = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
    ASSERT_EQ(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), SQL_SUCCESS);
    SQLHDBC dbc = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);

    // The Driver Manager loads the library and allocates the driver's environment and connection
    // on connect; whatever the connect answers, the answer must come from the driver.
    SQLCHAR in[] = "DRIVER={vdl};URI=vdl://127.0.0.1:1";
    SQLCHAR out[256];
    SQLSMALLINT out_length = 0;
    const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, in, SQL_NTS, out, sizeof out, &out_length, SQL_DRIVER_NOPROMPT);
    SQLCHAR state[6] = {};
    SQLCHAR message[512] = {};
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_DBC, dbc, 1, state, nullptr, message, sizeof message, &length), SQL_SUCCESS);
    const std::string text(reinterpret_cast<char*>(message));
    EXPECT_EQ(text.find("Can't open lib"), std::string::npos) << text;
    EXPECT_EQ(text.find("not found"), std::string::npos) << text;
    // IM states are the Driver Manager's own: a library it could not load or use.
    EXPECT_FALSE(std::string(reinterpret_cast<char*>(state)).starts_with("IM")) << text;
    if (rc != SQL_ERROR) {
        SQLDisconnect(dbc);
    }

    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DBC, dbc), SQL_SUCCESS);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_ENV, env), SQL_SUCCESS);
}
