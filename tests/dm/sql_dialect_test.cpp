// SQL as ODBC tools write it, through the Driver Manager on an embedded store: escape sequences
// run against the store and compared with values computed here, SQLNativeSql, SQL_ATTR_NOSCAN,
// custom-query wrappers, SQL_ATTR_MAX_ROWS over any text, and numbers that do not fit.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "driver_manager.hpp"

namespace {

using namespace std::chrono;

// The row the functions are computed on: 2021-05-17T13:45:30.25Z, a Monday.
const sys_time<nanoseconds> row_time =
    sys_days{year{2021} / May / 17} + hours{13} + minutes{45} + seconds{30} + milliseconds{250};

class SqlDialect : public support::driver_manager_test {
protected:
    void SetUp() override {
        const auto stamp = std::to_string(row_time.time_since_epoch().count());
        support::seed_store(config.store_uri(), {"CREATE TABLE t (sym STRING, price DOUBLE, volume INT64, note STRING)",
                                                 "INSERT INTO t ($timestamp, sym, price, volume, note) VALUES (" +
                                                     stamp + ", ' Abc  ', -2.5, 17, NULL)"});
        open();
    }

    SQLRETURN exec(const std::string& text) const {
        SQLFreeStmt(stmt, SQL_CLOSE);
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS);
    }
    // The one value `select <expression> from t` gives, as text.
    std::string text_of(const std::string& expression) const { return first_value("select " + expression + " from t"); }
    // The first value of the first row of a text's result, as text.
    std::string first_value(const std::string& text) const {
        if (exec(text) != SQL_SUCCESS) return "error: " + diagnostic();
        if (SQLFetch(stmt) != SQL_SUCCESS) return "no row";
        char out[256] = {};
        SQLLEN length = 0;
        if (!SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_CHAR, out, sizeof out, &length))) return "error: " + diagnostic();
        return length == SQL_NULL_DATA ? "NULL" : std::string(out);
    }
    double number_of(const std::string& expression) const {
        if (exec("select " + expression + " from t") != SQL_SUCCESS || SQLFetch(stmt) != SQL_SUCCESS) return NAN;
        double out = 0;
        SQLLEN length = 0;
        if (!SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_DOUBLE, &out, 0, &length))) return NAN;
        return out;
    }
    // The timestamp the expression gives, as nanoseconds since the epoch; -1 on failure.
    std::int64_t time_of(const std::string& expression) const {
        if (exec("select " + expression + " from t") != SQL_SUCCESS || SQLFetch(stmt) != SQL_SUCCESS) return -1;
        SQL_TIMESTAMP_STRUCT ts{};
        SQLLEN length = 0;
        if (!SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_TYPE_TIMESTAMP, &ts, 0, &length))) return -1;
        const sys_days date = year{ts.year} / month{ts.month} / day{ts.day};
        return (date + hours{ts.hour} + minutes{ts.minute} + seconds{ts.second} + nanoseconds{ts.fraction})
            .time_since_epoch()
            .count();
    }
    std::int64_t rows_of(const std::string& text) const {
        if (exec(text) != SQL_SUCCESS) return -1;
        std::int64_t rows = 0;
        while (SQLFetch(stmt) == SQL_SUCCESS) ++rows;
        return rows;
    }
    [[nodiscard]] std::string diagnostic() const { return support::diag(SQL_HANDLE_STMT, stmt); }
};

TEST_F(SqlDialect, StringFunctions) {
    const std::string sym = " Abc  ";
    const auto trailing = sym.find_last_not_of(' ') + 1;
    struct {
        const char* expression;
        std::string expected;
    } cases[] = {
        {"{fn UCASE(sym)}", " ABC  "},
        {"{fn LCASE(sym)}", " abc  "},
        {"{fn LENGTH(sym)}", std::to_string(trailing)},
        {"{fn CHAR_LENGTH(sym)}", std::to_string(sym.size())},
        {"{fn CHARACTER_LENGTH(sym)}", std::to_string(sym.size())},
        {"{fn OCTET_LENGTH('é')}", "2"},
        {"{fn LTRIM(sym)}", sym.substr(1)},
        {"{fn RTRIM(sym)}", sym.substr(0, trailing)},
        {"{fn SUBSTRING(sym, 2, 3)}", sym.substr(1, 3)},
        {"{fn LEFT(sym, 2)}", sym.substr(0, 2)},
        {"{fn CONCAT(sym, 'x')}", sym + "x"},
        {"{fn REPLACE(sym, 'b', 'B')}", " ABc  "},
        {"{fn ASCII('A')}", std::to_string(int{'A'})},
        {"{fn CHAR(66)}", "B"},
        {"{fn IFNULL(note, 'none')}", "none"},
        {"{fn CONVERT(volume, SQL_VARCHAR)}", "17"},
        {"{fn UCASE({fn LTRIM({fn CONCAT(sym, 'z')})})}", "ABC  Z"},
        {"{fn DAYNAME($timestamp)}", "Monday"},
        {"{fn MONTHNAME($timestamp)}", "May"},
    };
    for (const auto& c : cases) EXPECT_EQ(text_of(c.expression), c.expected) << c.expression;
}

TEST_F(SqlDialect, NumericFunctions) {
    const double price = -2.5;
    const double volume = 17;
    struct {
        const char* expression;
        double expected;
    } cases[] = {
        {"{fn ABS(price)}", std::fabs(price)},
        {"{fn CEILING(price)}", std::ceil(price)},
        {"{fn FLOOR(price)}", std::floor(price)},
        {"{fn ROUND(price, 0)}", std::round(price)},
        {"{fn ROUND(1234.5678, 2)}", 1234.57},
        {"{fn ROUND(1250, -2)}", 1300},
        {"{fn MOD(volume, 5)}", std::fmod(volume, 5)},
        {"{fn SIGN(price)}", -1},
        {"{fn SQRT(volume)}", std::sqrt(volume)},
        {"{fn POWER(2, 10)}", 1024},
        {"{fn EXP(1)}", std::exp(1.0)},
        {"{fn LOG(volume)}", std::log(volume)},
        {"{fn LOG10(1000)}", 3},
        {"{fn PI()}", M_PI},
        {"{fn SIN(price)}", std::sin(price)},
        {"{fn COS(price)}", std::cos(price)},
        {"{fn TAN(price)}", std::tan(price)},
        {"{fn COT(price)}", 1 / std::tan(price)},
        {"{fn ASIN(0.5)}", std::asin(0.5)},
        {"{fn ACOS(0.5)}", std::acos(0.5)},
        {"{fn ATAN(price)}", std::atan(price)},
        {"{fn DEGREES(price)}", price * 180 / M_PI},
        {"{fn RADIANS(price)}", price * M_PI / 180},
        {"{fn CONVERT(price, SQL_BIGINT)}", std::trunc(price)},
        {"{fn CONVERT(volume, SQL_DOUBLE)}", volume},
    };
    for (const auto& c : cases) EXPECT_NEAR(number_of(c.expression), c.expected, 1e-9) << c.expression;
}

TEST_F(SqlDialect, TimeAndDateFunctionsAndLiterals) {
    const auto day = floor<days>(row_time);
    const year_month_day date{day};
    const hh_mm_ss time{row_time - day};
    const weekday wd{day};
    const auto first_of_year = sys_days{date.year() / January / 1};
    const auto day_of_year = (day - first_of_year).count() + 1;
    // Week 1 holds January 1st; weeks begin on Sunday.
    const auto week = (day_of_year - 1 + weekday{first_of_year}.c_encoding()) / 7 + 1;
    struct {
        const char* expression;
        long long expected;
    } cases[] = {
        {"{fn YEAR($timestamp)}", static_cast<int>(date.year())},
        {"{fn MONTH($timestamp)}", static_cast<unsigned>(date.month())},
        {"{fn DAYOFMONTH($timestamp)}", static_cast<unsigned>(date.day())},
        {"{fn HOUR($timestamp)}", time.hours().count()},
        {"{fn MINUTE($timestamp)}", time.minutes().count()},
        {"{fn SECOND($timestamp)}", time.seconds().count()},
        {"{fn QUARTER($timestamp)}", (static_cast<unsigned>(date.month()) - 1) / 3 + 1},
        {"{fn WEEK($timestamp)}", week},
        {"{fn DAYOFWEEK($timestamp)}", wd.c_encoding() + 1},
        {"{fn DAYOFYEAR($timestamp)}", day_of_year},
        {"{fn EXTRACT(MINUTE FROM $timestamp)}", time.minutes().count()},
        {"{fn TIMESTAMPDIFF(SQL_TSI_HOUR, {d '2021-05-17'}, $timestamp)}", time.hours().count()},
        {"{fn TIMESTAMPDIFF(SQL_TSI_MONTH, {ts '2021-01-17 13:45:31'}, $timestamp)}", 3},
        {"{fn TIMESTAMPDIFF(SQL_TSI_YEAR, $timestamp, {ts '2019-05-17 13:45:30'})}", -2},
        {"{fn TIMESTAMPDIFF(SQL_TSI_FRAC_SECOND, {ts '2021-05-17 13:45:30'}, $timestamp)}", 250'000'000},
    };
    for (const auto& c : cases) EXPECT_EQ(text_of(c.expression), std::to_string(c.expected)) << c.expression;

    const auto at = [](sys_time<nanoseconds> t) { return t.time_since_epoch().count(); };
    EXPECT_EQ(time_of("{fn TIMESTAMPADD(SQL_TSI_DAY, 2, $timestamp)}"), at(row_time + days{2}));
    EXPECT_EQ(time_of("{fn TIMESTAMPADD(SQL_TSI_QUARTER, 1, $timestamp)}"),
              at(sys_days{year{2021} / August / 17} + (row_time - day)));
    EXPECT_EQ(time_of("{d '2021-05-17'}"), at(day));
    EXPECT_EQ(time_of("{ts '2021-05-17 13:45:30.25'}"), at(row_time));
    EXPECT_EQ(time_of("TIMESTAMP '2021-05-17 13:45:30.25'"), at(row_time));
    EXPECT_EQ(time_of("DATE '2021-05-17'"), at(day));
    EXPECT_EQ(time_of("{fn CONVERT('2021-05-17 13:45:30.25', SQL_TIMESTAMP)}"), at(row_time));
    EXPECT_EQ(time_of("{fn CONVERT($timestamp, SQL_DATE)}"), at(day));
    const auto today = floor<days>(system_clock::now());
    const auto noon = time_of("{t '12:00:00'}");
    EXPECT_TRUE(noon == at(today + hours{12}) || noon == at(today + days{1} + hours{12})) << noon;
    const auto now = time_of("{fn NOW()}");
    EXPECT_LE(std::llabs(now - at(system_clock::now())), 60'000'000'000LL);
    EXPECT_LE(std::llabs(time_of("{fn CURRENT_TIMESTAMP(3)}") - at(system_clock::now())), 60'000'000'000LL);
    EXPECT_EQ(time_of("{fn CURRENT_DATE()}"), time_of("{fn CURDATE()}"));
    const auto curdate = time_of("{fn CURDATE()}");
    EXPECT_EQ(curdate % (86'400LL * 1'000'000'000), 0);
    EXPECT_LE(std::llabs(curdate - at(today)), 86'400'000'000'000LL);
}

TEST_F(SqlDialect, TextComparedWithTheTimeColumnIsATimestampOrRefused) {
    EXPECT_EQ(text_of("count(*)"), "1");
    EXPECT_EQ(rows_of("select sym from t where $timestamp >= '2021-05-17 13:45:30'"), 1);
    EXPECT_EQ(rows_of("select sym from t where $timestamp < '2021-05-17T13:45:30.25Z'"), 0);
    EXPECT_EQ(rows_of("select sym from t where $timestamp between '2021-05-17' and '2021-05-18'"), 1);
    EXPECT_EQ(rows_of("select sym from t where \"$timestamp\" in ('2021-05-17 13:45:30.25')"), 1);
    EXPECT_EQ(exec("select sym from t where $timestamp >= 'yesterday'"), SQL_ERROR);
    EXPECT_NE(diagnostic().find("'yesterday' is compared with or assigned to the timestamp column $timestamp"),
              std::string::npos)
        << diagnostic();
    // GROUP BY a time bucket.
    EXPECT_EQ(rows_of("select {fn YEAR($timestamp)}, {fn MONTH($timestamp)}, count(*) from t group by 1, 2"), 1);
    const sys_time<nanoseconds> first_of_month = sys_days{year{2021} / May / 1};
    EXPECT_EQ(time_of("date_trunc('month', $timestamp)"), first_of_month.time_since_epoch().count());
}

TEST_F(SqlDialect, TextMeetingAnyTimestampColumnIsATimestampOrRefused) {
    ASSERT_EQ(exec("create table due (at TIMESTAMP, sym STRING)"), SQL_SUCCESS) << diagnostic();
    // A text parameter (as pyodbc binds a str) becomes a quoted text: read as a timestamp.
    SQLFreeStmt(stmt, SQL_CLOSE);
    ASSERT_EQ(SQLPrepare(stmt, support::sql_text("insert into due (sym, at) values ('ibm', ?)"), SQL_NTS), SQL_SUCCESS);
    char when[] = "2021-05-17 13:45:30";
    SQLLEN nts = SQL_NTS;
    SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, sizeof when, 0, when, 0, &nts);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << diagnostic();
    SQLFreeStmt(stmt, SQL_RESET_PARAMS);
    EXPECT_EQ(first_value("select count(*) from due where at >= '2021-05-17 13:00:00'"), "1");
    EXPECT_EQ(first_value("select count(*) from due where at > '2021-05-17T13:45:30Z'"), "0");
    EXPECT_EQ(first_value("select count(*) from due d join t on d.at between '2021-05-17' and '2021-05-18'"), "1");
    EXPECT_EQ(first_value("select count(*) from due where sym = 'ibm' and at = {ts '2021-05-17 13:45:30'}"), "1");
    EXPECT_EQ(exec("select count(*) from due where at < 'tomorrow'"), SQL_ERROR);
    EXPECT_NE(diagnostic().find("'tomorrow' is compared with or assigned to the timestamp column at"),
              std::string::npos)
        << diagnostic();
}

TEST_F(SqlDialect, EscapesAreRefusedBeforeAnythingRunsAndNoScanSendsThemAsWritten) {
    EXPECT_EQ(exec("insert into t (sym) values ({fn SOUNDEX('x')})"), SQL_ERROR);
    EXPECT_NE(diagnostic().find("HYC00"), std::string::npos) << diagnostic();
    EXPECT_EQ(exec("{call refresh()}"), SQL_ERROR);
    EXPECT_NE(diagnostic().find("{call refresh()}"), std::string::npos) << diagnostic();
    EXPECT_EQ(text_of("count(*)"), "1") << "nothing ran";
    // A prepared text is translated once; its markers inside escapes are bound.
    SQLFreeStmt(stmt, SQL_CLOSE);
    const char* prepared = "select {fn UCASE(?)} from t where volume = ?";
    ASSERT_EQ(SQLPrepare(stmt, support::sql_text(prepared), SQL_NTS), SQL_SUCCESS);
    SQLSMALLINT markers = 0;
    SQLNumParams(stmt, &markers);
    EXPECT_EQ(markers, 2);
    char word[] = "abc";
    SQLLEN nts = SQL_NTS;
    SQLBIGINT volume = 17;
    SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 3, 0, word, 0, &nts);
    SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &volume, 0, nullptr);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << diagnostic();
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    char out[16] = {};
    SQLGetData(stmt, 1, SQL_C_CHAR, out, sizeof out, nullptr);
    EXPECT_STREQ(out, "ABC");
    SQLFreeStmt(stmt, SQL_RESET_PARAMS);

    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_NOSCAN, reinterpret_cast<SQLPOINTER>(SQL_NOSCAN_ON), 0), SQL_SUCCESS);
    SQLULEN noscan = 0;
    SQLGetStmtAttr(stmt, SQL_ATTR_NOSCAN, &noscan, 0, nullptr);
    EXPECT_EQ(noscan, static_cast<SQLULEN>(SQL_NOSCAN_ON));
    EXPECT_EQ(exec("select {fn UCASE(sym)} from t"), SQL_ERROR) << "the store gets the escape as written";
    // The connection's setting is the default of its later statements.
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLSetConnectAttr(dbc, SQL_ATTR_NOSCAN, reinterpret_cast<SQLPOINTER>(SQL_NOSCAN_ON), SQL_IS_UINTEGER)));
    SQLHSTMT second = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &second), SQL_SUCCESS);
    SQLGetStmtAttr(second, SQL_ATTR_NOSCAN, &noscan, 0, nullptr);
    EXPECT_EQ(noscan, static_cast<SQLULEN>(SQL_NOSCAN_ON));
    SQLFreeHandle(SQL_HANDLE_STMT, second);
}

TEST_F(SqlDialect, NativeSqlGivesWhatTheStoreReceives) {
    SQLUSMALLINT offered = SQL_FALSE;
    SQLGetFunctions(dbc, SQL_API_SQLNATIVESQL, &offered);
    EXPECT_EQ(offered, SQL_TRUE);
    const char* text = "SELECT {fn UCASE(\"TableauSQL\".\"sym\")} FROM (\n  select sym from t\n) \"TableauSQL\"";
    char out[256] = {};
    SQLINTEGER length = 0;
    ASSERT_EQ(SQLNativeSql(dbc, support::sql_text(text), SQL_NTS, reinterpret_cast<SQLCHAR*>(out), sizeof out, &length),
              SQL_SUCCESS)
        << support::diag(SQL_HANDLE_DBC, dbc);
    const std::string expected = "SELECT upper(\"TableauSQL\".\"sym\") FROM (\n  select sym from t\n) \"TableauSQL\"";
    EXPECT_EQ(out, expected);
    EXPECT_EQ(length, static_cast<SQLINTEGER>(expected.size()));
    const char* bad = "select {fn NOPE()}";
    EXPECT_EQ(SQLNativeSql(dbc, support::sql_text(bad), SQL_NTS, reinterpret_cast<SQLCHAR*>(out), sizeof out, &length),
              SQL_ERROR);
    EXPECT_NE(support::diag(SQL_HANDLE_DBC, dbc).find("{fn NOPE()}"), std::string::npos);
}

TEST_F(SqlDialect, WrappedQueriesAreCutOnlyForPureProjections) {
    support::seed_store(config.store_uri(), {"INSERT INTO t ($timestamp, sym, price, volume) VALUES (1, 'a', 1, 10), "
                                             "(2, 'b', 2, 20), (3, 'b', 3, 30)"});
    const std::string inner = " FROM (\n  select * from t\n) \"TableauSQL\"";
    // A pure projection is cut: the inner rows, their columns sorted by name.
    EXPECT_EQ(rows_of("SELECT \"TableauSQL\".\"sym\" AS \"sym\", \"TableauSQL\".\"volume\"" + inner), 4);
    EXPECT_EQ(rows_of("SELECT *" + inner + ";"), 4);
    // Anything more goes to the store whole, and is answered as written.
    EXPECT_EQ(first_value("SELECT SUM(\"TableauSQL\".\"volume\")" + inner), std::to_string(17 + 10 + 20 + 30));
    EXPECT_EQ(rows_of("SELECT COUNT(*) FROM (\n  select * from t\n) \"Custom_SQL_Query\""), 1);
    EXPECT_EQ(rows_of("SELECT * " + inner + " WHERE (1 = 0)"), 0);
    EXPECT_EQ(rows_of("SELECT TOP 0 *" + inner), 0);
    EXPECT_EQ(rows_of("SELECT TOP 2 \"TableauSQL\".\"sym\"" + inner), 2);
    EXPECT_EQ(rows_of("SELECT \"TableauSQL\".\"sym\", COUNT(*)" + inner + " GROUP BY \"TableauSQL\".\"sym\""), 3);
    EXPECT_EQ(rows_of("SELECT \"TableauSQL\".\"sym\" AS \"s\"" + inner), 4);
}

TEST_F(SqlDialect, MaxRowsHoldsWhateverTheText) {
    support::seed_store(config.store_uri(),
                        {"INSERT INTO t ($timestamp, sym, price, volume) VALUES (1, 'limit', 1, 10), "
                         "(2, 'b', 2, 20), (3, 'c', 3, 30), (4, 'd', 4, 40)"});
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(2), 0), SQL_SUCCESS);
    EXPECT_EQ(rows_of("select * from t"), 2);
    EXPECT_EQ(rows_of("with x as (select * from t) select * from x"), 2);
    EXPECT_EQ(rows_of("select sym from t where sym <> 'limit'"), 2);
    EXPECT_EQ(rows_of("select volume as credit_limit from t"), 2);
    EXPECT_EQ(rows_of("select * from t limit 4"), 2);
    EXPECT_EQ(rows_of("values (1), (2), (3)"), 2);
    SQLLEN count = 0;
    SQLRowCount(stmt, &count);
    EXPECT_EQ(count, 2);
    // Catalog results are not limited.
    ASSERT_EQ(SQLColumns(stmt, nullptr, 0, nullptr, 0, support::sql_text("t"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    std::int64_t columns = 0;
    while (SQLFetch(stmt) == SQL_SUCCESS) ++columns;
    EXPECT_EQ(columns, 5);
}

TEST_F(SqlDialect, NumbersThatDoNotFitAreRefusedOrWrittenExactly) {
    const char* insert = "insert into t ($timestamp, sym, price, volume) values (5, 'n', ?, 1)";
    ASSERT_EQ(SQLPrepare(stmt, support::sql_text(insert), SQL_NTS), SQL_SUCCESS);
    // The same number as text, as UTF-16 text and as an SQL_NUMERIC_STRUCT.
    char digits[] = "12345678901234567890";
    SQLWCHAR wide[21] = {};
    for (std::size_t i = 0; i < 20; ++i) wide[i] = static_cast<SQLWCHAR>(digits[i]);
    SQL_NUMERIC_STRUCT numeric{};
    numeric.precision = 20;
    numeric.sign = 1;
    for (unsigned long long v = 12345678901234567890ULL, i = 0; v != 0; v >>= 8, ++i)
        numeric.val[i] = static_cast<SQLCHAR>(v & 0xFF);
    SQLLEN nts = SQL_NTS;
    SQLLEN numeric_length = sizeof numeric;
    struct {
        SQLSMALLINT c_type;
        SQLSMALLINT sql_type;
        const char* outcome;  // the SQLSTATE, or "stored"
    } cases[] = {
        {SQL_C_CHAR, SQL_BIGINT, "22003"},      {SQL_C_CHAR, SQL_INTEGER, "22003"},
        {SQL_C_CHAR, SQL_DOUBLE, "stored"},     {SQL_C_CHAR, SQL_DECIMAL, "stored"},
        {SQL_C_CHAR, SQL_NUMERIC, "stored"},    {SQL_C_WCHAR, SQL_BIGINT, "22003"},
        {SQL_C_WCHAR, SQL_DECIMAL, "stored"},   {SQL_C_NUMERIC, SQL_BIGINT, "22003"},
        {SQL_C_NUMERIC, SQL_NUMERIC, "stored"}, {SQL_C_NUMERIC, SQL_FLOAT, "stored"},
    };
    for (const auto& c : cases) {
        SQLPOINTER value = c.c_type == SQL_C_CHAR    ? static_cast<SQLPOINTER>(digits)
                           : c.c_type == SQL_C_WCHAR ? static_cast<SQLPOINTER>(wide)
                                                     : static_cast<SQLPOINTER>(&numeric);
        SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, c.c_type, c.sql_type, 20, 0, value,
                         c.c_type == SQL_C_NUMERIC ? sizeof numeric : 0,
                         c.c_type == SQL_C_NUMERIC ? &numeric_length : &nts);
        const SQLRETURN rc = SQLExecute(stmt);
        if (std::strlen(c.outcome) == 5) {
            EXPECT_EQ(rc, SQL_ERROR) << c.c_type << " as " << c.sql_type;
            EXPECT_EQ(diagnostic().substr(0, 5), c.outcome) << c.c_type << " as " << c.sql_type;
            continue;
        }
        ASSERT_EQ(rc, SQL_SUCCESS) << c.c_type << " as " << c.sql_type << diagnostic();
        SQLHSTMT read = nullptr;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &read);
        SQLExecDirect(read, support::sql_text("select price from t where sym = 'n'"), SQL_NTS);
        ASSERT_EQ(SQLFetch(read), SQL_SUCCESS);
        double price = 0;
        SQLGetData(read, 1, SQL_C_DOUBLE, &price, 0, nullptr);
        EXPECT_EQ(price, 12345678901234567890.0) << c.c_type << " as " << c.sql_type << ": never 0";
        SQLFreeStmt(read, SQL_CLOSE);
        SQLExecDirect(read, support::sql_text("delete from t where sym = 'n'"), SQL_NTS);
        SQLFreeHandle(SQL_HANDLE_STMT, read);
    }
}

TEST_F(SqlDialect, LongValuesDoNotMakeLongColumnNames) {
    const std::string value(50'000, 'x');
    ASSERT_EQ(exec("select '" + value + "'"), SQL_SUCCESS) << diagnostic();
    SQLSMALLINT name_length = 0;
    char name[8] = {};
    ASSERT_TRUE(SQL_SUCCEEDED(SQLDescribeCol(stmt, 1, reinterpret_cast<SQLCHAR*>(name), sizeof name, &name_length,
                                             nullptr, nullptr, nullptr, nullptr)));
    EXPECT_GT(name_length, 0);
    EXPECT_LE(name_length, 1024);
    SQLSMALLINT max_name = 0;
    SQLGetInfo(dbc, SQL_MAX_COLUMN_NAME_LEN, &max_name, 0, nullptr);
    EXPECT_LE(name_length, max_name);
}

}  // namespace
