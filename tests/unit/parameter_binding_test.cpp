#include <gtest/gtest.h>

#include <sqlext.h>

#include "statement/parameter_binding.hpp"
#include "test_support.hpp"

namespace {

template <typename T>
std::string rendered(SQLSMALLINT type, T value, bool insert = false) {
    return render(parameter_binding{type, &value, sizeof value, nullptr}, insert);
}

std::string rendered_text(const char* text, SQLLEN indicator, bool insert, SQLLEN buffer_length = 0) {
    SQLLEN ind = indicator;
    return render(parameter_binding{SQL_VARCHAR, const_cast<char*>(text), buffer_length, &ind}, insert);
}

}  // namespace

TEST(ParameterRendering, Numbers) {
    EXPECT_EQ(rendered<std::int32_t>(SQL_INTEGER, -7), "-7");
    EXPECT_EQ(rendered<std::int16_t>(SQL_SMALLINT, -32768), "-32768");
    EXPECT_EQ(rendered<std::uint8_t>(SQL_TINYINT, 255), "255");
    EXPECT_EQ(rendered<std::int64_t>(SQL_BIGINT, 9223372036854775807), "9223372036854775807");
    EXPECT_EQ(rendered<double>(SQL_DOUBLE, 0.1), "0.1");
    EXPECT_EQ(rendered<double>(SQL_DECIMAL, 100.0), "100");
    EXPECT_EQ(rendered<double>(SQL_FLOAT, 1e20), "1e+20");
    EXPECT_EQ(rendered<float>(SQL_REAL, 1.5f), "1.5");
    EXPECT_EQ(rendered<float>(SQL_REAL, 0.1f), "0.1");
}

TEST(ParameterRendering, TextIsQuotedOnlyForInserts) {
    EXPECT_EQ(rendered_text("abc", SQL_NTS, false), "abc");
    EXPECT_EQ(rendered_text("abc", SQL_NTS, true), "'abc'");
    EXPECT_EQ(rendered_text("abcdef", 2, false), "ab");
    EXPECT_EQ(rendered_text("it's", SQL_NTS, true), "'it''s'") << "a quote cannot end the literal";
    EXPECT_EQ(rendered_text("x'); drop table t; --", SQL_NTS, true), "'x''); drop table t; --'");
    // Without an indicator the buffer length counts, and 0 means zero-terminated.
    char text[] = "xyz";
    EXPECT_EQ(render(parameter_binding{SQL_CHAR, text, 0, nullptr}, false), "xyz");
    EXPECT_EQ(render(parameter_binding{SQL_CHAR, text, 2, nullptr}, false), "xy");
    // A zero-terminated read never runs past the buffer length.
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(render(parameter_binding{SQL_CHAR, unterminated, 4, nullptr}, false), "abcd");
    SQLLEN nts = SQL_NTS;
    EXPECT_EQ(render(parameter_binding{SQL_CHAR, unterminated, 3, &nts}, false), "abc");
}

TEST(ParameterRendering, NullValuesBecomeTheNullLiteral) {
    EXPECT_EQ(rendered_text("ignored", SQL_NULL_DATA, true), "NULL");
    SQLLEN null_data = SQL_NULL_DATA;
    EXPECT_EQ(render(parameter_binding{SQL_INTEGER, nullptr, 0, nullptr}, false), "NULL");
    std::int32_t v = 5;
    EXPECT_EQ(render(parameter_binding{SQL_INTEGER, &v, 0, &null_data}, false), "NULL");
}

TEST(ParameterRendering, DatesAndTimes) {
    SQL_TIMESTAMP_STRUCT ts{2021, 3, 4, 5, 6, 7, 500000000};
    EXPECT_EQ(rendered(SQL_TYPE_TIMESTAMP, ts, true), "2021-03-04T05:06:07");
    SQL_DATE_STRUCT d{1999, 12, 31};
    EXPECT_EQ(rendered(SQL_TYPE_DATE, d), "1999-12-31T00:00:00");
    SQL_TIME_STRUCT t{23, 59, 58};
    EXPECT_EQ(rendered(SQL_TYPE_TIME, t), "1900-01-00T23:59:58");
}

TEST(ParameterTypes, AcceptedListAndNames) {
    int accepted = 0;
    for (int code = -200; code <= 200; ++code)
        accepted += is_accepted_parameter_type(static_cast<SQLSMALLINT>(code)) ? 1 : 0;
    EXPECT_EQ(accepted, 17);
    EXPECT_FALSE(is_accepted_parameter_type(SQL_WVARCHAR));
    EXPECT_FALSE(is_accepted_parameter_type(SQL_NUMERIC));
    EXPECT_EQ(sql_type_name(12), "SQL_VARCHAR");
    EXPECT_EQ(sql_type_name(93), "SQL_TYPE_TIMESTAMP");
    EXPECT_EQ(sql_type_name(113), "SQL_INTERVAL_MINUTE_TO_SECOND");
    EXPECT_EQ(sql_type_name(9), "SQL_DATE");
    EXPECT_EQ(sql_type_name(10), "SQL_TIME");
    EXPECT_EQ(sql_type_name(11), "SQL_TIMESTAMP");
    EXPECT_EQ(sql_type_name(4242), "");
}
