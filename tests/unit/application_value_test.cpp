// The reader of application buffers: each C type read by its own size, texts and binary data by
// their length within the buffer. The buffers are exactly as large as their values, so the
// sanitized build catches any read past them.

#include <gtest/gtest.h>

#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include <fmt/format.h>

#include "buffers/application_value.hpp"
#include "exact_buffer.hpp"

using namespace buffers;
using support::exact_buffer;

namespace {

application_value value_of(const application_buffer& b) {
    auto read = read_value(b);
    if (const auto* refusal = std::get_if<value_refusal>(&read)) {
        ADD_FAILURE() << "refused: " << refusal->reason;
        return null_value{};
    }
    return std::get<application_value>(read);
}

value_refusal refusal_of(const application_buffer& b) {
    auto read = read_value(b);
    if (const auto* refusal = std::get_if<value_refusal>(&read)) return *refusal;
    ADD_FAILURE() << "read a value where a refusal was expected";
    return {};
}

std::string_view text_of(const application_value& v) {
    if (const auto* t = std::get_if<text_value>(&v)) return t->bytes;
    if (const auto* b = std::get_if<binary_value>(&v)) return b->bytes;
    ADD_FAILURE() << "not a text, alternative " << v.index();
    return {};
}

}  // namespace

TEST(ApplicationValue, FixedSizeTypesAreReadByTheirOwnSize) {
    // Each buffer holds exactly one value of its C type: a wider read is a sanitizer report.
    EXPECT_EQ(std::get<std::int64_t>(value_of(exact_buffer::of(std::int32_t{7}).as(SQL_C_SLONG, {}))), 7);
    EXPECT_EQ(std::get<std::int64_t>(value_of(exact_buffer::of(std::int32_t{-7}).as(SQL_C_LONG, {}))), -7);
    EXPECT_EQ(std::get<std::int64_t>(value_of(exact_buffer::of(std::int16_t{-300}).as(SQL_C_SSHORT, {}))), -300);
    EXPECT_EQ(std::get<std::int64_t>(value_of(exact_buffer::of(std::int8_t{-5}).as(SQL_C_STINYINT, {}))), -5);
    EXPECT_EQ(std::get<std::int64_t>(value_of(exact_buffer::of(std::int64_t{1} << 40).as(SQL_C_SBIGINT, {}))),
              std::int64_t{1} << 40);
    EXPECT_EQ(std::get<std::uint64_t>(value_of(exact_buffer::of(std::uint8_t{255}).as(SQL_C_UTINYINT, {}))), 255u);
    EXPECT_EQ(std::get<std::uint64_t>(value_of(exact_buffer::of(std::uint8_t{1}).as(SQL_C_BIT, {}))), 1u);
    EXPECT_EQ(std::get<std::uint64_t>(value_of(exact_buffer::of(std::uint16_t{65535}).as(SQL_C_USHORT, {}))), 65535u);
    EXPECT_EQ(std::get<std::uint64_t>(value_of(exact_buffer::of(std::uint32_t{4294967295u}).as(SQL_C_ULONG, {}))),
              4294967295u);
    EXPECT_EQ(std::get<std::uint64_t>(value_of(exact_buffer::of(~std::uint64_t{0}).as(SQL_C_UBIGINT, {}))),
              ~std::uint64_t{0});
    EXPECT_EQ(std::get<float>(value_of(exact_buffer::of(0.1f).as(SQL_C_FLOAT, {}))), 0.1f);
    EXPECT_EQ(std::get<double>(value_of(exact_buffer::of(0.1).as(SQL_C_DOUBLE, {}))), 0.1);
    const SQL_DATE_STRUCT date{2021, 3, 4};
    EXPECT_EQ(std::get<SQL_DATE_STRUCT>(value_of(exact_buffer::of(date).as(SQL_C_TYPE_DATE, {}))).day, 4);
    const SQL_TIME_STRUCT time{5, 6, 7};
    EXPECT_EQ(std::get<SQL_TIME_STRUCT>(value_of(exact_buffer::of(time).as(SQL_C_TYPE_TIME, {}))).second, 7);
    const SQL_TIMESTAMP_STRUCT stamp{2021, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(std::get<SQL_TIMESTAMP_STRUCT>(value_of(exact_buffer::of(stamp).as(SQL_C_TYPE_TIMESTAMP, {}))).fraction,
              8u);
    // The buffer length of a fixed-size value is not its size: it is ignored.
    EXPECT_EQ(std::get<std::int64_t>(value_of(exact_buffer::of(std::int32_t{9}).as(SQL_C_SLONG, 0, 1000))), 9);
}

TEST(ApplicationValue, NumericStructuresBecomeNumbers) {
    SQL_NUMERIC_STRUCT n{};
    n.precision = 10;
    n.sign = 1;
    n.val[0] = 0x39;  // 12345 little-endian
    n.val[1] = 0x30;
    EXPECT_EQ(std::get<std::int64_t>(value_of(exact_buffer::of(n).as(SQL_C_NUMERIC, {}))), 12345);
    n.sign = 0;
    EXPECT_EQ(std::get<std::int64_t>(value_of(exact_buffer::of(n).as(SQL_C_NUMERIC, {}))), -12345);
    // Anything but a whole number that fits 64 bits is its exact decimal text.
    n.scale = 2;
    EXPECT_EQ(text_of(value_of(exact_buffer::of(n).as(SQL_C_NUMERIC, {}))), "-123.45");
    n.scale = 7;
    n.sign = 1;
    EXPECT_EQ(text_of(value_of(exact_buffer::of(n).as(SQL_C_NUMERIC, {}))), "0.0012345");
    n.scale = -2;
    EXPECT_EQ(text_of(value_of(exact_buffer::of(n).as(SQL_C_NUMERIC, {}))), "1234500");
    n.scale = 0;
    std::fill(std::begin(n.val), std::end(n.val), SQLCHAR{0xFF});  // 2^128 - 1
    EXPECT_EQ(text_of(value_of(exact_buffer::of(n).as(SQL_C_NUMERIC, {}))), "340282366920938463463374607431768211455");
}

TEST(ApplicationValue, TextLengthComesFromTheIndicatorWithinTheBuffer) {
    const auto abc = exact_buffer::text("abcdef");
    EXPECT_EQ(text_of(value_of(abc.as(SQL_C_CHAR, 3))), "abc");
    EXPECT_EQ(text_of(value_of(abc.as(SQL_C_CHAR, 6, 6))), "abcdef");
    EXPECT_EQ(text_of(value_of(abc.as(SQL_C_CHAR, 0))), "") << "a length of 0 is the empty text";
    // SQL_NTS and no indicator: up to the terminating zero, never past the buffer length.
    EXPECT_EQ(text_of(value_of(abc.as(SQL_C_CHAR, SQL_NTS, 6))), "abcdef");
    EXPECT_EQ(text_of(value_of(abc.as(SQL_C_CHAR, SQL_NTS, 4))), "abcd");
    EXPECT_EQ(text_of(value_of(abc.as(SQL_C_CHAR, std::nullopt, 6))), "abcdef");
    const auto terminated = exact_buffer::text(std::string_view("xy\0zz", 5));
    EXPECT_EQ(text_of(value_of(terminated.as(SQL_C_CHAR, SQL_NTS, 5))), "xy");
    EXPECT_EQ(text_of(value_of(terminated.as(SQL_C_CHAR, std::nullopt))), "xy");

    auto refused = refusal_of(abc.as(SQL_C_CHAR, 7, 6));
    EXPECT_EQ(refused.state, diag::state::invalid_buffer_length);
    EXPECT_EQ(refused.reason, "the length 7 is more than the buffer length 6");
    refused = refusal_of(abc.as(SQL_C_CHAR, -4, 6));
    EXPECT_EQ(refused.state, diag::state::invalid_buffer_length);
    EXPECT_EQ(refused.reason, "the length/indicator -4 is neither a length, SQL_NTS nor SQL_NULL_DATA");
}

TEST(ApplicationValue, WideTextIsReadAsItsUtf8) {
    // Lengths in bytes; the buffers hold no terminator unless the test puts one in.
    const std::u16string city = u"Zürich 東京 🚀";
    const auto wide_text = [](std::u16string_view units) {
        return exact_buffer::text(std::string_view(reinterpret_cast<const char*>(units.data()), units.size() * 2));
    };
    const auto w = wide_text(city);
    const auto bytes = static_cast<SQLLEN>(city.size() * 2);
    const std::string utf8 = "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x9A\x80";
    EXPECT_EQ(text_of(value_of(w.as(SQL_C_WCHAR, bytes))), utf8);
    EXPECT_EQ(text_of(value_of(w.as(SQL_C_WCHAR, bytes, bytes))), utf8);
    EXPECT_EQ(text_of(value_of(w.as(SQL_C_WCHAR, 4))), "Z\xC3\xBC");
    EXPECT_EQ(text_of(value_of(w.as(SQL_C_WCHAR, 0))), "");
    // SQL_NTS and no indicator: up to a 2-byte zero, within the buffer length.
    EXPECT_EQ(text_of(value_of(w.as(SQL_C_WCHAR, SQL_NTS, bytes))), utf8);
    EXPECT_EQ(text_of(value_of(w.as(SQL_C_WCHAR, SQL_NTS, 5))), "Z\xC3\xBC") << "two whole units in five bytes";
    const auto terminated = wide_text(std::u16string_view(u"x\x0100\0zz", 5));
    EXPECT_EQ(text_of(value_of(terminated.as(SQL_C_WCHAR, SQL_NTS, 10))), "x\xC4\x80")
        << "a zero byte inside a unit is no terminator";
    EXPECT_EQ(text_of(value_of(terminated.as(SQL_C_WCHAR, std::nullopt))), "x\xC4\x80");
    // An unpaired surrogate is U+FFFD; the value keeps its own UTF-8 after the buffer is gone.
    application_value lone;
    {
        const auto broken = wide_text(std::u16string_view(u"a\xD83D", 2));
        lone = value_of(broken.as(SQL_C_WCHAR, 4));
    }
    EXPECT_EQ(text_of(lone), "a\xEF\xBF\xBD");

    auto refused = refusal_of(w.as(SQL_C_WCHAR, 3));
    EXPECT_EQ(refused.state, diag::state::invalid_buffer_length);
    EXPECT_EQ(refused.reason, "the length 3 of a wide-character value is not a whole number of 2-byte characters");
    refused = refusal_of(w.as(SQL_C_WCHAR, bytes + 2, bytes));
    EXPECT_EQ(refused.reason, fmt::format("the length {} is more than the buffer length {}", bytes + 2, bytes));
    EXPECT_TRUE(std::holds_alternative<null_value>(value_of(w.as(SQL_C_WCHAR, SQL_NULL_DATA))));
    EXPECT_FALSE(unreadable_c_type(SQL_C_WCHAR));
}

TEST(ApplicationValue, BinaryDataKeepsItsZeroBytes) {
    const auto bytes = exact_buffer::text(std::string_view("\0\1\0\xff", 4));
    EXPECT_EQ(text_of(value_of(bytes.as(SQL_C_BINARY, 4))), std::string_view("\0\1\0\xff", 4));
    EXPECT_TRUE(std::holds_alternative<binary_value>(value_of(bytes.as(SQL_C_BINARY, 4))));
    EXPECT_EQ(text_of(value_of(bytes.as(SQL_C_BINARY, std::nullopt, 4))), std::string_view("\0\1\0\xff", 4))
        << "without an indicator the buffer length is the length of binary data";
    EXPECT_EQ(text_of(value_of(bytes.as(SQL_C_BINARY, 2, 4))), std::string_view("\0\1", 2));
}

TEST(ApplicationValue, NullAndDataAtExecution) {
    const auto v = exact_buffer::of(std::int32_t{1});
    EXPECT_TRUE(std::holds_alternative<null_value>(value_of(v.as(SQL_C_SLONG, SQL_NULL_DATA))));
    EXPECT_TRUE(std::holds_alternative<null_value>(value_of({SQL_C_SLONG, nullptr, 0, std::nullopt})));
    EXPECT_TRUE(std::holds_alternative<null_value>(value_of({SQL_C_CHAR, nullptr, 0, 3})));

    // A data-at-execution value pointer is the application's token, not an address: reading
    // through it would crash, so the reader refuses before touching it.
    auto* token = reinterpret_cast<void*>(std::uintptr_t{1});
    for (const SQLLEN indicator :
         {SQLLEN{SQL_DATA_AT_EXEC}, SQLLEN{SQL_LEN_DATA_AT_EXEC(0)}, SQLLEN{SQL_LEN_DATA_AT_EXEC(1000)}}) {
        for (const SQLSMALLINT c_type : std::initializer_list<SQLSMALLINT>{SQL_C_CHAR, SQL_C_SLONG, SQL_C_BINARY}) {
            const auto refused = refusal_of({c_type, token, 0, indicator});
            EXPECT_EQ(refused.state, diag::state::optional_feature);
            EXPECT_EQ(refused.reason,
                      "data-at-execution is not offered: give the value in its buffer, with its length");
        }
    }
}

TEST(ApplicationValue, CTypesTheReaderDoesNotRead) {
    const auto text = exact_buffer::text("abc");
    auto refused = refusal_of(text.as(SQL_C_GUID, 3));
    EXPECT_EQ(refused.state, diag::state::optional_feature);
    EXPECT_EQ(refused.reason, "values of C type SQL_C_GUID (-11) are not read");
    refused = refusal_of(text.as(1234, 3));
    EXPECT_EQ(refused.reason, "values of C type unknown type (1234) are not read");
    EXPECT_FALSE(unreadable_c_type(SQL_C_TYPE_TIMESTAMP));
    EXPECT_TRUE(unreadable_c_type(SQL_C_DEFAULT));
}

TEST(ApplicationValue, DefaultAndOdbc2CTypes) {
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_VARCHAR), SQL_C_CHAR);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_INTEGER), SQL_C_SLONG);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_BIGINT), SQL_C_SBIGINT);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_REAL), SQL_C_FLOAT);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_VARBINARY), SQL_C_BINARY);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_TYPE_TIMESTAMP), SQL_C_TYPE_TIMESTAMP);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_WVARCHAR), SQL_C_WCHAR);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_WCHAR), SQL_C_WCHAR);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_WLONGVARCHAR), SQL_C_WCHAR);
    EXPECT_EQ(concrete_c_type(SQL_C_DEFAULT, SQL_GUID), SQL_C_DEFAULT);
    EXPECT_EQ(concrete_c_type(SQL_C_TIMESTAMP, SQL_VARCHAR), SQL_C_TYPE_TIMESTAMP);
    EXPECT_EQ(concrete_c_type(SQL_C_DATE, SQL_VARCHAR), SQL_C_TYPE_DATE);
    EXPECT_EQ(concrete_c_type(SQL_C_TINYINT, SQL_VARCHAR), SQL_C_STINYINT);
    EXPECT_EQ(concrete_c_type(SQL_C_SLONG, SQL_VARCHAR), SQL_C_SLONG);
}
