#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "captured_log.hpp"
#include "statement/execution.hpp"
#include "store_statement.hpp"

namespace {

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
    const auto& r = s.record();
    EXPECT_EQ(r.result.row_count, 3);
    EXPECT_EQ(r.cursor.current_row, -1);
    ASSERT_EQ(r.result.table.columns.size(), 5u);
    const auto& cols = r.result.table.columns;
    EXPECT_EQ(cols[0].name, "$timestamp");
    EXPECT_EQ(cols[0].data.index(), 11u);
    EXPECT_EQ(cols[1].data.index(), 10u);
    EXPECT_GT(cols[1].column_size, 0) << "a NULL cell does not shrink a text column";
    EXPECT_EQ(cols[2].data.index(), 8u) << "price is NULL in row 2 only";
    EXPECT_EQ(cols[3].data.index(), 5u) << "volume is NULL in row 1: the kind comes from row 2";
    EXPECT_FALSE(std::get<bigint_cells>(cols[3].data).values[0].has_value());
    EXPECT_EQ(std::get<bigint_cells>(cols[3].data).values[1], 7);
    EXPECT_EQ(cols[4].data.index(), 5u) << "counts are widened to big integers";
    EXPECT_EQ(std::get<bigint_cells>(cols[4].data).values[0], 1);
    EXPECT_EQ(std::get<timestamp_cells>(cols[0].data).values[2], (timestamp_value{0, 30}));

    SQLLEN rows = 0;
    EXPECT_EQ(SQLRowCount(s.stmt(), &rows), SQL_SUCCESS);
    EXPECT_EQ(rows, 3);
}

TEST_F(Execution, AllNullColumnsAndTextWidths) {
    ASSERT_EQ(s.exec("select sym, price from t where price is null"), SQL_SUCCESS) << s.diag_message();
    const auto& cols = s.record().result.table.columns;
    EXPECT_EQ(cols[0].data.index(), 10u);
    EXPECT_EQ(cols[0].column_size, 4);
    EXPECT_EQ(cols[1].data.index(), 8u) << "an all-NULL column keeps its kind, told by the library";
    EXPECT_EQ(cols[1].type_name, "DOUBLE");
    EXPECT_EQ(cols[1].sql_type, SQL_DOUBLE);

    ASSERT_EQ(s.exec("select sym from t where volume > 100"), SQL_SUCCESS);
    SQLLEN rows = 0;
    SQLRowCount(s.stmt(), &rows);
    EXPECT_EQ(rows, -1) << "no rows reads -1";
    EXPECT_EQ(s.record().result.table.columns[0].data.index(), 10u) << "an empty result keeps its kinds";
}

TEST_F(Execution, FixedAnswersNeverReachTheDatabase) {
    ASSERT_EQ(s.exec("select sym from t"), SQL_SUCCESS);
    EXPECT_EQ(s.exec("UNPREPARE"), SQL_SUCCESS);
    EXPECT_TRUE(s.record().result.table.columns.empty());
    EXPECT_EQ(s.record().result.row_count, 0);
    EXPECT_EQ(s.exec(""), SQL_SUCCESS);
    EXPECT_EQ(s.exec("unprepare"), SQL_ERROR) << "only the exact text is special";

    EXPECT_EQ(s.exec("select * from vdl.statistics.x"), SQL_SUCCESS_WITH_INFO);
    const auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "01000");
    EXPECT_EQ(d.message, "[01000] General warning: getting columns from vdl.statistics timeseries is not supported");
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

    ASSERT_EQ(s.record().result.table.columns.size(), 1u);
    EXPECT_EQ(s.record().result.table.columns[0].name, "sym");
    EXPECT_EQ(s.record().result.row_count, 3);
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
    s.record().cursor.rows_fetched_ptr = &fetched;
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
        EXPECT_EQ(s.record().result.table.source, nullptr) << "the previous library result is handed back";
        EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
        EXPECT_EQ(fetched, 0u) << "a fetch without rows fetched none";
        EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_ERROR);
        EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "07009");
    }
    s.record().cursor.rows_fetched_ptr = nullptr;
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
    SQLSetStmtAttr(s.stmt(), SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(2), 0);
    s.record().max_rows = 2;  // set directly too, whatever the attribute layer does
    ASSERT_EQ(s.exec("select sym, price from t"), SQL_SUCCESS);
    EXPECT_EQ(s.record().result.row_count, 2);
    ASSERT_EQ(s.exec("select sym, price from t limit 3"), SQL_SUCCESS);
    EXPECT_EQ(s.record().result.row_count, 2) << "the maximum holds over the text's own limit";
    s.record().max_rows = 0;

    {
        const support::captured_log log;
        ASSERT_EQ(s.exec("SELECT \"TableauSQL\".\"a\" FROM (\n  select volume, sym, price from t\n) \"TableauSQL\""),
                  SQL_SUCCESS)
            << s.diag_message();
        const auto lines = log.lines();
        const auto sent = std::find_if(lines.begin(), lines.end(),
                                       [](const std::string& line) { return line.starts_with("[Debug] query: '"); });
        ASSERT_NE(sent, lines.end());
        EXPECT_EQ(sent->find("TableauSQL"), std::string::npos) << "the wrapper is cut away: " << *sent;
    }
    const auto& cols = s.record().result.table.columns;
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].name, "price");
    EXPECT_EQ(cols[1].name, "sym");
    EXPECT_EQ(cols[2].name, "volume");
    ASSERT_EQ(s.exec("select volume, sym, price from t"), SQL_SUCCESS);
    EXPECT_EQ(s.record().result.table.columns[0].name, "volume");
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
    ASSERT_EQ(s.prepare("insert into t (sym, price, volume) values (?, ?, ?)"), SQL_SUCCESS);
    EXPECT_EQ(s.record().prepared.text, "INSERT INTO t (sym, price, volume, $timestamp) VALUES (?, ?, ?, NOW());");
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
    const auto& cols = s.record().result.table.columns;
    ASSERT_EQ(s.record().result.row_count, 2);
    EXPECT_EQ(std::get<text_view_cells>(cols[0].data).values[0], "q?'x");
    EXPECT_EQ(std::get<text_view_cells>(cols[0].data).values[1], "second");
    EXPECT_EQ(std::get<double_cells>(cols[1].data).values[0], 0.1);
    EXPECT_EQ(std::get<bigint_cells>(cols[2].data).values[0], -3);
}

TEST_F(Execution, BindingFailuresKeepTheBindings) {
    ASSERT_EQ(s.prepare("select * from t where sym = ? and volume = ?"), SQL_SUCCESS);
    std::int32_t v = 1;
    EXPECT_EQ(SQLBindParameter(s.stmt(), 3, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: could not bind parameter at index 2, parameter count is 2");
    EXPECT_EQ(SQLBindParameter(s.stmt(), 0, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_GUID, 0, 0, &v, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: unsupported target type: -11");
    EXPECT_TRUE(s.record().params.bindings.empty());
    ASSERT_EQ(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s.stmt(), 2, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &v, 0, nullptr),
              SQL_SUCCESS);
    // Bindings survive SQLPrepare: those beyond the markers of a later text are ignored (pyodbc
    // runs a 1-marker text after one whose parameter 5 failed to bind).
    v = 9;
    ASSERT_EQ(s.prepare("select * from t where volume = ?"), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(s.record().result.row_count, 1);
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
    EXPECT_EQ(*std::get<bigint_cells>(s.record().result.table.columns.at(0).data).values.at(0), 1)
        << "the insert ran once";
}

TEST_F(Execution, AnEarlyExecutionIsTakenByTheNextExecuteOnly) {
    ASSERT_EQ(s.prepare("select sym from t"), SQL_SUCCESS);
    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1);
    EXPECT_TRUE(s.record().prepared.early_result_waiting);
    s.record().cursor.current_row = 1;
    s.direct("insert into t (sym, $timestamp) values ('later', 9000)");
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(s.record().result.row_count, 3) << "the result of the early execution is this execution's";
    EXPECT_EQ(s.record().cursor.current_row, 1) << "and the cursor is not rewound";
    EXPECT_FALSE(s.record().prepared.early_result_waiting);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(s.record().result.row_count, 4) << "a further execution asks the store again";
    EXPECT_EQ(s.record().cursor.current_row, -1);

    // An insert is not run to count its columns, and runs on every execution.
    ASSERT_EQ(s.prepare("insert into t (sym) values ('y')"), SQL_SUCCESS);
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 0);
    EXPECT_FALSE(s.record().prepared.early_result_waiting);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(s.exec("select count(*) from t where sym = 'y'"), SQL_SUCCESS);
    EXPECT_EQ(std::get<bigint_cells>(s.record().result.table.columns[0].data).values[0], 3);
}

TEST_F(Execution, FreeStmtAndCancel) {
    ASSERT_EQ(s.prepare("select sym from t where volume = ?"), SQL_SUCCESS);
    std::int64_t v = 7;
    SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &v, 0, nullptr);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    char buffer[8];
    SQLLEN ind = 0;
    SQLBindCol(s.stmt(), 1, SQL_C_CHAR, buffer, sizeof buffer, &ind);
    s.record().cursor.column_bindings.push_back({0, SQL_C_CHAR, buffer, sizeof buffer, &ind});
    s.record().cursor.current_row = 0;

    EXPECT_EQ(SQLFreeStmt(s.stmt(), SQL_CLOSE), SQL_SUCCESS);
    EXPECT_EQ(s.record().cursor.current_row, -1);
    EXPECT_EQ(s.record().result.table.columns.size(), 1u);
    EXPECT_EQ(SQLFreeStmt(s.stmt(), SQL_UNBIND), SQL_SUCCESS);
    EXPECT_TRUE(s.record().cursor.column_bindings.empty());
    EXPECT_EQ(s.record().params.bindings.size(), 1u);
    EXPECT_EQ(SQLFreeStmt(s.stmt(), SQL_DROP), SQL_SUCCESS);

    // An idle statement of an ODBC 3 application: SQLCancel changes nothing.
    s.record().cursor.current_row = 0;
    const std::string prepared = s.record().prepared.text;
    EXPECT_EQ(SQLCancel(s.stmt()), SQL_SUCCESS);
    const auto& r = s.record();
    EXPECT_EQ(r.prepared.text, prepared);
    EXPECT_EQ(r.params.bindings.size(), 1u);
    EXPECT_EQ(r.cursor.current_row, 0) << "the cursor stays";
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
    ASSERT_NE(s.record().result.table.source, nullptr);
    s.record().cursor.current_row = 1;

    ASSERT_EQ(SQLDisconnect(s.dbc()), SQL_SUCCESS);
    const auto& r = s.record();
    EXPECT_EQ(r.cluster, nullptr);
    EXPECT_TRUE(r.result.table.columns.empty());
    EXPECT_EQ(r.result.table.source, nullptr) << "the library result is handed back at disconnect";
    EXPECT_EQ(r.result.row_count, 0);
    EXPECT_EQ(r.cursor.current_row, -1);
    SQLSMALLINT columns = -1;
    EXPECT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 0);

    EXPECT_EQ(s.exec("select sym from t"), SQL_ERROR);
    const auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "08003");
}

TEST_F(Execution, ManyExecutionsOnOneStatementKeepOneLibraryResult) {
    // Each result replaces the previous one, which is handed back; the sanitizer build reports
    // any result left behind.
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(s.exec("select sym, price from t"), SQL_SUCCESS) << i;
    ASSERT_EQ(s.record().result.row_count, 3);
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
    ASSERT_EQ(s.record().result.row_count, 1);
    EXPECT_EQ(s.record().result.table.columns[0].data.index(), 8u) << "price is NULL: its kind is told by the library";
    EXPECT_EQ(s.record().result.table.columns[1].data.index(), 5u) << "volume is NULL";
}

TEST_F(Execution, AColumnMixingKindsKeepsItsValues) {
    ASSERT_EQ(s.exec("select volume from t union all select price from t"), SQL_SUCCESS) << s.diag_message();
    const auto& cols = s.record().result.table.columns;
    ASSERT_EQ(cols.size(), 1u);
    ASSERT_EQ(cols[0].data.index(), 8u) << "the integers of volume and the doubles of price";
    const auto& cells = std::get<double_cells>(cols[0].data).values;
    std::vector<std::optional<double>> values(cells.begin(), cells.end());
    std::erase(values, std::nullopt);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<std::optional<double>>{3.25, 7.0, 9.0, 10.5}));

    ASSERT_EQ(s.exec("select sym from t union all select price from t"), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(s.record().result.table.columns[0].data.index(), 10u);
    // The library hands numbers among texts over as text; none is read through a text view.
    for (const auto& v : std::get<text_view_cells>(s.record().result.table.columns[0].data).values) {
        if (v) {
            EXPECT_TRUE(*v == "ibm" || *v == "aapl" || *v == "10.5" || *v == "3.25") << "unexpected: " << *v;
        }
    }
}

TEST_F(Execution, CloseCursorRewindsLikeFreeStmtClose) {
    ASSERT_EQ(s.exec("select sym from t order by $timestamp"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    char text[8];
    SQLLEN ind = 0;
    ASSERT_EQ(SQLCloseCursor(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(s.record().cursor.current_row, -1);
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
