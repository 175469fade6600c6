// Bound values and statement texts against a real embedded store: a value is stored as what it
// was bound as, never runs as SQL, and every refusal leaves the store as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <fmt/format.h>

#include "captured_log.hpp"
#include "store_statement.hpp"

namespace {

class BoundValues : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, s.dbc(), &probe_), SQL_SUCCESS);
        s.direct("CREATE TABLE q (s STRING, n INT64, d DOUBLE, b BLOB)");
        s.direct("INSERT INTO q ($timestamp, s, n) VALUES (1, 'ibm', 1), (2, 'aapl', 2), (3, 'zzz', 3)");
    }

    SQLRETURN bind(SQLUSMALLINT number, SQLSMALLINT c_type, SQLSMALLINT sql_type, void* value, SQLLEN buffer_length = 0,
                   SQLLEN* indicator = nullptr) const {
        return SQLBindParameter(s.stmt(), number, SQL_PARAM_INPUT, c_type, sql_type, 0, 0, value, buffer_length,
                                indicator);
    }
    // Prepares `text`, binds one value and executes.
    SQLRETURN run_with(const char* text, SQLSMALLINT c_type, SQLSMALLINT sql_type, void* value,
                       SQLLEN buffer_length = 0, SQLLEN* indicator = nullptr) const {
        EXPECT_EQ(SQLFreeStmt(s.stmt(), SQL_RESET_PARAMS), SQL_SUCCESS);
        EXPECT_EQ(s.prepare(text), SQL_SUCCESS) << s.diag_message();
        EXPECT_EQ(bind(1, c_type, sql_type, value, buffer_length, indicator), SQL_SUCCESS) << s.diag_message();
        return SQLExecute(s.stmt());
    }
    // Queries run on a statement of their own: an SQLExecDirect on `s` would replace its
    // prepared text.
    std::int64_t count(const std::string& where = "") const { return number("select count(*) from q" + where); }
    // Reads the one column of the one row `select` returns into `out` as `c_type`; answers the
    // indicator.
    SQLLEN read_single(const std::string& select, SQLSMALLINT c_type, SQLPOINTER out, SQLLEN size) const {
        SQLFreeStmt(probe_, SQL_CLOSE);
        EXPECT_EQ(SQLExecDirect(probe_, support::sql_text(select), SQL_NTS), SQL_SUCCESS)
            << support::diag_of(SQL_HANDLE_STMT, probe_).message;
        EXPECT_EQ(SQLFetch(probe_), SQL_SUCCESS) << select;
        SQLLEN indicator = 0;
        EXPECT_EQ(SQLGetData(probe_, 1, c_type, out, size, &indicator), SQL_SUCCESS) << select;
        EXPECT_EQ(SQLFetch(probe_), SQL_NO_DATA) << select << " gives one row";
        return indicator;
    }
    std::int64_t number(const std::string& select) const {
        SQLBIGINT n = 0;
        read_single(select, SQL_C_SBIGINT, &n, 0);
        return n;
    }
    double real(const std::string& select) const {
        double d = 0;
        read_single(select, SQL_C_DOUBLE, &d, 0);
        return d;
    }
    SQL_TIMESTAMP_STRUCT timestamp(const std::string& select) const {
        SQL_TIMESTAMP_STRUCT t{};
        read_single(select, SQL_C_TYPE_TIMESTAMP, &t, sizeof t);
        return t;
    }
    // Text as SQL_C_CHAR, bytes as SQL_C_BINARY.
    std::string bytes(const std::string& select, SQLSMALLINT c_type = SQL_C_CHAR) const {
        char buffer[256] = {};
        const SQLLEN length = read_single(select, c_type, buffer, sizeof buffer);
        return length >= 0 ? std::string(buffer, static_cast<std::size_t>(length)) : "NULL";
    }

    void TearDown() override { SQLFreeHandle(SQL_HANDLE_STMT, probe_); }

    support::store_statement s;
    SQLHSTMT probe_ = nullptr;
};

}  // namespace

TEST_F(BoundValues, EachPairingStoresWhatWasBound) {
    // SQL_C_SLONG 7 as SQL_BIGINT: four bytes read, not eight.
    std::int32_t seven = 7;
    ASSERT_EQ(run_with("insert into q (s, n) values ('slong', ?)", SQL_C_SLONG, SQL_BIGINT, &seven), SQL_SUCCESS)
        << s.diag_message();
    EXPECT_EQ(number("select n from q where s = 'slong'"), 7);
    // SQL_C_CHAR "8" as SQL_INTEGER: the number 8, not the code of the character.
    char eight[] = "8";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(run_with("insert into q (s, n) values ('char', ?)", SQL_C_CHAR, SQL_INTEGER, eight, sizeof eight, &nts),
              SQL_SUCCESS)
        << s.diag_message();
    EXPECT_EQ(number("select n from q where s = 'char'"), 8);
    // SQL_C_SBIGINT 42 as SQL_VARCHAR: the text "42".
    std::int64_t forty_two = 42;
    ASSERT_EQ(run_with("insert into q (n, s) values (1, ?)", SQL_C_SBIGINT, SQL_VARCHAR, &forty_two), SQL_SUCCESS)
        << s.diag_message();
    EXPECT_EQ(count(" where s = '42'"), 1);
    // Numbers bound as character types reach typed columns too: the store converts quoted numbers.
    double price = 1.25;
    ASSERT_EQ(run_with("insert into q (s, d) values ('dbl', ?)", SQL_C_DOUBLE, SQL_VARCHAR, &price), SQL_SUCCESS)
        << s.diag_message();
    EXPECT_EQ(real("select d from q where s = 'dbl'"), 1.25);
    float ratio = 0.1f;
    ASSERT_EQ(run_with("insert into q (s, d) values ('flt', ?)", SQL_C_FLOAT, SQL_DOUBLE, &ratio), SQL_SUCCESS);
    EXPECT_EQ(real("select d from q where s = 'flt'"), 0.1);
    // Dates and times keep their timestamp form, fraction included.
    SQL_TIMESTAMP_STRUCT stamp{2021, 3, 4, 5, 6, 7, 123456789};
    ASSERT_EQ(
        run_with("insert into q (s, $timestamp) values ('ts', ?)", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, &stamp),
        SQL_SUCCESS)
        << s.diag_message();
    const auto when = timestamp("select $timestamp from q where s = 'ts'");
    EXPECT_EQ(std::tie(when.year, when.month, when.day, when.hour, when.minute, when.second, when.fraction),
              std::tie(stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second, stamp.fraction));
    SQL_DATE_STRUCT day{2021, 3, 5};
    ASSERT_EQ(run_with("insert into q (s, $timestamp) values ('day', ?)", SQL_C_TYPE_DATE, SQL_TYPE_DATE, &day),
              SQL_SUCCESS)
        << s.diag_message();
    const auto midnight = timestamp("select $timestamp from q where s = 'day'");
    EXPECT_EQ(std::tie(midnight.year, midnight.month, midnight.day, midnight.hour, midnight.minute, midnight.second,
                       midnight.fraction),
              std::make_tuple(2021, 3, 5, 0, 0, 0, 0u));
}

TEST_F(BoundValues, BinaryReachesTheStoreByteForByte) {
    const unsigned char bytes[] = {0x00, 0x27, 0xff, 0x00, 0x3f};
    SQLLEN length = sizeof bytes;
    ASSERT_EQ(run_with("insert into q (s, b) values ('bin', ?)", SQL_C_BINARY, SQL_VARBINARY,
                       const_cast<unsigned char*>(bytes), sizeof bytes, &length),
              SQL_SUCCESS)
        << s.diag_message();
    EXPECT_EQ(this->bytes("select b from q where s = 'bin'", SQL_C_BINARY),
              std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));
}

TEST_F(BoundValues, ABoundTextIsAlwaysAValue) {
    for (const char* hostile : {"zzz' OR '1'='1", "x' OR 1=1 --", "'; DELETE FROM q; --"}) {
        char value[64];
        std::strcpy(value, hostile);
        SQLLEN nts = SQL_NTS;
        EXPECT_EQ(run_with("DELETE FROM q WHERE s = ?", SQL_C_CHAR, SQL_VARCHAR, value, sizeof value, &nts),
                  SQL_SUCCESS)
            << hostile << ": " << s.diag_message();
        EXPECT_EQ(count(), 3) << "every row is left: " << hostile;
        EXPECT_EQ(run_with("UPDATE q SET n = 0 WHERE s = ?", SQL_C_CHAR, SQL_VARCHAR, value, sizeof value, &nts),
                  SQL_SUCCESS);
        EXPECT_EQ(count(" where n = 0"), 0);
    }
    char aapl[] = "aapl";
    SQLLEN nts = SQL_NTS;
    ASSERT_EQ(run_with("select n from q where s = ?", SQL_C_CHAR, SQL_VARCHAR, aapl, sizeof aapl, &nts), SQL_SUCCESS)
        << s.diag_message();
    SQLLEN rows = 0;
    ASSERT_EQ(SQLRowCount(s.stmt(), &rows), SQL_SUCCESS);
    ASSERT_EQ(rows, 1);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    SQLBIGINT n = 0;
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_SBIGINT, &n, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(n, 2);

    // A negative number after a minus sign does not start a comment.
    std::int64_t minus_one = -1;
    ASSERT_EQ(run_with("UPDATE q SET n = n -? WHERE s = 'zzz'", SQL_C_SBIGINT, SQL_BIGINT, &minus_one), SQL_SUCCESS)
        << s.diag_message();
    EXPECT_EQ(number("select n from q where s = 'zzz'"), 4);
    EXPECT_EQ(count(" where n = 4"), 1) << "the WHERE clause was not commented out";
}

TEST_F(BoundValues, ARefusedValueRunsNothing) {
    const support::captured_log log;
    char not_a_number[] = "1 OR 1=1";
    SQLLEN nts = SQL_NTS;
    EXPECT_EQ(run_with("DELETE FROM q WHERE n = ?", SQL_C_CHAR, SQL_INTEGER, not_a_number, sizeof not_a_number, &nts),
              SQL_ERROR);
    EXPECT_EQ(s.diag_message(),
              "[HY000] General error: parameter 1 (SQL_C_CHAR as SQL_INTEGER): the text '1 OR 1=1' is not a number");

    // A data-at-execution token is refused at execution and never read.
    SQLLEN at_exec = SQL_DATA_AT_EXEC;
    auto* token = reinterpret_cast<void*>(std::uintptr_t{1});
    EXPECT_EQ(run_with("DELETE FROM q WHERE s = ?", SQL_C_CHAR, SQL_VARCHAR, token, 0, &at_exec), SQL_ERROR);
    auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "HYC00");
    EXPECT_EQ(d.message,
              "[HYC00] Optional feature not implemented: parameter 1 (SQL_C_CHAR as SQL_VARCHAR): "
              "data-at-execution is not offered: give the value in its buffer, with its length");
    SQLLEN long_at_exec = SQL_LEN_DATA_AT_EXEC(100);
    EXPECT_EQ(run_with("DELETE FROM q WHERE n = ?", SQL_C_SLONG, SQL_INTEGER, token, 0, &long_at_exec), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "HYC00");

    // A length beyond the buffer is not read.
    char short_buffer[4] = {'a', 'b', 'c', 'd'};
    SQLLEN too_long = 40;
    EXPECT_EQ(
        run_with("DELETE FROM q WHERE s = ?", SQL_C_CHAR, SQL_VARCHAR, short_buffer, sizeof short_buffer, &too_long),
        SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "HY090");

    EXPECT_TRUE(log.queries_sent().empty()) << "nothing was sent, not even in part";
    EXPECT_EQ(count(), 3);
}

TEST_F(BoundValues, BindingRefusesWhatCannotBeRead) {
    ASSERT_EQ(s.prepare("select * from q where s = ?"), SQL_SUCCESS);
    char text[8] = "abc";
    EXPECT_EQ(bind(1, SQL_C_GUID, SQL_VARCHAR, text, sizeof text), SQL_ERROR);
    EXPECT_EQ(s.diag_message(),
              "[HYC00] Optional feature not implemented: parameter 1: values of C type SQL_C_GUID "
              "(-11) are not read");
    EXPECT_EQ(
        SQLBindParameter(s.stmt(), 1, SQL_PARAM_OUTPUT, SQL_C_CHAR, SQL_VARCHAR, 0, 0, text, sizeof text, nullptr),
        SQL_ERROR);
    EXPECT_EQ(s.diag_message(),
              "[HYC00] Optional feature not implemented: parameter 1: only input parameters are "
              "offered");
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: Expected 1 parameters, got 0") << "no refused binding is kept";
    // SQL_C_DEFAULT takes the SQL type's own C type: the buffer is read as characters.
    ASSERT_EQ(s.prepare("insert into q (s) values (?)"), SQL_SUCCESS);
    ASSERT_EQ(bind(1, SQL_C_DEFAULT, SQL_VARCHAR, text, sizeof text), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(count(" where s = 'abc'"), 1);
}

TEST_F(BoundValues, MarkersAreTheQuestionMarksInCode) {
    ASSERT_EQ(s.prepare("INSERT INTO q (n, s) VALUES (?, 'why? a)b')"), SQL_SUCCESS);
    SQLSMALLINT markers = -1;
    ASSERT_EQ(SQLNumParams(s.stmt(), &markers), SQL_SUCCESS);
    EXPECT_EQ(markers, 1);
    std::int64_t n = 5;
    ASSERT_EQ(bind(1, SQL_C_SBIGINT, SQL_BIGINT, &n), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(bytes("select s from q where n = 5"), "why? a)b");

    // More markers than SQLNumParams can count are refused, and nothing stays prepared.
    std::string many = "select ?";
    for (int i = 1; i < 100000; ++i) many += ", ?";
    EXPECT_EQ(s.prepare(many), SQL_ERROR);
    EXPECT_EQ(s.diag_message(),
              "[HY000] General error: the statement text has 100000 parameter markers; at most 32767 are offered");
    EXPECT_EQ(SQLNumParams(s.stmt(), &markers), SQL_SUCCESS);
    EXPECT_EQ(markers, 0);
    SQLExecute(s.stmt());
    EXPECT_EQ(count(" where n = 5"), 1) << "the earlier insert is no longer prepared";
}

TEST_F(BoundValues, APreparedStatementRunsOnEveryExecute) {
    ASSERT_EQ(s.prepare("insert into q (s) values ('again')"), SQL_SUCCESS);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << i << ": " << s.diag_message();
    EXPECT_EQ(count(" where s = 'again'"), 3);

    ASSERT_EQ(s.prepare("select s from q where s = 'again'"), SQL_SUCCESS);
    SQLLEN rows = 0;
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLRowCount(s.stmt(), &rows), SQL_SUCCESS);
    EXPECT_EQ(rows, 3);
    s.direct("insert into q (s) values ('again')");
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLRowCount(s.stmt(), &rows), SQL_SUCCESS);
    EXPECT_EQ(rows, 4) << "a re-executed select returns the store's rows of now";

    // A describe-then-execute client asks the store once.
    const support::captured_log log;
    ASSERT_EQ(s.prepare("select s from q where s = 'again'"), SQL_SUCCESS);
    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    SQLCHAR name[8];
    ASSERT_EQ(SQLDescribeCol(s.stmt(), 1, name, sizeof name, nullptr, nullptr, nullptr, nullptr, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(log.queries_sent().size(), 1u);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(log.queries_sent().size(), 2u);

    // A text with markers is described from a run with NULL for every marker, which reads no rows
    // and is not a query sent; SQLExecute runs it with the values bound by then.
    ASSERT_EQ(s.prepare("select s from q where n = ?"), SQL_SUCCESS);
    std::int64_t n = 1;
    ASSERT_EQ(bind(1, SQL_C_SBIGINT, SQL_BIGINT, &n), SQL_SUCCESS);
    ASSERT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1);
    EXPECT_EQ(log.queries_sent().size(), 2u);
    EXPECT_NE(log.text().find("[Debug] describing query: 'select s from q where n = NULL LIMIT 0'"), std::string::npos);
    n = 2;
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    char text[8] = {};
    SQLLEN length = 0;
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, text, sizeof text, &length), SQL_SUCCESS);
    EXPECT_STREQ(text, "aapl");
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
    EXPECT_EQ(log.queries_sent(),
              (std::vector<std::string>{"select s from q where s = 'again'", "select s from q where s = 'again'",
                                        "select s from q where n = 2"}));

    // SQLDescribeCol alone runs a prepared select early too.
    ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_RESET_PARAMS), SQL_SUCCESS);
    ASSERT_EQ(s.prepare("select n, s from q where s = 'ibm'"), SQL_SUCCESS);
    SQLSMALLINT type = 0;
    ASSERT_EQ(SQLDescribeCol(s.stmt(), 2, name, sizeof name, nullptr, &type, nullptr, nullptr, nullptr), SQL_SUCCESS)
        << s.diag_message();
    EXPECT_STREQ(reinterpret_cast<char*>(name), "s");
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(log.queries_sent().size(), 4u);
}

TEST_F(BoundValues, RewritesSendEveryOtherTextUnchanged) {
    const support::captured_log log;
    const std::vector<std::string> prepared{
        "INSERT INTO q (s) VALUES ('a'); DELETE FROM q WHERE n = 1",
        "INSERT INTO q (s, n) VALUES ('x) \"TableauSQL\" y', 10)",
        "INSERT INTO q (s, n) VALUES ('a)b', 11)",
    };
    for (const auto& text : prepared) {
        ASSERT_EQ(s.prepare(text), SQL_SUCCESS);
        SQLExecute(s.stmt());
    }
    EXPECT_EQ(log.queries_sent(), prepared);
    EXPECT_EQ(count(" where n = 1"), 1) << "the second statement did not run, and was not dropped silently";
    EXPECT_EQ(bytes("select s from q where n = 10"), "x) \"TableauSQL\" y");
    EXPECT_EQ(bytes("select s from q where n = 11"), "a)b");

    const auto set_max_rows = [&](SQLULEN rows) {
        ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(rows), 0), SQL_SUCCESS);
    };
    set_max_rows(1);
    const std::vector<std::string> direct{
        "insert into q (s, n) select s, n from q",
        "CREATE TABLE selection (a INT64)",
        "select count(*) from q where s = 'a;b'",
    };
    const support::captured_log limited;
    for (const auto& text : direct) EXPECT_EQ(s.exec(text), SQL_SUCCESS) << text << ": " << s.diag_message();
    const std::vector<std::string> expected{direct[0], direct[1], direct[2] + " LIMIT 1"};
    EXPECT_EQ(limited.queries_sent(), expected);
    set_max_rows(~SQLULEN{0});
    EXPECT_EQ(s.exec("select s from q"), SQL_SUCCESS) << "a maximum of 2^64-1 is no limit: " << s.diag_message();
    set_max_rows(0);
}

TEST_F(BoundValues, AZeroByteInsideTheGivenLengthIsRefused) {
    const std::string_view text("DELETE FROM q\0 WHERE n = 1", 26);
    EXPECT_EQ(s.exec(text), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "HY090");
    ASSERT_EQ(s.prepare("DELETE FROM q WHERE n = 2"), SQL_SUCCESS);
    EXPECT_EQ(s.prepare(text), SQL_ERROR);
    SQLExecute(s.stmt());
    EXPECT_EQ(count(), 3) << "no part of the text ran, and the earlier text is no longer prepared";
}

namespace {

class ParameterArrays : public BoundValues {
protected:
    void set_sets(SQLULEN size) {
        ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(size), 0), SQL_SUCCESS);
        ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
        ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_PARAM_STATUS_PTR, statuses, 0), SQL_SUCCESS);
    }
    std::vector<SQLUSMALLINT> status_list(std::size_t n) const { return {statuses, statuses + n}; }

    SQLULEN processed = 99;
    SQLUSMALLINT statuses[4] = {99, 99, 99, 99};
};

}  // namespace

TEST_F(ParameterArrays, ColumnWiseSetsRunOncePerSet) {
    set_sets(3);
    SQLULEN size = 0;
    ASSERT_EQ(SQLGetStmtAttr(s.stmt(), SQL_ATTR_PARAMSET_SIZE, &size, sizeof size, nullptr), SQL_SUCCESS);
    EXPECT_EQ(size, 3u);
    ASSERT_EQ(s.prepare("insert into q (s, n) values (?, ?)"), SQL_SUCCESS);
    char syms[3][8] = {"a1", "a2", "a'3"};
    SQLLEN sym_ind[3] = {SQL_NTS, SQL_NTS, SQL_NTS};
    std::int64_t numbers[3] = {101, 102, 103};
    SQLLEN number_ind[3] = {0, SQL_NULL_DATA, 0};
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_VARCHAR, syms, sizeof syms[0], sym_ind), SQL_SUCCESS);
    ASSERT_EQ(bind(2, SQL_C_SBIGINT, SQL_BIGINT, numbers, 0, number_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(processed, 3u);
    EXPECT_EQ(status_list(4), (std::vector<SQLUSMALLINT>{SQL_PARAM_SUCCESS, SQL_PARAM_SUCCESS, SQL_PARAM_SUCCESS, 99}));
    EXPECT_EQ(count(" where s = 'a1' and n = 101"), 1);
    EXPECT_EQ(count(" where s = 'a2' and n is null"), 1);
    EXPECT_EQ(count(" where s = 'a''3' and n = 103"), 1);
}

TEST_F(ParameterArrays, RowWiseSetsWithABindOffset) {
    struct row {
        std::int32_t n;
        SQLLEN n_ind;
        char s[6];
        SQLLEN s_ind;
    };
    row rows[2] = {{201, 0, "r1", SQL_NTS}, {202, 0, "r2xx", 2}};
    set_sets(2);
    SQLULEN offset = reinterpret_cast<SQLULEN>(&rows[0]);
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(row)), 0),
              SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_PARAM_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
    ASSERT_EQ(s.prepare("insert into q (n, s) values (?, ?)"), SQL_SUCCESS);
    // Addresses relative to the offset, the first of them 0, as pyodbc binds them.
    ASSERT_EQ(bind(1, SQL_C_SLONG, SQL_INTEGER, nullptr, 0, reinterpret_cast<SQLLEN*>(offsetof(row, n_ind))),
              SQL_SUCCESS);
    ASSERT_EQ(bind(2, SQL_C_CHAR, SQL_VARCHAR, reinterpret_cast<SQLPOINTER>(offsetof(row, s)), sizeof rows[0].s,
                   reinterpret_cast<SQLLEN*>(offsetof(row, s_ind))),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(processed, 2u);
    EXPECT_EQ(count(" where n = 201 and s = 'r1'"), 1);
    EXPECT_EQ(count(" where n = 202 and s = 'r2'"), 1);
    // The offset is read at each execution.
    row later[2] = {{301, 0, "x", SQL_NTS}, {302, 0, "y", SQL_NTS}};
    offset = reinterpret_cast<SQLULEN>(&later[0]);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(count(" where n > 300"), 2);
}

TEST_F(ParameterArrays, TheFirstFailingSetIsReportedWithItsNumber) {
    set_sets(3);
    ASSERT_EQ(s.prepare("insert into q (s, n) values ('f', ?)"), SQL_SUCCESS);
    // The second set's text is no INT64 for the store.
    char values[3][4] = {"1", "x", "3"};
    SQLLEN ind[3] = {SQL_NTS, SQL_NTS, SQL_NTS};
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_VARCHAR, values, sizeof values[0], ind), SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_ERROR);
    EXPECT_TRUE(s.diag_message().starts_with("[HY000] General error: parameter set 2 of 3: could not query, error: "))
        << s.diag_message();
    EXPECT_TRUE(s.diag_message().ends_with(" (1 earlier set was stored and not undone: the store has no transactions)"))
        << s.diag_message();
    EXPECT_EQ(processed, 2u);
    EXPECT_EQ(status_list(3), (std::vector<SQLUSMALLINT>{SQL_PARAM_SUCCESS, SQL_PARAM_ERROR, SQL_PARAM_UNUSED}));
    EXPECT_EQ(count(" where s = 'f'"), 1) << "the set before the failure ran, the one after did not";

    // A value that cannot be sent is found before any set runs.
    ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_RESET_PARAMS), SQL_SUCCESS);
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_INTEGER, values, sizeof values[0], ind), SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_ERROR);
    EXPECT_EQ(s.diag_message(),
              "[HY000] General error: parameter set 2 of 3: parameter 1 (SQL_C_CHAR as "
              "SQL_INTEGER): the text 'x' is not a number");
    EXPECT_EQ(processed, 0u) << "nothing ran";
    EXPECT_EQ(status_list(3), (std::vector<SQLUSMALLINT>{SQL_PARAM_UNUSED, SQL_PARAM_ERROR, SQL_PARAM_UNUSED}));
    EXPECT_EQ(count(" where s = 'f'"), 1) << "no set ran";
}

TEST_F(ParameterArrays, IgnoredSetsAndArraysWithoutAnElementSize) {
    set_sets(3);
    SQLUSMALLINT operations[3] = {SQL_PARAM_PROCEED, SQL_PARAM_IGNORE, SQL_PARAM_PROCEED};
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_PARAM_OPERATION_PTR, operations, 0), SQL_SUCCESS);
    ASSERT_EQ(s.prepare("insert into q (s, n) values ('g', ?)"), SQL_SUCCESS);
    std::int64_t numbers[3] = {1, 2, 3};
    ASSERT_EQ(bind(1, SQL_C_SBIGINT, SQL_BIGINT, numbers), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(status_list(3), (std::vector<SQLUSMALLINT>{SQL_PARAM_SUCCESS, SQL_PARAM_UNUSED, SQL_PARAM_SUCCESS}));
    EXPECT_EQ(count(" where s = 'g'"), 2);
    EXPECT_EQ(count(" where s = 'g' and n = 2"), 0);

    // Column-wise texts are one buffer length apart: without one, the sets cannot be told apart.
    ASSERT_EQ(s.prepare("insert into q (s) values (?)"), SQL_SUCCESS);
    char texts[3][4] = {"a", "b", "c"};
    ASSERT_EQ(bind(1, SQL_C_CHAR, SQL_VARCHAR, texts, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(s.stmt()), SQL_ERROR);
    EXPECT_EQ(s.diag_message(),
              "[HY090] Invalid string or buffer length: parameter set 1 of 3: parameter 1 "
              "(SQL_C_CHAR as SQL_VARCHAR): an array of these values needs the buffer length of "
              "one value");
}

// The INSERT rule stamps each row with its time of insertion: every parameter set and every
// execution its own nanosecond, so that rows inserted through the driver differ in their key.
TEST_F(ParameterArrays, RowsInsertedWithoutATimeGetDistinctTimesOfInsertion) {
    set_sets(3);
    ASSERT_EQ(s.prepare("insert into q (s, n) values ('stamped', ?)"), SQL_SUCCESS);
    std::int64_t numbers[3] = {1, 2, 3};
    ASSERT_EQ(bind(1, SQL_C_SBIGINT, SQL_BIGINT, numbers), SQL_SUCCESS);
    const auto before = std::chrono::system_clock::now();
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(SQLExecute(s.stmt()), SQL_SUCCESS) << s.diag_message();
    const auto seconds = [](std::chrono::system_clock::time_point t) {
        return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
    };
    EXPECT_EQ(count(" where s = 'stamped'"), 6);
    EXPECT_EQ(number("select count(distinct $timestamp) from q where s = 'stamped'"), 6);
    // The times lie between the start of the test and a minute after, and increase with the sets.
    EXPECT_EQ(count(fmt::format(" where s = 'stamped' and $timestamp >= {}000000000 and $timestamp < {}000000000",
                                seconds(before), seconds(before) + 60)),
              6);
    std::vector<std::int64_t> in_time_order;
    for (int row = 0; row < 6; ++row)
        in_time_order.push_back(
            number(fmt::format("select n from q where s = 'stamped' order by $timestamp limit 1 offset {}", row)));
    EXPECT_EQ(in_time_order, (std::vector<std::int64_t>{1, 2, 3, 1, 2, 3}))
        << "set after set, execution after execution";
}
