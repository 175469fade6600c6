// A bound value as a literal: read from a buffer of exactly its size by its C type, written by
// its SQL type. Each row of the tables is (C type, SQL type, buffer, length/indicator) and the
// literal or the refusal it gives.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <sqlext.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "exact_buffer.hpp"
#include "statement/parameter_binding.hpp"
#include "statement/parameter_literal.hpp"

using support::exact_buffer;

namespace {

struct literal_case {
    const char* what;
    SQLSMALLINT c_type;
    SQLSMALLINT sql_type;
    exact_buffer buffer;
    std::optional<SQLLEN> indicator;
    SQLLEN buffer_length;
    std::string literal;  // empty when the value is refused
    std::string reason;   // the refusal's reason, when it is one
};

template <typename T>
literal_case value(const char* what, SQLSMALLINT c_type, SQLSMALLINT sql_type, const T& v, std::string literal) {
    return {what, c_type, sql_type, exact_buffer::of(v), std::nullopt, 0, std::move(literal), {}};
}
template <typename T>
literal_case refused(const char* what, SQLSMALLINT c_type, SQLSMALLINT sql_type, const T& v, std::string reason) {
    return {what, c_type, sql_type, exact_buffer::of(v), std::nullopt, 0, {}, std::move(reason)};
}
literal_case text(const char* what, SQLSMALLINT sql_type, std::string_view t, std::string literal) {
    return {what, SQL_C_CHAR, sql_type, exact_buffer::text(t), SQLLEN(t.size()), 0, std::move(literal), {}};
}
literal_case refused_text(const char* what, SQLSMALLINT sql_type, std::string_view t, std::string reason) {
    return {what, SQL_C_CHAR, sql_type, exact_buffer::text(t), SQLLEN(t.size()), 0, {}, std::move(reason)};
}
literal_case binary(const char* what, SQLSMALLINT sql_type, std::string_view b, std::string literal) {
    return {what, SQL_C_BINARY, sql_type, exact_buffer::text(b), SQLLEN(b.size()), 0, std::move(literal), {}};
}

void check(const std::vector<literal_case>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = buffers::read_value(c.buffer.as(c.c_type, c.indicator, c.buffer_length));
        ASSERT_TRUE(std::holds_alternative<buffers::application_value>(read));
        std::string out = "x = ";
        const auto refusal = append_literal(out, c.sql_type, std::get<buffers::application_value>(read));
        if (c.reason.empty()) {
            EXPECT_FALSE(refusal) << refusal->reason;
            EXPECT_EQ(out, "x = " + c.literal);
        } else {
            ASSERT_TRUE(refusal) << "written as " << out;
            EXPECT_EQ(refusal->reason, c.reason);
            EXPECT_EQ(out, "x = ") << "nothing is written for a refused value";
        }
    }
}

}  // namespace

TEST(ParameterLiteral, NumbersByTheirCTypeAndSqlType) {
    std::vector<literal_case> cases;
    cases.push_back(value("a 4-byte SLONG as BIGINT", SQL_C_SLONG, SQL_BIGINT, std::int32_t{7}, "7"));
    cases.push_back(value("SLONG as INTEGER", SQL_C_SLONG, SQL_INTEGER, std::int32_t{-7}, "-7"));
    cases.push_back(value("SSHORT as SMALLINT", SQL_C_SSHORT, SQL_SMALLINT, std::int16_t{-32768}, "-32768"));
    cases.push_back(value("UTINYINT as TINYINT", SQL_C_UTINYINT, SQL_TINYINT, std::uint8_t{255}, "255"));
    cases.push_back(value("SBIGINT as BIGINT", SQL_C_SBIGINT, SQL_BIGINT, std::int64_t{9223372036854775807},
                          "9223372036854775807"));
    cases.push_back(value("SBIGINT as INTEGER", SQL_C_SBIGINT, SQL_INTEGER, std::int64_t{42}, "42"));
    cases.push_back(value("UBIGINT as INTEGER", SQL_C_UBIGINT, SQL_INTEGER, std::uint64_t{4294967295u}, "4294967295"));
    cases.push_back(value("DOUBLE as DOUBLE", SQL_C_DOUBLE, SQL_DOUBLE, 0.1, "0.1"));
    cases.push_back(value("DOUBLE as DECIMAL", SQL_C_DOUBLE, SQL_DECIMAL, 100.0, "100"));
    cases.push_back(value("DOUBLE as FLOAT", SQL_C_DOUBLE, SQL_FLOAT, 1e20, "1e+20"));
    cases.push_back(value("FLOAT as REAL", SQL_C_FLOAT, SQL_REAL, 1.5f, "1.5"));
    cases.push_back(value("FLOAT as DOUBLE keeps its short form", SQL_C_FLOAT, SQL_DOUBLE, 0.1f, "0.1"));
    cases.push_back(value("SLONG as DOUBLE", SQL_C_SLONG, SQL_DOUBLE, std::int32_t{3}, "3"));
    cases.push_back(value("a whole DOUBLE as INTEGER", SQL_C_DOUBLE, SQL_INTEGER, 12.0, "12"));
    cases.push_back(value("BIT as TINYINT", SQL_C_BIT, SQL_TINYINT, std::uint8_t{1}, "1"));
    // pyodbc binds True and False as SQL_C_BIT values of SQL type SQL_BIT.
    cases.push_back(value("true as BIT", SQL_C_BIT, SQL_BIT, std::uint8_t{1}, "1"));
    cases.push_back(value("false as BIT", SQL_C_BIT, SQL_BIT, std::uint8_t{0}, "0"));
    cases.push_back(text("a text as BIT", SQL_BIT, "1", "1"));
    cases.push_back(refused("2 as BIT", SQL_C_SLONG, SQL_BIT, std::int32_t{2}, "2 is out of the range of SQL_BIT"));
    cases.push_back(refused("-1 as BIT", SQL_C_SLONG, SQL_BIT, std::int32_t{-1}, "-1 is out of the range of SQL_BIT"));
    cases.push_back(refused_text("a word as BIT", SQL_BIT, "true", "the text 'true' is not a number"));
    // pyodbc binds a Decimal as its text, of SQL type SQL_NUMERIC.
    cases.push_back(text("a decimal text as NUMERIC", SQL_NUMERIC, "1.25", "1.25"));
    cases.push_back(text("a whole NUMERIC stays exact", SQL_NUMERIC, "9007199254740993", "9007199254740993"));
    cases.push_back(value("SBIGINT as NUMERIC", SQL_C_SBIGINT, SQL_NUMERIC, std::int64_t{-4}, "-4"));
    cases.push_back(refused("SSHORT 300 as TINYINT", SQL_C_SSHORT, SQL_TINYINT, std::int16_t{300},
                            "300 is out of the range of SQL_TINYINT"));
    cases.push_back(refused("SBIGINT 2^40 as INTEGER", SQL_C_SBIGINT, SQL_INTEGER, std::int64_t{1} << 40,
                            "1099511627776 is out of the range of SQL_INTEGER"));
    cases.push_back(refused("UBIGINT beyond the store's integers", SQL_C_UBIGINT, SQL_BIGINT, ~std::uint64_t{0},
                            "18446744073709551615 is out of the range of SQL_BIGINT"));
    cases.push_back(refused("a fraction as INTEGER", SQL_C_DOUBLE, SQL_INTEGER, 2.5,
                            "2.5 has a fraction, which SQL_INTEGER cannot hold"));
    cases.push_back(refused("infinity", SQL_C_DOUBLE, SQL_DOUBLE, std::numeric_limits<double>::infinity(),
                            "inf is out of the range of SQL_DOUBLE"));
    cases.push_back(refused("NaN", SQL_C_DOUBLE, SQL_VARCHAR, std::numeric_limits<double>::quiet_NaN(),
                            "nan is out of the range of SQL_VARCHAR"));
    check(cases);
}

TEST(ParameterLiteral, TextIsAlwaysAQuotedLiteral) {
    std::vector<literal_case> cases;
    cases.push_back(text("plain", SQL_VARCHAR, "aapl", "'aapl'"));
    cases.push_back(text("quotes doubled", SQL_VARCHAR, "it's", "'it''s'"));
    cases.push_back(
        text("a value that tries to end the literal", SQL_VARCHAR, "zzz' OR '1'='1", "'zzz'' OR ''1''=''1'"));
    cases.push_back(text("a value that tries to add a statement", SQL_LONGVARCHAR, "x'); drop table t; --",
                         "'x''); drop table t; --'"));
    cases.push_back(text("markers and separators are data", SQL_CHAR, "?;--/*", "'?;--/*'"));
    cases.push_back(text("empty", SQL_VARCHAR, "", "''"));
    cases.push_back(value("SBIGINT as VARCHAR is its text", SQL_C_SBIGINT, SQL_VARCHAR, std::int64_t{42}, "'42'"));
    cases.push_back(value("DOUBLE as CHAR is its text", SQL_C_DOUBLE, SQL_CHAR, 1.25, "'1.25'"));
    cases.push_back(binary("binary as VARCHAR is its bytes", SQL_VARCHAR, "ab", "'ab'"));
    literal_case nts{"SQL_NTS", SQL_C_CHAR, SQL_VARCHAR, exact_buffer::text(std::string_view("abc\0", 4)),
                     SQL_NTS,   4,          "'abc'",     {}};
    cases.push_back(std::move(nts));
    cases.push_back({"a zero byte inside the length",
                     SQL_C_CHAR,
                     SQL_VARCHAR,
                     exact_buffer::text(std::string_view("a\0b", 3)),
                     3,
                     0,
                     {},
                     "the text holds a zero byte at offset 1, which a query text cannot carry"});
    check(cases);
}

TEST(ParameterLiteral, TextBoundToANumberMustBeOne) {
    std::vector<literal_case> cases;
    cases.push_back(text("'8' as INTEGER is 8, not the code of the character", SQL_INTEGER, "8", "8"));
    cases.push_back(text("blanks around a number", SQL_BIGINT, " -12 ", "-12"));
    cases.push_back(text("a plus sign", SQL_SMALLINT, "+5", "5"));
    cases.push_back(text("a decimal as DOUBLE", SQL_DOUBLE, "0.10", "0.1"));
    cases.push_back(text("an exponent as FLOAT", SQL_FLOAT, "1e3", "1000"));
    cases.push_back(text("a whole decimal as INTEGER", SQL_INTEGER, "12.0", "12"));
    cases.push_back(text("a big integer as DECIMAL stays exact", SQL_DECIMAL, "9007199254740993", "9007199254740993"));
    cases.push_back(refused_text("a word", SQL_INTEGER, "abc", "the text 'abc' is not a number"));
    cases.push_back(
        refused_text("an injection", SQL_BIGINT, "1; DELETE FROM t", "the text '1; DELETE FROM t' is not a number"));
    cases.push_back(refused_text("empty", SQL_DOUBLE, "", "the text '' is not a number"));
    cases.push_back(refused_text("two signs", SQL_INTEGER, "+-1", "the text '+-1' is not a number"));
    cases.push_back(refused_text("infinity", SQL_DOUBLE, "inf", "the text 'inf' is not a number"));
    cases.push_back(
        refused_text("a fraction as INTEGER", SQL_INTEGER, "1.5", "1.5 has a fraction, which SQL_INTEGER cannot hold"));
    check(cases);
}

TEST(ParameterLiteral, BinaryIsABlobLiteralByteForByte) {
    std::vector<literal_case> cases;
    cases.push_back(binary("zero bytes included", SQL_VARBINARY, std::string_view("\0\x01\xff\0", 4), "X'0001FF00'"));
    cases.push_back(binary("empty", SQL_BINARY, "", "X''"));
    cases.push_back(binary("a quote is just a byte", SQL_LONGVARBINARY, "'", "X'27'"));
    cases.push_back(text("text as VARBINARY is its bytes", SQL_VARBINARY, "AB", "X'4142'"));
    cases.push_back(refused("a number as VARBINARY", SQL_C_SLONG, SQL_VARBINARY, std::int32_t{1},
                            "an integer cannot be sent as SQL_VARBINARY"));
    cases.push_back({"binary as INTEGER",
                     SQL_C_BINARY,
                     SQL_INTEGER,
                     exact_buffer::text("1"),
                     1,
                     0,
                     {},
                     "binary data cannot be sent as SQL_INTEGER"});
    check(cases);
}

TEST(ParameterLiteral, DatesAndTimesAreUnquotedTimestamps) {
    std::vector<literal_case> cases;
    cases.push_back(value("a timestamp drops a zero fraction", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                          SQL_TIMESTAMP_STRUCT{2021, 3, 4, 5, 6, 7, 0}, "2021-03-04T05:06:07"));
    cases.push_back(value("and keeps any other", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                          SQL_TIMESTAMP_STRUCT{2021, 3, 4, 5, 6, 7, 500000000}, "2021-03-04T05:06:07.500000000"));
    cases.push_back(
        value("a date", SQL_C_TYPE_DATE, SQL_TYPE_DATE, SQL_DATE_STRUCT{1999, 12, 31}, "1999-12-31T00:00:00"));
    // A date or time structure is a timestamp for the store whatever SQL type it is bound as:
    // pyodbc's fast_executemany binds datetime values as SQL_VARCHAR.
    cases.push_back(value("a timestamp as VARCHAR", SQL_C_TYPE_TIMESTAMP, SQL_VARCHAR,
                          SQL_TIMESTAMP_STRUCT{2021, 3, 4, 5, 6, 7, 123456000}, "2021-03-04T05:06:07.123456000"));
    cases.push_back(
        value("a date as CHAR", SQL_C_TYPE_DATE, SQL_CHAR, SQL_DATE_STRUCT{1999, 12, 31}, "1999-12-31T00:00:00"));
    cases.push_back(refused("an invalid timestamp as VARCHAR", SQL_C_TYPE_TIMESTAMP, SQL_VARCHAR,
                            SQL_TIMESTAMP_STRUCT{2021, 2, 30, 24, 0, 0, 0},
                            "2021-02-30 24:00:00.000000000 is not a valid date and time"));
    cases.push_back(value("a date as TIMESTAMP", SQL_C_TYPE_DATE, SQL_TYPE_TIMESTAMP, SQL_DATE_STRUCT{2000, 1, 2},
                          "2000-01-02T00:00:00"));
    cases.push_back(value("a timestamp as DATE", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_DATE,
                          SQL_TIMESTAMP_STRUCT{2021, 3, 4, 5, 6, 7, 8}, "2021-03-04T00:00:00"));
    cases.push_back(
        text("a text as TIMESTAMP", SQL_TYPE_TIMESTAMP, "2021-03-04 05:06:07.25", "2021-03-04T05:06:07.250000000"));
    cases.push_back(text("a text as DATE", SQL_TYPE_DATE, "2021-03-04", "2021-03-04T00:00:00"));
    cases.push_back(refused_text("a text that is no date", SQL_TYPE_TIMESTAMP, "yesterday",
                                 "the text 'yesterday' is not a timestamp (YYYY-MM-DD HH:MM:SS)"));
    cases.push_back(refused("month 13", SQL_C_TYPE_DATE, SQL_TYPE_DATE, SQL_DATE_STRUCT{2021, 13, 1},
                            "2021-13-01 00:00:00.000000000 is not a valid date and time"));
    cases.push_back(refused("a fraction beyond a second", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                            SQL_TIMESTAMP_STRUCT{2021, 1, 1, 0, 0, 0, 1000000000},
                            "2021-01-01 00:00:00.1000000000 is not a valid date and time"));
    cases.push_back(refused("a negative year", SQL_C_TYPE_DATE, SQL_TYPE_DATE, SQL_DATE_STRUCT{-5, 1, 1},
                            "-005-01-01 00:00:00.000000000 is not a valid date and time"));
    cases.push_back(refused("february 30", SQL_C_TYPE_DATE, SQL_TYPE_DATE, SQL_DATE_STRUCT{2021, 2, 30},
                            "2021-02-30 00:00:00.000000000 is not a valid date and time"));
    // The store keeps nanoseconds since 1970 in 64 bits: its range ends in 1677 and 2262.
    cases.push_back(value("the store's last nanosecond", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                          SQL_TIMESTAMP_STRUCT{2262, 4, 11, 23, 47, 16, 854775807}, "2262-04-11T23:47:16.854775807"));
    cases.push_back(refused("one past it", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                            SQL_TIMESTAMP_STRUCT{2262, 4, 11, 23, 47, 16, 854775808},
                            "2262-04-11 23:47:16.854775808 is outside the store's range of timestamps "
                            "(1677-09-21 00:12:43.145224192 to 2262-04-11 23:47:16.854775807)"));
    cases.push_back(value("the store's first nanosecond", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                          SQL_TIMESTAMP_STRUCT{1677, 9, 21, 0, 12, 43, 145224192}, "1677-09-21T00:12:43.145224192"));
    cases.push_back(refused("a date before it", SQL_C_TYPE_DATE, SQL_TYPE_DATE, SQL_DATE_STRUCT{1600, 1, 1},
                            "1600-01-01 00:00:00.000000000 is outside the store's range of timestamps "
                            "(1677-09-21 00:12:43.145224192 to 2262-04-11 23:47:16.854775807)"));
    cases.push_back(refused("a number as TIMESTAMP", SQL_C_SBIGINT, SQL_TYPE_TIMESTAMP, std::int64_t{5},
                            "an integer cannot be sent as SQL_TYPE_TIMESTAMP"));
    cases.push_back(refused("a time as DATE", SQL_C_TYPE_TIME, SQL_TYPE_DATE, SQL_TIME_STRUCT{1, 2, 3},
                            "a time cannot be sent as SQL_TYPE_DATE"));
    check(cases);
}

// A time of day is a timestamp on the current date (UTC) for the store, however it is given.
TEST(ParameterLiteral, ATimeOfDayIsTakenOnTheCurrentDate) {
    const auto today = [] {
        const std::chrono::year_month_day d{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
        return fmt::format("{:04d}-{:02d}-{:02d}", static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                           static_cast<unsigned>(d.day()));
    };
    const struct {
        const char* what;
        literal_case c;
        std::string time;
    } cases[] = {
        {"a time", value("", SQL_C_TYPE_TIME, SQL_TYPE_TIME, SQL_TIME_STRUCT{23, 59, 58}, ""), "T23:59:58"},
        {"a text as TIME", text("", SQL_TYPE_TIME, "05:06:07.5", ""), "T05:06:07.500000000"},
        {"a time as VARCHAR", value("", SQL_C_TYPE_TIME, SQL_VARCHAR, SQL_TIME_STRUCT{0, 0, 1}, ""), "T00:00:01"},
        {"a timestamp as TIME keeps its time only",
         value("", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIME, SQL_TIMESTAMP_STRUCT{1999, 1, 2, 3, 4, 5, 0}, ""), "T03:04:05"},
    };
    for (const auto& [what, c, time] : cases) {
        SCOPED_TRACE(what);
        const auto read = buffers::read_value(c.buffer.as(c.c_type, c.indicator, c.buffer_length));
        ASSERT_TRUE(std::holds_alternative<buffers::application_value>(read));
        const auto before = today();
        std::string out;
        ASSERT_FALSE(append_literal(out, c.sql_type, std::get<buffers::application_value>(read)));
        // Around midnight the date may have changed while the literal was written.
        EXPECT_TRUE(out == before + time || out == today() + time) << out;
    }
    std::string out;
    const auto refusal = append_literal(out, SQL_TYPE_TIME, SQL_TIME_STRUCT{24, 0, 0});
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->reason, "0000-00-00 24:00:00.000000000 is not a valid date and time");
}

TEST(ParameterLiteral, ATimestampTheStoreCannotHoldIs22008) {
    std::string out;
    for (const auto& value : {buffers::application_value{SQL_TIMESTAMP_STRUCT{2262, 4, 12, 0, 0, 0, 0}},
                              buffers::application_value{SQL_DATE_STRUCT{2021, 2, 29}}}) {
        const auto refusal = append_literal(out, SQL_TYPE_TIMESTAMP, value);
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->state, diag::state::datetime_field_overflow) << refusal->reason;
    }
}

TEST(ParameterLiteral, NullIsTheNullLiteralForEveryType) {
    for (const SQLSMALLINT sql_type :
         std::initializer_list<SQLSMALLINT>{SQL_VARCHAR, SQL_INTEGER, SQL_DOUBLE, SQL_VARBINARY, SQL_TYPE_TIMESTAMP}) {
        std::string out;
        EXPECT_FALSE(append_literal(out, sql_type, buffers::null_value{}));
        EXPECT_EQ(out, "NULL");
    }
}

TEST(ParameterTypes, AcceptedListAndNames) {
    int accepted = 0;
    for (int code = -200; code <= 200; ++code)
        accepted += is_accepted_parameter_type(static_cast<SQLSMALLINT>(code)) ? 1 : 0;
    EXPECT_EQ(accepted, 19);
    EXPECT_TRUE(is_accepted_parameter_type(SQL_BIT));
    EXPECT_TRUE(is_accepted_parameter_type(SQL_NUMERIC));
    EXPECT_FALSE(is_accepted_parameter_type(SQL_WVARCHAR)) << "taken as SQL_VARCHAR before this check";
    EXPECT_FALSE(is_accepted_parameter_type(SQL_GUID));
    EXPECT_FALSE(is_accepted_parameter_type(SQL_INTERVAL_DAY));
    EXPECT_EQ(sql_type_name(12), "SQL_VARCHAR");
    EXPECT_EQ(sql_type_name(93), "SQL_TYPE_TIMESTAMP");
    EXPECT_EQ(sql_type_name(113), "SQL_INTERVAL_MINUTE_TO_SECOND");
    EXPECT_EQ(sql_type_name(9), "SQL_DATE");
    EXPECT_EQ(sql_type_name(10), "SQL_TIME");
    EXPECT_EQ(sql_type_name(11), "SQL_TIMESTAMP");
    EXPECT_EQ(sql_type_name(4242), "");
}

TEST(ParameterSets, EachSetIsReadAtItsOwnPlace) {
    // Column-wise: values one element apart, indicators one SQLLEN apart.
    std::int32_t numbers[3] = {10, 20, 30};
    SQLLEN number_ind[3] = {0, SQL_NULL_DATA, 0};
    char texts[3][4] = {"ab", "cde", "f"};
    SQLLEN text_ind[3] = {SQL_NTS, 3, 1};
    const parameter_binding number{SQL_INTEGER, SQL_C_SLONG, numbers, 0, number_ind};
    const parameter_binding text{SQL_VARCHAR, SQL_C_CHAR, texts, sizeof texts[0], text_ind};
    parameter_sets sets;
    sets.size = 3;
    const auto read = [&](const parameter_binding& b, SQLULEN set) {
        return std::get<buffers::application_value>(buffers::read_value(buffer_of(b, sets, set)));
    };
    EXPECT_EQ(std::get<std::int64_t>(read(number, 2)), 30);
    EXPECT_TRUE(std::holds_alternative<buffers::null_value>(read(number, 1)));
    EXPECT_EQ(std::get<buffers::text_value>(read(text, 0)).bytes, "ab");
    EXPECT_EQ(std::get<buffers::text_value>(read(text, 1)).bytes, "cde");

    // Row-wise with a bind offset: applications (pyodbc among them) bind addresses relative to
    // the offset, the first one 0.
    struct row {
        std::int32_t n;
        SQLLEN n_ind;
        char t[6];
        SQLLEN t_ind;
    };
    row rows[2] = {{1, 0, "one", SQL_NTS}, {2, 0, "two", 2}};
    const parameter_binding relative_number{SQL_INTEGER, SQL_C_SLONG, nullptr, 0,
                                            reinterpret_cast<SQLLEN*>(offsetof(row, n_ind))};
    const parameter_binding relative_text{SQL_VARCHAR, SQL_C_CHAR, reinterpret_cast<SQLPOINTER>(offsetof(row, t)),
                                          sizeof rows[0].t, reinterpret_cast<SQLLEN*>(offsetof(row, t_ind))};
    SQLULEN offset = reinterpret_cast<SQLULEN>(&rows[0]);
    sets.bind_type = sizeof(row);
    sets.bind_offset = &offset;
    EXPECT_EQ(std::get<std::int64_t>(read(relative_number, 1)), 2);
    EXPECT_EQ(std::get<buffers::text_value>(read(relative_text, 0)).bytes, "one");
    EXPECT_EQ(std::get<buffers::text_value>(read(relative_text, 1)).bytes, "tw");
    // A binding without an indicator has none in any set.
    const parameter_binding no_indicator{SQL_INTEGER, SQL_C_SLONG, nullptr, 0, nullptr};
    EXPECT_FALSE(buffer_of(no_indicator, sets, 1).indicator.has_value());
}
