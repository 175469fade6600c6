// A query from connect to fetch through the unixODBC Driver Manager, on an embedded store.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver_manager.hpp"
#include "vdl_api.h"

namespace {

class DriverManagerQuery : public ::testing::Test {
protected:
    void SetUp() override {
        vdl_handle* h = vdl_open_tcp();
        ASSERT_EQ(vdl_connect(h, config.store_uri().c_str()), 0u);
        for (const char* q : {"CREATE TABLE t (sym STRING, price DOUBLE, volume INT64)",
                              "INSERT INTO t ($timestamp, sym, price, volume) VALUES (1, 'ibm', 10.5, 100), "
                              "(2, 'aapl', NULL, 200), (3, NULL, 3.25, 300), (4, 'msft', 4.5, NULL), "
                              "(5, 'goog', 5.5, 500), (6, 'amzn', 6.5, 600), (7, 'tsla', 7.5, 700)"}) {
            vdl_result* r = nullptr;
            ASSERT_EQ(vdl_query(h, q, &r), 0u) << vdl_error(vdl_query(h, q, &r));
            vdl_release(h, r);
        }
        vdl_close(h);

        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
    }
    void TearDown() override {
        if (stmt != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (connected) SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }

    void connect(const std::string& text) {
        SQLCHAR out[1024];
        SQLSMALLINT out_length = 0;
        const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                                              SQL_NTS, out, sizeof out, &out_length, SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << support::diag(SQL_HANDLE_DBC, dbc);
        connected = true;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    }
    SQLRETURN exec(const char* text) {
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
    }

    support::private_odbc_config config;
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    bool connected = false;
};

}  // namespace

TEST_F(DriverManagerQuery, ConnectsByDataSourceName) {
    connect("DSN=vdl-store");
    ASSERT_EQ(exec("select count(*) from t"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLBIGINT n = 0;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_SBIGINT, &n, 0, &ind), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(n, 7);
}

TEST_F(DriverManagerQuery, DescribesAndFetchesWithBlockCursorsAndGetData) {
    connect("DRIVER={vdl};URI=" + config.store_uri());
    ASSERT_EQ(exec("select sym, price, volume from t order by $timestamp"), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);

    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 3);
    SQLCHAR name[32];
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    ASSERT_EQ(SQLDescribeCol(stmt, 2, name, sizeof name, &name_length, &type, &size, &digits, &nullable), SQL_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "price");
    EXPECT_EQ(type, SQL_DOUBLE);

    constexpr SQLULEN rowset = 5;
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset), 0), SQL_SUCCESS);
    SQLULEN fetched = 0;
    SQLUSMALLINT status[rowset];
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, status, 0), SQL_SUCCESS);
    SQLBIGINT volume[rowset];
    SQLLEN volume_ind[rowset];
    char sym[rowset][8];
    SQLLEN sym_ind[rowset];
    ASSERT_EQ(SQLBindCol(stmt, 3, SQL_C_SBIGINT, volume, 0, volume_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_CHAR, sym, sizeof sym[0], sym_ind), SQL_SUCCESS);

    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(fetched, 5u);
    EXPECT_EQ(volume[0], 100);
    EXPECT_EQ(volume_ind[3], SQL_NULL_DATA);
    EXPECT_STREQ(sym[1], "aapl");
    EXPECT_EQ(sym_ind[2], SQL_NULL_DATA);

    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    EXPECT_EQ(fetched, 2u) << "the last rowset is partial";
    EXPECT_EQ(volume[1], 700);
    EXPECT_EQ(status[0], SQL_ROW_SUCCESS);
    EXPECT_EQ(status[2], SQL_ROW_NOROW);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);

    ASSERT_EQ(SQLFreeStmt(stmt, SQL_UNBIND), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0), SQL_SUCCESS);
    ASSERT_EQ(exec("select $timestamp, price from t where sym = 'ibm'"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQL_TIMESTAMP_STRUCT ts{};
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(ts.year, 1970);
    EXPECT_EQ(ts.fraction, 1u);
    char text[64];
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
    EXPECT_STREQ(text, "1970-01-01 00:00:00.000000001");
    double price = 0;
    ASSERT_EQ(SQLGetData(stmt, 2, SQL_C_DOUBLE, &price, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(price, 10.5);
}

TEST_F(DriverManagerQuery, PreparedInsertWithParameters) {
    connect("DRIVER={vdl};URI=" + config.store_uri());
    ASSERT_EQ(
        SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>("insert into t (sym, volume) values (?, ?)")),
                   SQL_NTS),
        SQL_SUCCESS);
    char sym[16] = "nvda";
    SQLLEN sym_ind = SQL_NTS;
    SQLBIGINT volume = 42;
    ASSERT_EQ(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 15, 0, sym, sizeof sym, &sym_ind),
              SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &volume, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLFreeStmt(stmt, SQL_RESET_PARAMS), SQL_SUCCESS);
    ASSERT_EQ(exec("select volume from t where sym = 'nvda'"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLBIGINT got = 0;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_SBIGINT, &got, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(got, 42);
}

TEST_F(DriverManagerQuery, FailuresComeBackAsDiagnostics) {
    connect("DRIVER={vdl};URI=" + config.store_uri());
    EXPECT_EQ(exec("select * from missing"), SQL_ERROR);
    EXPECT_NE(support::diag(SQL_HANDLE_STMT, stmt).find("42S02"), std::string::npos)
        << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(exec("select price from t"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    char text[8];
    SQLLEN ind = 0;
    EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_TYPE_DATE, text, sizeof text, &ind), SQL_ERROR);
    EXPECT_NE(support::diag(SQL_HANDLE_STMT, stmt).find("07006"), std::string::npos)
        << support::diag(SQL_HANDLE_STMT, stmt);
}

TEST_F(DriverManagerQuery, RowsFetchedCountsEachRowsetOfALargeResult) {
    {
        vdl_handle* h = vdl_open_tcp();
        ASSERT_EQ(vdl_connect(h, config.store_uri().c_str()), 0u);
        std::string insert = "INSERT INTO t ($timestamp, volume) VALUES ";
        for (int i = 0; i < 2493; ++i)
            insert += (i ? ", (" : "(") + std::to_string(100 + i) + ", " + std::to_string(i) + ")";
        vdl_result* r = nullptr;
        ASSERT_EQ(vdl_query(h, insert.c_str(), &r), 0u);
        vdl_close(h);
    }
    connect("DRIVER={vdl};URI=" + config.store_uri());
    constexpr SQLULEN rowset = 1000;
    SQLULEN fetched = 99;
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(exec("select volume from t"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    std::vector<SQLBIGINT> volume(rowset);
    std::vector<SQLLEN> ind(rowset);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SBIGINT, volume.data(), 0, ind.data()), SQL_SUCCESS);
    std::vector<SQLULEN> counts;
    SQLRETURN rc;
    while ((rc = SQLFetch(stmt)) == SQL_SUCCESS) counts.push_back(fetched);
    EXPECT_EQ(rc, SQL_NO_DATA);
    EXPECT_EQ(counts, (std::vector<SQLULEN>{1000, 1000, 500}));
    EXPECT_EQ(fetched, 0u);
}

TEST_F(DriverManagerQuery, CapabilitiesAndAttributesAnswerThroughTheDriverManager) {
    connect("DSN=vdl-store;UID=alice;PWD=private;KEY=public");
    char text[64] = {};
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetInfo(dbc, SQL_DATA_SOURCE_NAME, text, sizeof text, &length), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_DBC, dbc);
    EXPECT_STREQ(text, "vdl-store");
    ASSERT_EQ(SQLGetInfo(dbc, SQL_USER_NAME, text, sizeof text, &length), SQL_SUCCESS);
    EXPECT_STREQ(text, "alice");
    SQLUINTEGER conformance = 0;
    ASSERT_EQ(SQLGetInfo(dbc, SQL_SQL_CONFORMANCE, &conformance, sizeof conformance, nullptr), SQL_SUCCESS);
    EXPECT_EQ(conformance, static_cast<SQLUINTEGER>(SQL_SC_SQL92_ENTRY));

    SQLUSMALLINT supported = 0;
    ASSERT_EQ(SQLGetFunctions(dbc, SQL_API_SQLFETCHSCROLL, &supported), SQL_SUCCESS);
    EXPECT_EQ(supported, SQL_TRUE);

    SQLULEN max_rows = 0;
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(2), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLGetStmtAttr(stmt, SQL_ATTR_MAX_ROWS, &max_rows, sizeof max_rows, nullptr), SQL_SUCCESS);
    EXPECT_EQ(max_rows, 2u);
    ASSERT_EQ(exec("select sym from t"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    SQLLEN rows = 0;
    ASSERT_EQ(SQLRowCount(stmt, &rows), SQL_SUCCESS);
    EXPECT_EQ(rows, 2) << "the maximum row count became a LIMIT";
}
