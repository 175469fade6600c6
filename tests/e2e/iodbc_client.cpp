// A client of the iODBC Driver Manager (Debian's libiodbc2): connects to a data source known only
// to iODBC's own files, runs a query and a catalog call, and prints what it reads. It is built
// with the ODBC headers of the tree (unixODBC's, which conflict with iODBC's development package)
// and linked with iODBC's library itself: the ANSI calls are the same on both.

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <string>

namespace {

int failed(SQLSMALLINT type, SQLHANDLE handle, const char* what) {
    SQLCHAR state[6] = {};
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    std::printf("%s failed: [%s] %s\n", what, state, message);
    return 1;
}

// Prints every row of the statement's result, its columns read as text and separated by "|".
void print_rows(SQLHSTMT stmt, SQLSMALLINT columns) {
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        std::string line;
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
            char text[256] = {};
            SQLLEN indicator = 0;
            SQLGetData(stmt, c, SQL_C_CHAR, text, sizeof text, &indicator);
            if (c > 1) line += "|";
            line += indicator == SQL_NULL_DATA ? "NULL" : text;
        }
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: iodbc_client DSN\n");
        return 2;
    }
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    auto* dsn = reinterpret_cast<SQLCHAR*>(argv[1]);
    if (!SQL_SUCCEEDED(SQLConnect(dbc, dsn, SQL_NTS, nullptr, 0, nullptr, 0)))
        return failed(SQL_HANDLE_DBC, dbc, "SQLConnect");
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);

    std::printf("query:\n");
    auto* query = reinterpret_cast<SQLCHAR*>(const_cast<char*>(
        "select $timestamp, sym, price from trades where sym is not null order by $timestamp limit 3"));
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt, query, SQL_NTS))) return failed(SQL_HANDLE_STMT, stmt, "SQLExecDirect");
    print_rows(stmt, 3);
    SQLFreeStmt(stmt, SQL_CLOSE);

    std::printf("tables:\n");
    if (!SQL_SUCCEEDED(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)))
        return failed(SQL_HANDLE_STMT, stmt, "SQLTables");
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    std::printf("%d columns\n", columns);
    print_rows(stmt, 4);

    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return 0;
}
