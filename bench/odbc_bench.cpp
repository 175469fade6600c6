// One contender of one benchmark scenario through the unixODBC Driver Manager: connects with a
// DSN-less connection string, runs the scenario once and prints what it measured as
//
//   rows=<rows read> seconds=<elapsed from the first statement call to the last row>
//
//   vdl_odbc_bench CONNECTION_STRING SCENARIO QUERY [COUNT]
//
// Scenarios:
//   bind      SQLExecDirect(QUERY), every column bound column-wise by its described type, rowsets
//             of 1000 rows (SQL_ATTR_ROW_ARRAY_SIZE), SQLFetch to the end
//   bind-char, bind-wchar  the same with every column bound as SQL_C_CHAR or SQL_C_WCHAR text
//   getdata   SQLExecDirect(QUERY), SQLFetch row by row, SQLGetData of every column per row
//   point     COUNT statements, each QUERY with "{}" replaced by the literal timestamp of one row
//   prepared  QUERY with one "?" prepared once, the timestamp bound as SQL_C_SBIGINT and
//             executed COUNT times
// In point and prepared every statement fetches its row (bound columns) and closes the cursor.
//
// Every contender gets the same calls; each column is bound to the C type of the SQL type the
// driver describes (timestamps as SQL_C_TYPE_TIMESTAMP, texts as SQL_C_CHAR of 64 bytes).
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "bench_rows.hpp"
#include "diagnostics.hpp"
#include "sql_text.hpp"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr SQLULEN rowset_rows = 1000;
constexpr SQLLEN text_bytes = 64;

using support::sql_text;

[[noreturn]] void fail(SQLSMALLINT type, SQLHANDLE handle, std::string_view what) {
    fmt::print(stderr, "{} failed: {}\n", what, handle != nullptr ? support::diag(type, handle) : " ");
    std::exit(1);
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, std::string_view what) {
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) fail(type, handle, what);
}

// The application's side of one bound column: the C type and room for a rowset of values.
struct column_buffer {
    SQLSMALLINT c_type = SQL_C_CHAR;
    SQLLEN element = 0;
    std::vector<std::byte> data;
    std::vector<SQLLEN> indicators;
};

// Every column as text of this C type instead of its described type (0: as described).
SQLSMALLINT text_binding = 0;

column_buffer buffer_for(SQLSMALLINT sql_type, SQLULEN rows) {
    column_buffer b;
    if (text_binding != 0) {
        b.c_type = text_binding;
        b.element = text_bytes * (text_binding == SQL_C_WCHAR ? static_cast<SQLLEN>(sizeof(SQLWCHAR)) : 1);
        b.data.resize(static_cast<std::size_t>(b.element) * rows);
        b.indicators.resize(rows);
        return b;
    }
    switch (sql_type) {
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        b.c_type = SQL_C_TYPE_TIMESTAMP;
        b.element = sizeof(SQL_TIMESTAMP_STRUCT);
        break;
    case SQL_BIGINT:
    case SQL_INTEGER:
    case SQL_SMALLINT:
        b.c_type = SQL_C_SBIGINT;
        b.element = sizeof(SQLBIGINT);
        break;
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_REAL:
        b.c_type = SQL_C_DOUBLE;
        b.element = sizeof(SQLDOUBLE);
        break;
    default:
        b.c_type = SQL_C_CHAR;
        b.element = text_bytes;
        break;
    }
    b.data.resize(static_cast<std::size_t>(b.element) * rows);
    b.indicators.resize(rows);
    return b;
}

// Buffers for the columns of the executed statement, by the types the driver describes.
std::vector<column_buffer> describe(SQLHSTMT stmt, SQLULEN rows) {
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    std::vector<column_buffer> buffers;
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
        SQLCHAR name[128];
        SQLSMALLINT name_length = 0, sql_type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        check(SQLDescribeCol(stmt, c, name, sizeof name, &name_length, &sql_type, &size, &digits, &nullable),
              SQL_HANDLE_STMT, stmt, "SQLDescribeCol");
        buffers.push_back(buffer_for(sql_type, rows));
    }
    return buffers;
}

void bind(SQLHSTMT stmt, std::vector<column_buffer>& buffers) {
    for (std::size_t c = 0; c < buffers.size(); ++c) {
        auto& b = buffers[c];
        check(
            SQLBindCol(stmt, static_cast<SQLUSMALLINT>(c + 1), b.c_type, b.data.data(), b.element, b.indicators.data()),
            SQL_HANDLE_STMT, stmt, "SQLBindCol");
    }
}

// Keeps the reads of the application's buffers from being optimised away.
std::uint64_t checksum = 0;

void touch(const column_buffer& b, SQLULEN rows) {
    for (SQLULEN r = 0; r < rows; ++r)
        checksum += static_cast<std::uint64_t>(b.indicators[r]) +
                    std::to_integer<unsigned>(b.data[r * static_cast<SQLULEN>(b.element)]);
}

std::uint64_t run_bind(SQLHSTMT stmt, std::string query) {
    SQLULEN fetched = 0;
    check(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset_rows), 0), SQL_HANDLE_STMT,
          stmt, "SQL_ATTR_ROW_ARRAY_SIZE");
    check(SQLExecDirect(stmt, sql_text(query), SQL_NTS), SQL_HANDLE_STMT, stmt, "SQLExecDirect");
    check(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_HANDLE_STMT, stmt,
          "SQL_ATTR_ROWS_FETCHED_PTR");
    auto buffers = describe(stmt, rowset_rows);
    bind(stmt, buffers);
    std::uint64_t rows = 0;
    SQLRETURN rc;
    while ((rc = SQLFetch(stmt)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        for (const auto& b : buffers) touch(b, fetched);
        rows += fetched;
    }
    if (rc != SQL_NO_DATA) fail(SQL_HANDLE_STMT, stmt, "SQLFetch");
    return rows;
}

std::uint64_t run_getdata(SQLHSTMT stmt, std::string query) {
    check(SQLExecDirect(stmt, sql_text(query), SQL_NTS), SQL_HANDLE_STMT, stmt, "SQLExecDirect");
    auto buffers = describe(stmt, 1);
    std::uint64_t rows = 0;
    SQLRETURN rc;
    while ((rc = SQLFetch(stmt)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        for (std::size_t c = 0; c < buffers.size(); ++c) {
            auto& b = buffers[c];
            check(SQLGetData(stmt, static_cast<SQLUSMALLINT>(c + 1), b.c_type, b.data.data(), b.element,
                             b.indicators.data()),
                  SQL_HANDLE_STMT, stmt, "SQLGetData");
            touch(b, 1);
        }
        ++rows;
    }
    if (rc != SQL_NO_DATA) fail(SQL_HANDLE_STMT, stmt, "SQLFetch");
    return rows;
}

// Fetches the one row of an executed point query into bound buffers and closes the cursor.
std::uint64_t fetch_point(SQLHSTMT stmt, std::vector<column_buffer>& buffers) {
    std::uint64_t rows = 0;
    SQLRETURN rc;
    while ((rc = SQLFetch(stmt)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        for (const auto& b : buffers) touch(b, 1);
        ++rows;
    }
    if (rc != SQL_NO_DATA) fail(SQL_HANDLE_STMT, stmt, "SQLFetch");
    check(SQLFreeStmt(stmt, SQL_CLOSE), SQL_HANDLE_STMT, stmt, "SQLFreeStmt");
    return rows;
}

std::uint64_t run_point(SQLHSTMT stmt, const std::string& pattern, std::uint64_t count) {
    std::vector<column_buffer> buffers;
    std::uint64_t rows = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::string query = fmt::format(fmt::runtime(pattern), bench::point_timestamp(i));
        check(SQLExecDirect(stmt, sql_text(query), SQL_NTS), SQL_HANDLE_STMT, stmt, "SQLExecDirect");
        if (buffers.empty()) {
            buffers = describe(stmt, 1);
            bind(stmt, buffers);
        }
        rows += fetch_point(stmt, buffers);
    }
    return rows;
}

std::uint64_t run_prepared(SQLHSTMT stmt, std::string query, std::uint64_t count) {
    check(SQLPrepare(stmt, sql_text(query), SQL_NTS), SQL_HANDLE_STMT, stmt, "SQLPrepare");
    SQLBIGINT value = 0;
    SQLLEN value_length = 0;
    check(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &value, 0, &value_length),
          SQL_HANDLE_STMT, stmt, "SQLBindParameter");
    std::vector<column_buffer> buffers;
    std::uint64_t rows = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        value = bench::point_timestamp(i);
        check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "SQLExecute");
        if (buffers.empty()) {
            buffers = describe(stmt, 1);
            bind(stmt, buffers);
        }
        rows += fetch_point(stmt, buffers);
    }
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fmt::print(
            stderr,
            "usage: vdl_odbc_bench CONNECTION_STRING bind|bind-char|bind-wchar|getdata|point|prepared QUERY [COUNT]\n");
        return 2;
    }
    std::string connection = argv[1];
    const std::string_view scenario = argv[2];
    const std::string query = argv[3];
    const std::uint64_t count = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 20'000;

    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_HANDLE_ENV, nullptr, "SQLAllocHandle(ENV)");
    check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), SQL_HANDLE_ENV, env,
          "SQL_ATTR_ODBC_VERSION");
    check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env, "SQLAllocHandle(DBC)");
    check(SQLDriverConnect(dbc, nullptr, sql_text(connection), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "SQLAllocHandle(STMT)");

    const auto start = clock_type::now();
    std::uint64_t rows = 0;
    if (scenario == "bind-char") text_binding = SQL_C_CHAR;
    if (scenario == "bind-wchar") text_binding = SQL_C_WCHAR;
    if (scenario.starts_with("bind")) rows = run_bind(stmt, query);
    else if (scenario == "getdata") rows = run_getdata(stmt, query);
    else if (scenario == "point") rows = run_point(stmt, query, count);
    else if (scenario == "prepared") rows = run_prepared(stmt, query, count);
    else {
        fmt::print(stderr, "unknown scenario {}\n", scenario);
        return 2;
    }
    const double seconds = std::chrono::duration<double>(clock_type::now() - start).count();

    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    fmt::print("rows={} seconds={:.6f} checksum={}\n", rows, seconds, checksum % 1000);
    return 0;
}
