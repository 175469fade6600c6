#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "captured_log.hpp"
#include "result_text.hpp"
#include "sentinel_buffer.hpp"
#include "statement/execution.hpp"
#include "store_statement.hpp"

namespace {

using support::bits;
using support::columns_text;
using support::row_count;
using support::row_number;
using support::rows_text;

std::string text_of(SQLCHAR* s) { return reinterpret_cast<char*>(s); }

class Execution : public ::testing::Test {
protected:
    void SetUp() override {
        s.direct("CREATE TABLE t (sym STRING, price DOUBLE, volume INT64)");
        s.direct(
            "INSERT INTO t (sym, price, volume, $timestamp) VALUES ('ibm', 10.5, NULL, 10), "
            "('aapl', NULL, 7, 20), (NULL, 3.25, 9, 30)");
    }
    support::store_statement s;
};

}  // namespace

TEST_F(Execution, BuildsColumnsByKindFromTheFirstNonNullCell) {
    ASSERT_EQ(s.exec("select $timestamp, sym, price, volume, count(*) as n from t group by 1,2,3,4 order by 1"),
              SQL_SUCCESS)
        << s.diag_message();
    EXPECT_EQ(row_count(s.stmt()), 3);
    EXPECT_EQ(row_number(s.stmt()), 0u) << "before the first row";
    // sym is NULL in row 3, price in row 2, volume in row 1: each column has the kind of its first
    // value; a NULL cell does not shrink a text column, and counts are widened to big integers.
    EXPECT_EQ(columns_text(s.stmt()),
              "$timestamp TIMESTAMP(29), sym STRING(4), price DOUBLE(24), volume INT64(20), n INT64(20)");
    EXPECT_EQ(rows_text(s.stmt()),
              "1970-01-01 00:00:00.00000001 | ibm | 10.5 | NULL | 1\n"
              "1970-01-01 00:00:00.00000002 | aapl | NULL | 7 | 1\n"
              "1970-01-01 00:00:00.00000003 | NULL | 3.25 | 9 | 1\n");
}

TEST_F(Execution, AllNullColumnsAndTextWidths) {
    ASSERT_EQ(s.exec("select sym, price from t where price is null"), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(columns_text(s.stmt()), "sym STRING(4), price DOUBLE(24)")
        << "an all-NULL column keeps its kind, told by the library";
    SQLSMALLINT type = 0;
    ASSERT_EQ(SQLDescribeCol(s.stmt(), 2, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(type, SQL_DOUBLE);
    EXPECT_EQ(rows_text(s.stmt()), "aapl | NULL\n");

    ASSERT_EQ(s.exec("select sym, price, volume from t where volume > 100"), SQL_SUCCESS);
    EXPECT_EQ(row_count(s.stmt()), -1) << "no rows reads -1";
    EXPECT_EQ(columns_text(s.stmt()), "sym STRING(0), price DOUBLE(24), volume INT64(20)")
        << "an empty result keeps its kinds";
}

TEST_F(Execution, FixedAnswersNeverReachTheDatabase) {
    ASSERT_EQ(s.exec("select sym from t"), SQL_SUCCESS);
    const support::captured_log log;
    EXPECT_EQ(s.exec("UNPREPARE"), SQL_SUCCESS);
    EXPECT_EQ(columns_text(s.stmt()), "") << "the result is gone";
    EXPECT_EQ(row_count(s.stmt()), -1);
    EXPECT_EQ(s.exec(""), SQL_SUCCESS);

    EXPECT_EQ(s.exec("select * from vdl.statistics.x"), SQL_SUCCESS_WITH_INFO);
    const auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "01000");
    EXPECT_EQ(d.message, "[01000] General warning: getting columns from vdl.statistics timeseries is not supported");
    EXPECT_EQ(log.queries_sent(), std::vector<std::string>{});

    EXPECT_EQ(s.exec("unprepare"), SQL_ERROR) << "only the exact text is special";
    EXPECT_EQ(log.queries_sent(), std::vector<std::string>{"unprepare"});
}

TEST_F(Execution, LibraryFailuresKeepThePreviousResult) {
    ASSERT_EQ(s.exec("select sym from t"), SQL_SUCCESS);
    EXPECT_EQ(s.exec("select * from missing"), SQL_ERROR);
    auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "42S02");
    EXPECT_TRUE(d.message.starts_with("[42S02] Table doesn't exist: query error: ")) << d.message;
    EXPECT_NE(d.message.find("missing"), std::string::npos) << "the library's reason reaches the user: " << d.message;

    EXPECT_EQ(s.exec("selec nothing"), SQL_ERROR);
    d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "HY000");
    EXPECT_TRUE(d.message.starts_with("[HY000] General error: could not query, error: ")) << d.message;

    EXPECT_EQ(columns_text(s.stmt()), "sym STRING(4)");
    EXPECT_EQ(row_count(s.stmt()), 3);
    EXPECT_EQ(rows_text(s.stmt()), "ibm\naapl\nNULL\n");
}

TEST_F(Execution, LibraryStatusIsTheNativeError) {
    EXPECT_EQ(s.exec("select * from missing"), SQL_ERROR);
    SQLINTEGER native = 7;
    SQLCHAR state[6];
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s.stmt(), 1, state, &native, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(static_cast<std::uint32_t>(native), VDL_E_NO_TABLE);
    EXPECT_EQ(s.exec("select sym from t"), SQL_SUCCESS);
    native = 7;
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s.stmt(), 1, state, &native, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(native, 0) << "written on success too";
}

TEST_F(Execution, AStatementWithoutAResultLeavesNoneOfThePreviousOne) {
    SQLULEN fetched = 99;
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(s.exec("select sym, price from t"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    char text[8];
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, text, 2, &ind), SQL_SUCCESS_WITH_INFO) << "a value begun in pieces";

    for (const char* text_without_result :
         {"insert into t (sym, $timestamp) values ('x', 5)", "update t set price = 1 where sym = 'x'",
          "CREATE TABLE u (a INT64)", "delete from t where sym = 'x'", "DROP TABLE u"}) {
        SCOPED_TRACE(text_without_result);
        ASSERT_EQ(s.exec(text_without_result), SQL_SUCCESS) << s.diag_message();
        SQLSMALLINT columns = -1;
        ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
        EXPECT_EQ(columns, 0);
        SQLLEN rows = 0;
        ASSERT_EQ(SQLRowCount(s.stmt(), &rows), SQL_SUCCESS);
        EXPECT_EQ(rows, -1) << "the library does not tell how many rows changed";
        fetched = 99;
        EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
        EXPECT_EQ(fetched, 0u) << "a fetch without rows fetched none";
        EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_ERROR);
        EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "07009");
    }
    EXPECT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0), SQL_SUCCESS);
}

TEST_F(Execution, GetDataProgressBelongsToTheResultItWasMadeOn) {
    s.direct("CREATE TABLE words (w STRING)");
    s.direct("INSERT INTO words (w, $timestamp) VALUES ('abcdefgh', 1)");
    ASSERT_EQ(s.exec("select sym from t where sym = 'aapl'"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    char piece[3];
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, piece, sizeof piece, &ind), SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(piece, "aa");

    // Same column, same row number, another result: the value starts at its first byte.
    ASSERT_EQ(s.exec("select w from words"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, piece, sizeof piece, &ind), SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(piece, "ab");
    EXPECT_EQ(ind, 8);
}

TEST_F(Execution, RowLimitAndWrappedQueries) {
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_MAX_ROWS, bits(2), 0), SQL_SUCCESS);
    ASSERT_EQ(s.exec("select sym, price from t"), SQL_SUCCESS);
    EXPECT_EQ(row_count(s.stmt()), 2);
    EXPECT_EQ(rows_text(s.stmt()), "ibm | 10.5\naapl | NULL\n");
    ASSERT_EQ(s.exec("select sym, price from t limit 3"), SQL_SUCCESS);
    EXPECT_EQ(row_count(s.stmt()), 2) << "the maximum holds over the text's own limit";
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_MAX_ROWS, bits(0), 0), SQL_SUCCESS);

    {
        const support::captured_log log;
        ASSERT_EQ(s.exec("SELECT \"TableauSQL\".\"a\" FROM (\n  select volume, sym, price from t\n) \"TableauSQL\""),
                  SQL_SUCCESS)
            << s.diag_message();
        const auto sent = log.queries_sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].find("TableauSQL"), std::string::npos) << "the wrapper is cut away: " << sent[0];
    }
    EXPECT_EQ(columns_text(s.stmt()), "price DOUBLE(24), sym STRING(4), volume INT64(20)") << "by name";
    ASSERT_EQ(s.exec("select volume, sym, price from t"), SQL_SUCCESS);
    EXPECT_EQ(columns_text(s.stmt()), "volume INT64(20), sym STRING(4), price DOUBLE(24)");
}

// RODBC declares the rows fetched 4 bytes wide and sizes its buffers after setting the pointer:
// a write at any other time than a fetch overwrites its memory.
TEST_F(Execution, OnlyAFetchWritesTheRowsFetched) {
    SQLULEN fetched = 99;
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(s.exec("select sym from t"), SQL_SUCCESS);
    EXPECT_EQ(fetched, 99u) << "not by an execution";
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(fetched, 1u) << "the rows this fetch put in the rowset";
    ASSERT_EQ(s.prepare("select sym from t"), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(s.exec("select * from missing"), SQL_ERROR);
    EXPECT_EQ(fetched, 1u);
}

TEST_F(Execution, PreparedStatementsWithParameters) {
    {
        // The INSERT rule gives the row its time of insertion.
        const support::captured_log log;
        ASSERT_EQ(s.prepare("insert into t (sym, price, volume) values (?, ?, ?)"), SQL_SUCCESS);
        const auto text = log.text();
        EXPECT_NE(text.find("[Debug] prepared query: 'INSERT INTO t (sym, price, volume, $timestamp) VALUES (?, ?, ?, "
                            "NOW());' parameters: 3 insert: true\n"),
                  std::string::npos)
            << text;
    }
    SQLSMALLINT markers = 0;
    SQLNumParams(s.stmt(), &markers);
    EXPECT_EQ(markers, 3);

    char sym[16] = "q?'x";
    double price = 0.1;
    std::int64_t volume = -3;
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 0, 0, sym, sizeof sym, &nts),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s.stmt(), 2, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &price, 0, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_ERROR) << "two bindings for three markers";
    EXPECT_EQ(s.diag_message(), "[HY000] General error: Expected 3 parameters, got 2");
    ASSERT_EQ(SQLBindParameter(s.stmt(), 3, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &volume, 0, nullptr),
              SQL_SUCCESS);
    // The buffers are read at execution: a "?" inside a value does not take a later marker.
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    std::strcpy(sym, "second");
    volume = 4;
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();

    ASSERT_EQ(s.exec("select sym, price, volume from t where volume in (-3, 4) order by sym"), SQL_SUCCESS);
    EXPECT_EQ(rows_text(s.stmt()), "q?'x | 0.1 | -3\nsecond | 0.1 | 4\n");
}

TEST_F(Execution, BindingFailuresKeepTheBindings) {
    ASSERT_EQ(s.prepare("select * from t where sym = ? and volume = ?"), SQL_SUCCESS);
    std::int32_t v = 1;
    EXPECT_EQ(SQLBindParameter(s.stmt(), 3, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: could not bind parameter at index 2, parameter count is 2");
    EXPECT_EQ(SQLBindParameter(s.stmt(), 0, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_GUID, 0, 0, &v, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: unsupported target type: -11");
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: Expected 2 parameters, got 0") << "no refused binding is kept";
    ASSERT_EQ(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s.stmt(), 2, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr),
              SQL_SUCCESS);
    // Bindings survive SQLPrepare: those beyond the markers of a later text are ignored (pyodbc
    // runs a 1-marker text after one whose parameter 5 failed to bind).
    v = 9;
    ASSERT_EQ(s.prepare("select * from t where volume = ?"), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(row_count(s.stmt()), 1);
    // Every marker needs its binding.
    ASSERT_EQ(s.prepare("select * from t where volume = ? or volume = ? or volume = ?"), SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: Expected 3 parameters, got 2");
    EXPECT_EQ(SQLFreeStmt(s.stmt(), SQL_RESET_PARAMS), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s.stmt(), 3, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_ERROR) << "parameter 2 is not bound";
    EXPECT_EQ(s.diag_message(), "[HY000] General error: Expected 3 parameters, got 2");
}

// SQLExecDirect replaces the prepared text: a later SQLNumResultCols runs nothing but what it
// describes (pyodbc runs a statement without a result after a prepared SELECT with parameters
// and asks for its columns), and SQLExecute has nothing of the older text to take or run.
TEST_F(Execution, ExecDirectReplacesThePreparedText) {
    ASSERT_EQ(s.prepare("select sym from t where volume = ?"), SQL_SUCCESS);
    std::int32_t v = 9;
    ASSERT_EQ(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_RESET_PARAMS), SQL_SUCCESS);
    ASSERT_EQ(s.exec("CREATE TABLE u (n INT64)"), SQL_SUCCESS) << s.diag_message();
    SQLSMALLINT columns = -1;
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(columns, 0) << "the CREATE has no result";

    // A prepared SELECT without markers, run early, then replaced by a direct text.
    ASSERT_EQ(s.prepare("select sym, price from t"), SQL_SUCCESS);
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 2);
    ASSERT_EQ(s.exec("insert into u (n) values (1)"), SQL_SUCCESS);
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 0);
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_NO_DATA) << "nothing prepared, no result";
    ASSERT_EQ(s.exec("select count(*) from u"), SQL_SUCCESS);
    EXPECT_EQ(rows_text(s.stmt()), "1\n") << "the insert ran once";
}

TEST_F(Execution, AnEarlyExecutionIsTakenByTheNextExecuteOnly) {
    const support::captured_log log;
    ASSERT_EQ(s.prepare("select sym from t"), SQL_SUCCESS);
    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1);
    EXPECT_EQ(log.queries_sent().size(), 1u) << "run early to describe its columns";
    // Called on the driver directly (the Driver Manager refuses a fetch before SQLExecute).
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    s.direct("insert into t (sym, $timestamp) values ('later', 9000)");
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(log.queries_sent().size(), 1u) << "the early execution is this execution";
    EXPECT_EQ(row_count(s.stmt()), 3) << "the result of the early execution is this execution's";
    EXPECT_EQ(row_number(s.stmt()), 1u) << "and the cursor is not rewound";
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(log.queries_sent().size(), 2u);
    EXPECT_EQ(row_count(s.stmt()), 4) << "a further execution asks the store again";
    EXPECT_EQ(row_number(s.stmt()), 0u);

    // An insert is not run to count its columns, and runs on every execution.
    ASSERT_EQ(s.prepare("insert into t (sym) values ('y')"), SQL_SUCCESS);
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 0);
    EXPECT_EQ(log.queries_sent().size(), 2u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(log.queries_sent().size(), 5u);
    ASSERT_EQ(s.exec("select count(*) from t where sym = 'y'"), SQL_SUCCESS);
    EXPECT_EQ(rows_text(s.stmt()), "3\n");
}

TEST_F(Execution, FreeStmtAndCancel) {
    ASSERT_EQ(s.prepare("select sym from t where volume = ?"), SQL_SUCCESS);
    std::int64_t v = 7;
    SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &v, 0, nullptr);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    support::sentinel_buffer<8> buffer;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_CHAR, buffer.data(), buffer.bytes.size(), &ind), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_STREQ(static_cast<const char*>(buffer.data()), "aapl");

    EXPECT_EQ(SQLFreeStmt(s.stmt(), SQL_CLOSE), SQL_SUCCESS);
    EXPECT_EQ(row_number(s.stmt()), 0u) << "the cursor is closed";
    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1) << "the result stays";
    EXPECT_EQ(SQLFreeStmt(s.stmt(), SQL_UNBIND), SQL_SUCCESS);
    buffer = {};
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS) << "the result is read again from its first row";
    EXPECT_EQ(row_number(s.stmt()), 1u);
    EXPECT_TRUE(buffer.untouched()) << "the column is no longer bound";
    EXPECT_EQ(SQLFreeStmt(s.stmt(), SQL_DROP), SQL_SUCCESS);

    // An idle statement of an ODBC 3 application: SQLCancel changes nothing.
    EXPECT_EQ(SQLCancel(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(row_number(s.stmt()), 1u) << "the cursor stays";
    // The prepared text and its parameter binding (which SQL_UNBIND left) stay too.
    const support::captured_log log;
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(log.queries_sent(), std::vector<std::string>{"select sym from t where volume = 7"});
    EXPECT_EQ(rows_text(s.stmt()), "aapl\n");
}

TEST_F(Execution, ColumnDescription) {
    ASSERT_EQ(s.exec("select volume, price, sym, $timestamp from t where volume = 9"), SQL_SUCCESS);
    SQLSMALLINT count = 0;
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 4);

    SQLCHAR name[4];
    SQLSMALLINT name_length = 0, type = 0, digits = -1, nullable = -1;
    SQLULEN size = 0;
    ASSERT_EQ(SQLDescribeCol(s.stmt(), 4, name, sizeof name, &name_length, &type, &size, &digits, &nullable),
              SQL_SUCCESS);
    EXPECT_EQ(text_of(name), "$ti");
    EXPECT_EQ(name_length, 10);
    EXPECT_EQ(type, SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(size, 29u) << "yyyy-mm-dd hh:mm:ss.fffffffff";
    EXPECT_EQ(digits, 9);
    EXPECT_EQ(nullable, SQL_NULLABLE);
    ASSERT_EQ(SQLDescribeCol(s.stmt(), 1, nullptr, 0, nullptr, &type, &size, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(type, SQL_BIGINT);
    EXPECT_EQ(size, 20u);

    EXPECT_EQ(SQLDescribeCol(s.stmt(), 0, name, sizeof name, nullptr, nullptr, nullptr, nullptr, nullptr), SQL_ERROR);
    auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "07009");
    EXPECT_EQ(d.message, "[07009] Invalid descriptor index: tried to fetch col index 65535, max is 4");
    EXPECT_EQ(SQLDescribeCol(s.stmt(), 5, name, sizeof name, nullptr, nullptr, nullptr, nullptr, nullptr), SQL_ERROR);
}

TEST_F(Execution, ColumnAttributes) {
    ASSERT_EQ(s.exec("select volume, sym from t where volume = 7"), SQL_SUCCESS);
    char text[32] = "untouched";
    SQLSMALLINT length = 0;
    SQLLEN number = -5;
    {
        // A successful call leaves no error line at the default level, and its call line at Debug.
        support::captured_log info(logger::level::info);
        ASSERT_EQ(SQLColAttribute(s.stmt(), 2, SQL_DESC_NAME, text, sizeof text, &length, nullptr), SQL_SUCCESS);
        EXPECT_EQ(info.text(), "");
        logger::instance().set_level(logger::level::debug);
        ASSERT_EQ(SQLColAttribute(s.stmt(), 2, SQL_DESC_NAME, text, sizeof text, &length, nullptr), SQL_SUCCESS);
        EXPECT_EQ(info.lines().at(0), "[Debug] SQLColAttribute column:2 field: 1011");
    }
    EXPECT_STREQ(text, "sym");
    ASSERT_EQ(SQLColAttribute(s.stmt(), 1, SQL_DESC_TYPE_NAME, text, sizeof text, &length, &number), SQL_SUCCESS);
    EXPECT_STREQ(text, "INT64");
    EXPECT_EQ(number, 0);
    ASSERT_EQ(SQLColAttribute(s.stmt(), 1, SQL_DESC_NUM_PREC_RADIX, text, sizeof text, &length, &number), SQL_SUCCESS);
    EXPECT_EQ(number, 19);
    ASSERT_EQ(SQLColAttribute(s.stmt(), 2, SQL_DESC_COUNT, nullptr, 0, nullptr, &number), SQL_SUCCESS);
    EXPECT_EQ(number, 2);
    ASSERT_EQ(SQLColAttribute(s.stmt(), 2, SQL_DESC_LENGTH, nullptr, 0, nullptr, &number), SQL_SUCCESS);
    EXPECT_EQ(number, 4);
    ASSERT_EQ(SQLColAttributes(s.stmt(), 1, SQL_DESC_UPDATABLE, nullptr, 0, nullptr, &number), SQL_SUCCESS);
    EXPECT_EQ(number, SQL_ATTR_READWRITE_UNKNOWN);
    std::strcpy(text, "untouched");
    ASSERT_EQ(SQLColAttribute(s.stmt(), 1, SQL_DESC_TABLE_NAME, text, sizeof text, &length, &number), SQL_SUCCESS);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(length, 0);

    EXPECT_EQ(SQLColAttribute(s.stmt(), 3, SQL_DESC_COUNT, nullptr, 0, nullptr, &number), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "07009");
    EXPECT_EQ(SQLColAttribute(s.stmt(), 1, SQL_DESC_ARRAY_SIZE, nullptr, 0, nullptr, &number), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: attribute not supported");
}

TEST(BuildColumns, CellsOfAnotherKindThanTheColumnsAreNeverMisread) {
    // The engine types values, not columns: one column can carry cells of several kinds.
    vdl_column_name names[4]{{"text", 4}, {"number", 6}, {"integer", 7}, {"time", 4}};
    vdl_cell row0[4]{};
    vdl_cell row1[4]{};
    vdl_cell row2[4]{};
    row0[0].kind = VDL_CELL_STRING;
    row0[0].payload.as_string = {"abc", 3};
    row1[0].kind = VDL_CELL_DOUBLE;  // its bits read as a pointer would point anywhere
    row1[0].payload.as_double = 1.5;
    row2[0].kind = VDL_CELL_INT64;
    row2[0].payload.as_int64 = 0x7fff'0000'1234;
    row0[1].kind = VDL_CELL_NULL;
    row1[1].kind = VDL_CELL_DOUBLE;
    row1[1].payload.as_double = 2.5;
    row2[1].kind = VDL_CELL_INT64;
    row2[1].payload.as_int64 = 7;
    row0[2].kind = VDL_CELL_COUNT;
    row0[2].payload.as_count = 4'000'000'000u;
    row1[2].kind = VDL_CELL_DOUBLE;
    row1[2].payload.as_double = 2.5;
    row2[2].kind = VDL_CELL_STRING;
    row2[2].payload.as_string = {"x", 1};
    row0[3].kind = VDL_CELL_TIMESTAMP;
    row0[3].payload.as_timestamp = {1, 2};
    row1[3].kind = VDL_CELL_INT64;
    row1[3].payload.as_int64 = 5;
    row2[3].kind = VDL_CELL_NULL;
    vdl_cell* rows[3]{row0, row1, row2};
    const vdl_result result{names, 4, rows, 3};

    const auto columns = execution::build_columns(result, false);
    ASSERT_EQ(columns.size(), 4u);
    const auto& text = std::get<text_view_cells>(columns[0].data).values;
    EXPECT_EQ(text[0], "abc");
    EXPECT_FALSE(text[1].has_value());
    EXPECT_FALSE(text[2].has_value());
    EXPECT_EQ(columns[0].column_size, 3) << "a NULL cell does not shrink a text column";
    const auto& number = std::get<double_cells>(columns[1].data).values;
    EXPECT_FALSE(number[0].has_value());
    EXPECT_EQ(number[1], 2.5);
    EXPECT_EQ(number[2], 7.0) << "an integer in a double column keeps its value";
    const auto& integer = std::get<double_cells>(columns[2].data).values;
    EXPECT_EQ(columns[2].sql_type, SQL_DOUBLE) << "integers mixed with doubles are read as doubles";
    EXPECT_EQ(integer[0], 4'000'000'000.0);
    EXPECT_EQ(integer[1], 2.5);
    EXPECT_FALSE(integer[2].has_value());
    const auto& time = std::get<timestamp_cells>(columns[3].data).values;
    EXPECT_EQ(time[0], (timestamp_value{1, 2}));
    EXPECT_FALSE(time[1].has_value());
    EXPECT_FALSE(time[2].has_value());
}

TEST_F(Execution, DisconnectReleasesTheResultsOfStatementsLeftAllocated) {
    ASSERT_EQ(s.exec("select sym, price from t"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(row_number(s.stmt()), 2u);

    // (The fake client library's tests see the library result handed back before the close.)
    ASSERT_EQ(SQLDisconnect(s.dbc()), SQL_SUCCESS);
    EXPECT_EQ(columns_text(s.stmt()), "") << "no columns";
    EXPECT_EQ(row_count(s.stmt()), -1);
    EXPECT_EQ(row_number(s.stmt()), 0u);
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);

    EXPECT_EQ(s.exec("select sym from t"), SQL_ERROR) << "the statement no longer holds the closed handle";
    const auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "08003");
}

TEST_F(Execution, ManyExecutionsOnOneStatementKeepOneLibraryResult) {
    // Each result replaces the previous one, which is handed back; the sanitizer build reports
    // any result left behind.
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(s.exec("select sym, price from t"), SQL_SUCCESS) << i;
    EXPECT_EQ(row_count(s.stmt()), 3);
}

TEST_F(Execution, NullParametersAreInsertedAsNull) {
    ASSERT_EQ(s.prepare("insert into t (sym, price, volume) values (?, ?, ?)"), SQL_SUCCESS);
    char sym[8] = "nul";
    SQLLEN nts = SQL_NTS;
    SQLLEN null_data = SQL_NULL_DATA;
    std::int64_t volume = 5;  // never read: the indicator says NULL
    ASSERT_EQ(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 0, 0, sym, sizeof sym, &nts),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s.stmt(), 2, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, nullptr, 0, &null_data),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s.stmt(), 3, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &volume, 0, &null_data),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();

    ASSERT_EQ(s.exec("select price, volume from t where sym = 'nul'"), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(columns_text(s.stmt()), "price DOUBLE(24), volume INT64(20)") << "kinds told by the library";
    EXPECT_EQ(rows_text(s.stmt()), "NULL | NULL\n");
}

TEST_F(Execution, AColumnMixingKindsKeepsItsValues) {
    // The rows of each text, sorted: union all promises no order.
    const auto sorted_rows = [&] {
        auto lines = support::lines_of(rows_text(s.stmt()));
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    ASSERT_EQ(s.exec("select volume from t union all select price from t"), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(columns_text(s.stmt()), "volume DOUBLE(24)") << "the integers of volume and the doubles of price";
    EXPECT_EQ(sorted_rows(), (std::vector<std::string>{"10.5", "3.25", "7", "9", "NULL", "NULL"}));

    // The library hands numbers among texts over as text; none is read as if it were a text.
    ASSERT_EQ(s.exec("select sym from t union all select price from t"), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(columns_text(s.stmt()), "sym STRING(4)");
    EXPECT_EQ(sorted_rows(), (std::vector<std::string>{"10.5", "3.25", "NULL", "NULL", "aapl", "ibm"}));
}

TEST_F(Execution, CloseCursorRewindsLikeFreeStmtClose) {
    ASSERT_EQ(s.exec("select sym from t order by $timestamp"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    char text[8];
    SQLLEN ind = 0;
    ASSERT_EQ(SQLCloseCursor(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(row_number(s.stmt()), 0u);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS) << "the result can be read again from its first row";
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
    EXPECT_STREQ(text, "ibm");
    // Clients close after every result, also one without a cursor.
    ASSERT_EQ(s.exec("delete from t where sym = 'nobody'"), SQL_SUCCESS);
    EXPECT_EQ(SQLCloseCursor(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLCloseCursor(nullptr), SQL_INVALID_HANDLE);
}

TEST_F(Execution, DescribeParamAnswersForEachMarker) {
    ASSERT_EQ(s.prepare("select sym from t where price > ? and volume < ?"), SQL_SUCCESS);
    for (SQLUSMALLINT number = 1; number <= 2; ++number) {
        SQLSMALLINT type = 0, digits = -1, nullable = -1;
        SQLULEN size = 99;
        ASSERT_EQ(SQLDescribeParam(s.stmt(), number, &type, &size, &digits, &nullable), SQL_SUCCESS) << number;
        EXPECT_EQ(type, SQL_VARCHAR);
        EXPECT_EQ(size, 4000u) << "not 0, which sends pyodbc's fast_executemany texts as data-at-execution";
        EXPECT_EQ(digits, 9) << "not 0, which makes pyodbc's fast_executemany drop a datetime's fraction";
        EXPECT_EQ(nullable, SQL_NULLABLE_UNKNOWN);
    }
    EXPECT_EQ(SQLDescribeParam(s.stmt(), 1, nullptr, nullptr, nullptr, nullptr), SQL_SUCCESS);
    for (const SQLUSMALLINT bad : std::to_array<SQLUSMALLINT>({0, 3})) {
        SQLSMALLINT type = -7;
        EXPECT_EQ(SQLDescribeParam(s.stmt(), bad, &type, nullptr, nullptr, nullptr), SQL_ERROR) << bad;
        EXPECT_EQ(type, -7);
        EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "07009");
    }
    EXPECT_EQ(s.diag_message(),
              "[07009] Invalid descriptor index: parameter 3 is not a marker of the statement, which has 2");
}
