// Bound parameters through the unixODBC Driver Manager: each pairing of C type and SQL type
// inserted and read back, hostile texts kept as values, prepared statements run on every
// execution, parameter arrays, and negative values after a minus sign.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver_manager.hpp"
#include "files.hpp"
#include "vdl_api.h"

namespace {

class DriverManagerParameters : public support::driver_manager_test {
protected:
    void SetUp() override {
        support::seed_store(config.store_uri(),
                            {"CREATE TABLE p (s STRING, n INT64, d DOUBLE, b BLOB)",
                             "INSERT INTO p ($timestamp, s, n) VALUES (1, 'ibm', 1), (2, 'aapl', 2), "
                             "(3, 'zzz', 3)"});
        open();
    }

    SQLRETURN prepare(const char* text) {
        SQLFreeStmt(stmt, SQL_CLOSE);
        SQLFreeStmt(stmt, SQL_RESET_PARAMS);
        return SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
    }
    SQLRETURN bind(SQLUSMALLINT number, SQLSMALLINT c_type, SQLSMALLINT sql_type, void* value, SQLLEN buffer_length,
                   SQLLEN* indicator) {
        return SQLBindParameter(stmt, number, SQL_PARAM_INPUT, c_type, sql_type, 0, 0, value, buffer_length, indicator);
    }
    SQLRETURN exec(const std::string& text) {
        SQLFreeStmt(stmt, SQL_CLOSE);
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS);
    }
    // The first column of the single row `select` returns, as text.
    std::string text_of(const std::string& select) {
        EXPECT_EQ(exec(select), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
        EXPECT_EQ(SQLFetch(stmt), SQL_SUCCESS) << select;
        char text[256] = {};
        SQLLEN ind = 0;
        EXPECT_TRUE(SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_CHAR, text, sizeof text, &ind)));
        SQLFreeStmt(stmt, SQL_CLOSE);
        return ind == SQL_NULL_DATA ? "NULL" : text;
    }
    std::string count(const std::string& where = "") { return text_of("select count(*) from p" + where); }
};

}  // namespace

TEST_F(DriverManagerParameters, EachPairingIsStoredAsBound) {
    ASSERT_EQ(prepare("insert into p (s, n, d, b, $timestamp) values (?, ?, ?, ?, ?)"), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    SQLBIGINT label = 42;    // SQL_C_SBIGINT as SQL_VARCHAR: the text "42"
    std::int32_t small = 7;  // SQL_C_SLONG as SQL_BIGINT: four bytes, the number 7
    char price[] = "2.5";    // SQL_C_CHAR as SQL_DOUBLE: the number 2.5
    SQLLEN nts = SQL_NTS;
    const unsigned char blob[] = {0x00, 0x41, 0x00};
    SQLLEN blob_length = sizeof blob;
    SQL_TIMESTAMP_STRUCT when{2021, 3, 4, 5, 6, 7, 500000000};
    ASSERT_EQ(bind(1, SQL_C_SBIGINT, SQL_VARCHAR, &label, 0, nullptr), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(bind(2, SQL_C_SLONG, SQL_BIGINT, &small, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(bind(3, SQL_C_CHAR, SQL_DOUBLE, price, sizeof price, &nts), SQL_SUCCESS);
    ASSERT_EQ(bind(4, SQL_C_BINARY, SQL_VARBINARY, const_cast<unsigned char*>(blob), sizeof blob, &blob_length),
              SQL_SUCCESS);
    ASSERT_EQ(bind(5, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, &when, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);

    ASSERT_EQ(exec("select s, n, d, b, $timestamp from p where s = '42'"), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLBIGINT n = 0;
    double d = 0;
    unsigned char bytes[8] = {};
    SQLLEN ind = 0;
    SQL_TIMESTAMP_STRUCT ts{};
    ASSERT_EQ(SQLGetData(stmt, 2, SQL_C_SBIGINT, &n, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(n, 7);
    ASSERT_EQ(SQLGetData(stmt, 3, SQL_C_DOUBLE, &d, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(d, 2.5);
    ASSERT_EQ(SQLGetData(stmt, 4, SQL_C_BINARY, bytes, sizeof bytes, &ind), SQL_SUCCESS);
    EXPECT_EQ(ind, 3);
    EXPECT_EQ(std::memcmp(bytes, blob, sizeof blob), 0) << "zero bytes included";
    ASSERT_EQ(SQLGetData(stmt, 5, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind), SQL_SUCCESS);
    EXPECT_EQ(ts.year, 2021);
    EXPECT_EQ(ts.second, 7);
    EXPECT_EQ(ts.fraction, 500000000u);
}

TEST_F(DriverManagerParameters, HostileTextsDeleteNothing) {
    ASSERT_EQ(prepare("DELETE FROM p WHERE s = ?"), SQL_SUCCESS);
    char value[32] = "zzz' OR '1'='1";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_VARCHAR, value, sizeof value, &nts), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    std::strcpy(value, "x' OR 1=1 --");
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(count(), "3");

    ASSERT_EQ(prepare("select n from p where s = ?"), SQL_SUCCESS);
    std::strcpy(value, "aapl");
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_VARCHAR, value, sizeof value, &nts), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLBIGINT n = 0;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_SBIGINT, &n, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(n, 2);
}

TEST_F(DriverManagerParameters, RefusalsAreDiagnosticsAndRunNothing) {
    ASSERT_EQ(prepare("DELETE FROM p WHERE n = ?"), SQL_SUCCESS);
    char text[] = "abc";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_INTEGER, text, sizeof text, &nts), SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(stmt), SQL_ERROR);
    EXPECT_NE(support::diag(SQL_HANDLE_STMT, stmt)
                  .find("parameter 1 (SQL_C_CHAR as SQL_INTEGER): the text 'abc' is not a number"),
              std::string::npos)
        << support::diag(SQL_HANDLE_STMT, stmt);

    // Data at execution: the value pointer is the application's token and is never read.
    ASSERT_EQ(prepare("DELETE FROM p WHERE s = ?"), SQL_SUCCESS);
    SQLLEN at_exec = SQL_LEN_DATA_AT_EXEC(10);
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_VARCHAR, reinterpret_cast<SQLPOINTER>(std::uintptr_t{1}), 0, &at_exec),
              SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(stmt), SQL_ERROR);
    const auto d = support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_TRUE(d.starts_with("HYC00 ")) << d;
    EXPECT_NE(d.find("data-at-execution is not offered"), std::string::npos) << d;
    EXPECT_EQ(count(), "3");
}

TEST_F(DriverManagerParameters, APreparedInsertRunsOnEveryExecute) {
    ASSERT_EQ(prepare("insert into p (s) values ('thrice')"), SQL_SUCCESS);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << i << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(count(" where s = 'thrice'"), "3");
}

TEST_F(DriverManagerParameters, ParameterArrays) {
    constexpr SQLULEN sets = 4;
    SQLULEN processed = 0;
    SQLUSMALLINT status[sets] = {};
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(sets), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_STATUS_PTR, status, 0), SQL_SUCCESS);
    SQLULEN size = 0;
    ASSERT_EQ(SQLGetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, &size, sizeof size, nullptr), SQL_SUCCESS);
    EXPECT_EQ(size, sets);
    ASSERT_EQ(prepare("insert into p (s, d) values (?, ?)"), SQL_SUCCESS);
    char syms[sets][8] = {"s1", "s2", "s3", "s4"};
    SQLLEN sym_ind[sets] = {SQL_NTS, SQL_NTS, SQL_NTS, SQL_NTS};
    double prices[sets] = {1.5, 2.5, 3.5, 4.5};
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_VARCHAR, syms, sizeof syms[0], sym_ind), SQL_SUCCESS);
    ASSERT_EQ(bind(2, SQL_C_DOUBLE, SQL_DOUBLE, prices, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(processed, sets);
    for (const auto s : status) EXPECT_EQ(s, SQL_PARAM_SUCCESS);
    EXPECT_EQ(count(" where d > 1"), "4");
    EXPECT_EQ(text_of("select d from p where s = 's3'"), "3.5");
}

// A negative value written after a minus sign stays a negative number: "10 -?" with -5 is 15,
// never "10 --5", which the store reads as 10 and a comment.
TEST_F(DriverManagerParameters, NegativeValuesAfterAMinusSignStayNumbers) {
    const struct {
        const char* text;
        SQLSMALLINT sql_type;
        std::vector<std::string> values;
        double expected;
    } cases[] = {
        {"select 10 -?", SQL_BIGINT, {"-5"}, 15},
        {"select 10 - ?", SQL_INTEGER, {"-5"}, 15},
        {"select 10-?", SQL_INTEGER, {"5"}, 5},
        {"select ?-?", SQL_BIGINT, {"-5", "-7"}, 2},
        {"select -?", SQL_BIGINT, {"-5"}, 5},
        {"select 1.5 -? + 1", SQL_DOUBLE, {"-2.25"}, 4.75},
        {"select 2 * -? -- a comment after the value", SQL_DOUBLE, {"-0.5"}, 1},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(prepare(c.text), SQL_SUCCESS) << c.text;
        std::vector<std::string> values = c.values;
        SQLLEN nts = SQL_NTS;
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(bind(static_cast<SQLUSMALLINT>(i + 1), SQL_C_CHAR, c.sql_type, values[i].data(),
                           static_cast<SQLLEN>(values[i].size() + 1), &nts),
                      SQL_SUCCESS);
        ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << c.text << support::diag(SQL_HANDLE_STMT, stmt);
        ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS) << c.text;
        double result = 0;
        SQLLEN ind = 0;
        ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_DOUBLE, &result, 0, &ind), SQL_SUCCESS) << c.text;
        EXPECT_EQ(result, c.expected) << c.text;
    }

    // Stored as bound: the minus sign negates the negative value.
    ASSERT_EQ(prepare("insert into p (s, n, d) values ('neg', ?, -?)"), SQL_SUCCESS);
    SQLBIGINT n = -3;
    double d = -2.5;
    ASSERT_EQ(bind(1, SQL_C_SBIGINT, SQL_BIGINT, &n, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(bind(2, SQL_C_DOUBLE, SQL_DOUBLE, &d, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(text_of("select n from p where s = 'neg'"), "-3");
    EXPECT_EQ(text_of("select d from p where s = 'neg'"), "2.5");
}

// The log shows the text the store was given, its values readable where they were written.
TEST_F(DriverManagerParameters, TheLoggedQueryShowsTheNegativeValueApart) {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    stmt = dbc = env = nullptr;
    const auto logs = config.dir() / "negative_logs";
    open(";logdir=" + logs.string() + ";log_level=3");
    ASSERT_EQ(prepare("select 10 -? from p where n = 1"), SQL_SUCCESS);
    SQLBIGINT value = -5;
    ASSERT_EQ(bind(1, SQL_C_SBIGINT, SQL_BIGINT, &value, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    const auto log = support::read_file(logs / "vdl_odbc_driver.log");
    EXPECT_NE(log.find("raw query: 'select 10 - -5 from p where n = 1'"), std::string::npos) << log;
}

namespace {

// A prepared text whose columns are asked for before any marker is bound: the SQL types it
// describes, the rows its execution fetches with every marker bound to 1, and the rows the
// store holds after it ran once.
struct described_case {
    const char* name;
    const char* text;
    std::vector<SQLSMALLINT> types;
    int rows_fetched;
    int rows_stored;
};

class DescribedBeforeBinding : public DriverManagerParameters, public ::testing::WithParamInterface<described_case> {
protected:
    // The store's row count, read on a statement of its own so that the prepared one stays.
    std::string stored_rows() {
        SQLHSTMT other = nullptr;
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &other), SQL_SUCCESS);
        EXPECT_EQ(SQLExecDirect(other, support::sql_text("select count(*) from p"), SQL_NTS), SQL_SUCCESS);
        EXPECT_EQ(SQLFetch(other), SQL_SUCCESS);
        char text[32] = {};
        SQLLEN ind = 0;
        EXPECT_EQ(SQLGetData(other, 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
        SQLFreeHandle(SQL_HANDLE_STMT, other);
        return text;
    }
};

}  // namespace

TEST_P(DescribedBeforeBinding, ColumnsAreThoseOfTheExecutionAndNothingRunsEarly) {
    const described_case& c = GetParam();
    ASSERT_EQ(prepare(c.text), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    SQLSMALLINT markers = 0;
    ASSERT_EQ(SQLNumParams(stmt, &markers), SQL_SUCCESS);
    ASSERT_GT(markers, 0);
    SQLSMALLINT columns = -1;
    ASSERT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(columns, static_cast<SQLSMALLINT>(c.types.size()));
    for (SQLUSMALLINT i = 1; i <= c.types.size(); ++i) {
        SQLSMALLINT type = 0;
        ASSERT_EQ(SQLDescribeCol(stmt, i, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr), SQL_SUCCESS)
            << support::diag(SQL_HANDLE_STMT, stmt);
        EXPECT_EQ(type, c.types[i - 1]) << "column " << i;
        SQLLEN concise = 0;
        ASSERT_EQ(SQLColAttribute(stmt, i, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &concise), SQL_SUCCESS);
        EXPECT_EQ(concise, c.types[i - 1]) << "column " << i;
    }
    EXPECT_EQ(stored_rows(), "3") << "describing changed the store";

    // The execution runs with the values bound after the description, once.
    SQLULEN processed = 99;
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
    SQLBIGINT one = 1;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(markers); ++i)
        ASSERT_EQ(bind(i, SQL_C_SBIGINT, SQL_BIGINT, &one, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(processed, 99u) << "a description is not an execution";
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(processed, 1u);
    for (SQLUSMALLINT i = 1; i <= c.types.size(); ++i) {
        SQLSMALLINT type = 0;
        ASSERT_EQ(SQLDescribeCol(stmt, i, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr), SQL_SUCCESS);
        EXPECT_EQ(type, c.types[i - 1]) << "column " << i << " of the execution";
    }
    int fetched = 0;
    if (!c.types.empty())
        while (SQLFetch(stmt) == SQL_SUCCESS) ++fetched;
    EXPECT_EQ(fetched, c.rows_fetched);
    if (c.rows_fetched > 0) {
        SQLLEN rows = 0;
        ASSERT_EQ(SQLRowCount(stmt, &rows), SQL_SUCCESS);
        EXPECT_EQ(rows, c.rows_fetched);
    }
    EXPECT_EQ(stored_rows(), std::to_string(c.rows_stored));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DescribedBeforeBinding,
    ::testing::Values(
        described_case{"SelectAll",
                       "SELECT * FROM p WHERE n > ?",
                       {SQL_TYPE_TIMESTAMP, SQL_CHAR, SQL_BIGINT, SQL_DOUBLE, SQL_CHAR},
                       2,
                       3},
        described_case{"TwoMarkers", "select s, n from p where n >= ? and n <= ? + 1", {SQL_CHAR, SQL_BIGINT}, 2, 3},
        described_case{"Aggregate", "select count(*) as c from p where n = ?", {SQL_BIGINT}, 1, 3},
        described_case{"WithQuery", "WITH q AS (SELECT n, s FROM p WHERE n > ?) SELECT s FROM q", {SQL_CHAR}, 2, 3},
        described_case{"Insert", "insert into p (s, n) values ('new', ?)", {}, 0, 4},
        described_case{"Update", "update p set d = ? where s = 'ibm'", {}, 0, 3},
        described_case{"Delete", "delete from p where n = ?", {}, 0, 2},
        described_case{"WithDelete", "WITH q AS (SELECT 1) DELETE FROM p WHERE n > ?", {}, 0, 1}),
    [](const ::testing::TestParamInfo<described_case>& texts) { return std::string(texts.param.name); });
