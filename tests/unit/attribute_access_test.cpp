// The generic reader and writer on a table of their own, for the value types and string
// rules that no row of the driver's tables exercises (non-empty strings, 16-bit values).

#include <gtest/gtest.h>

#include <sqlext.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "attributes/attribute_access.hpp"
#include "attributes/named_constant.hpp"
#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "sentinel_buffer.hpp"

namespace {

using attributes::attribute_table;
using attributes::get_attribute;
using attributes::read_kind;
using attributes::set_attribute;

struct probe {
    attribute_value received = std::string("never set");
};

attribute_value received(probe& p) { return p.received; }
void receive(probe& p, const attribute_value& v) { p.received = v; }

const attribute_table<probe>& probe_table() {
    static const attribute_table<probe> table{
        {1, "TEXT", std::string("abcdef")},
        {2, "U16", std::uint16_t{0x1234}},
        {3, "I16", std::int16_t{-2}},
        {4, "I32", std::int32_t{-3}},
        {5, "ULEN", SQLULEN{0x1122334455667788}},
        {.id = 10, .name = "TEXT_SINK", .value = std::string("default"), .getter = received, .setter = receive},
        {.id = 11, .name = "U16_SINK", .value = std::uint16_t{0}, .getter = received, .setter = receive},
        {.id = 12, .name = "U32_SINK", .value = std::uint32_t{0}, .getter = received, .setter = receive},
        {.id = 13, .name = "ULEN_SINK", .value = SQLULEN{0}, .getter = received, .setter = receive},
        {.id = 14, .name = "I16_SINK", .value = std::int16_t{0}, .getter = received, .setter = receive},
        {1, "TEXT_AGAIN", std::string("second row")},
        {20, "OPTIONAL", std::uint32_t{0}, true},
    };
    return table;
}

// The same rows written as constants, as the driver's tables are, with a text of its own whose
// characters run on past its end.
constexpr auto probe_rows = std::to_array<attributes::attribute_row<probe>>({
    {1, "TEXT", std::string_view("abcdef")},
    {2, "U16", std::uint16_t{0x1234}},
    {3, "I16", std::int16_t{-2}},
    {4, "I32", std::int32_t{-3}},
    {5, "ULEN", SQLULEN{0x1122334455667788}},
    {7, "CUT_TEXT", std::string_view("abcdef").substr(0, 3)},
    {.id = 10, .name = "TEXT_SINK", .value = std::string_view("default"), .getter = received, .setter = receive},
    {20, "OPTIONAL", std::uint32_t{0}, true},
});
static_assert(named::ids_unique(probe_rows) && named::names_unique(probe_rows));

// The checks of the driver's tables, on rows made to fail them: names are compared by their
// characters, wherever those are kept.
constexpr auto repeated_name =
    std::to_array<named::constant<int>>({{1, "A"}, {2, std::string_view("AB").substr(0, 1)}});
constexpr auto repeated_id = std::to_array<named::constant<int>>({{3, "A"}, {1, "B"}, {3, "C"}});
static_assert(named::ids_unique(repeated_name) && !named::names_unique(repeated_name));
static_assert(!named::ids_unique(repeated_id) && named::names_unique(repeated_id) && !named::ids_rise(repeated_id));

const attribute_table<probe>& constant_table() {
    static const attribute_table<probe> table{probe_rows};
    return table;
}

struct text_read {
    std::string bytes;
    SQLINTEGER length;
};

text_read read_text(SQLINTEGER buffer_length) {
    probe p;
    support::sentinel_buffer<16> buffer;
    SQLINTEGER length = -7;
    EXPECT_TRUE(get_attribute(probe_table(), p, SQLINTEGER{1}, buffer.data(), buffer_length, &length).ok());
    return {std::string(reinterpret_cast<const char*>(buffer.bytes.data()), buffer.written()), length};
}

attribute_value write_then_read(SQLINTEGER id, SQLPOINTER value, SQLINTEGER length) {
    probe p;
    EXPECT_TRUE(set_attribute(probe_table(), p, id, value, length).ok());
    return p.received;
}

using support::bits;

}  // namespace

TEST(AttributeReader, StringIntoPositiveAndZeroBufferLengths) {
    // Truncated to the buffer with a terminator; the length is always the full one.
    EXPECT_EQ(read_text(4).bytes, std::string("abc\0", 4));
    EXPECT_EQ(read_text(4).length, 6);
    EXPECT_EQ(read_text(1).bytes, std::string("\0", 1));
    EXPECT_EQ(read_text(7).bytes, std::string("abcdef\0", 7));
    // A buffer length of zero writes nothing and reports the full length.
    EXPECT_EQ(read_text(0).bytes, "");
    EXPECT_EQ(read_text(0).length, 6);
}

TEST(AttributeReader, StringIntoBinaryAttributeBuffers) {
    // SQL_LEN_BINARY_ATTR(n) announces n bytes: no terminator, never more than n bytes.
    EXPECT_EQ(read_text(SQL_LEN_BINARY_ATTR(4)).bytes, "abcd");
    EXPECT_EQ(read_text(SQL_LEN_BINARY_ATTR(4)).length, -104);
    EXPECT_EQ(read_text(SQL_LEN_BINARY_ATTR(10)).bytes, "abcdef");
    EXPECT_EQ(read_text(SQL_LEN_BINARY_ATTR(10)).length, -106);
    // Negative lengths that do not announce a binary buffer give nothing to write into.
    EXPECT_EQ(read_text(SQL_NTS).bytes, "");
    EXPECT_EQ(read_text(SQL_NTS).length, -100);
    EXPECT_EQ(read_text(-99).bytes, "");
}

TEST(AttributeReader, NullValuePointerStillReportsTheLength) {
    probe p;
    SQLINTEGER length = -7;
    EXPECT_TRUE(get_attribute(probe_table(), p, SQLINTEGER{1}, nullptr, 16, &length).ok());
    EXPECT_EQ(length, 6);
    EXPECT_TRUE(get_attribute(probe_table(), p, SQLINTEGER{4}, nullptr, 0, &length).ok());
}

TEST(AttributeReader, WritesExactlyTheWidthOfTheType) {
    probe p;
    const auto read = [&](SQLINTEGER id) {
        support::sentinel_buffer<16> buffer;
        SQLINTEGER length = -7;
        EXPECT_TRUE(get_attribute(probe_table(), p, id, buffer.data(), 16, &length).ok());
        EXPECT_EQ(static_cast<std::size_t>(length), buffer.written()) << "the length is the width written";
        return buffer;
    };
    EXPECT_EQ(read(2).written(), 2u);
    EXPECT_EQ(read(2).as<std::uint16_t>(), 0x1234);
    EXPECT_EQ(read(3).written(), 2u);
    EXPECT_EQ(read(3).as<std::int16_t>(), -2);
    EXPECT_EQ(read(4).written(), 4u);
    EXPECT_EQ(read(4).as<std::int32_t>(), -3);
    EXPECT_EQ(read(5).written(), 8u);
    EXPECT_EQ(read(5).as<SQLULEN>(), 0x1122334455667788u);
}

TEST(AttributeTable, FirstRowForAnIdentifierWins) {
    probe p;
    char buffer[32];
    ASSERT_TRUE(get_attribute(probe_table(), p, SQLINTEGER{1}, buffer, 32, static_cast<SQLINTEGER*>(nullptr)).ok());
    EXPECT_STREQ(buffer, "abcdef");
}

TEST(AttributeWriter, StringLengths) {
    static const char text[] = "abcdef";
    auto* chars = const_cast<char*>(text);
    EXPECT_EQ(std::get<std::string>(write_then_read(10, chars, 3)), "abc");
    EXPECT_EQ(std::get<std::string>(write_then_read(10, chars, 0)), "");
    EXPECT_EQ(std::get<std::string>(write_then_read(10, chars, SQL_NTS)), "abcdef");
    // Another negative length leaves the row's default, and null is empty text.
    EXPECT_EQ(std::get<std::string>(write_then_read(10, chars, -5)), "default");
    EXPECT_EQ(std::get<std::string>(write_then_read(10, nullptr, SQL_NTS)), "");
    EXPECT_EQ(std::get<std::string>(write_then_read(10, nullptr, 4)), "");
}

TEST(AttributeWriter, IntegersKeepAsManyBitsAsTheirTypeIsWide) {
    EXPECT_EQ(std::get<std::uint16_t>(write_then_read(11, bits(0x12345), 0)), 0x2345);
    EXPECT_EQ(std::get<std::int16_t>(write_then_read(14, bits(0xFFFF), 0)), -1);
    EXPECT_EQ(std::get<std::uint32_t>(write_then_read(12, bits(0x100000005), 0)), 5u);
    EXPECT_EQ(std::get<SQLULEN>(write_then_read(13, bits(0x100000005), 0)), 0x100000005u);
}

TEST(AttributeWriter, RefusalsChangeNothing) {
    probe p;
    const auto unknown = set_attribute(probe_table(), p, SQLINTEGER{99}, bits(1), 0);
    EXPECT_EQ(unknown.sqlstate, "HY092");
    EXPECT_EQ(unknown.message, "[HY092] Invalid attribute/option identifier: Unknown attribute: 99");
    const auto optional = set_attribute(probe_table(), p, SQLINTEGER{20}, bits(1), 0);
    EXPECT_EQ(optional.sqlstate, "HYC00");
    EXPECT_EQ(optional.message, "[HYC00] Optional feature not implemented: Optional attribute: 20(OPTIONAL)");
    EXPECT_EQ(std::get<std::string>(p.received), "never set");

    support::sentinel_buffer<8> buffer;
    SQLINTEGER length = -7;
    EXPECT_EQ(get_attribute(probe_table(), p, SQLINTEGER{99}, buffer.data(), 8, &length).sqlstate, "HY092");
    EXPECT_EQ(get_attribute(probe_table(), p, SQLINTEGER{20}, buffer.data(), 8, &length).sqlstate, "HYC00");
    EXPECT_TRUE(buffer.untouched());
    EXPECT_EQ(length, -7);
}

TEST(AttributeReader, LogsAttributeAndInfoReadsApart) {
    support::captured_log log(logger::level::debug);
    probe p;
    SQLINTEGER length32 = 0;
    SQLSMALLINT length16 = 0;
    get_attribute(probe_table(), p, SQLINTEGER{1}, nullptr, 0, &length32);
    get_attribute(probe_table(), p, SQLINTEGER{1}, nullptr, 0, &length16, read_kind::info);
    set_attribute(probe_table(), p, SQLINTEGER{2}, nullptr, 0);
    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] Get attribute: 1(TEXT)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] Get info: 1(TEXT)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] Set attribute: 2(U16)\n"), std::string::npos) << text;
}

// A table built from constant rows answers as one built from the rows they stand for: the same
// outcome, bytes and length for every alternative, the optional row and an unknown identifier.
class ConstantRows : public testing::TestWithParam<SQLINTEGER> {};

TEST_P(ConstantRows, ReadAsTheRowsTheyStandFor) {
    const auto read = [&](const attribute_table<probe>& table) {
        probe p;
        support::sentinel_buffer<16> buffer;
        SQLINTEGER length = -7;
        const auto outcome = get_attribute(table, p, GetParam(), buffer.data(), 16, &length);
        return std::tuple(outcome.sqlstate, buffer.bytes, length);
    };
    EXPECT_EQ(read(constant_table()), read(probe_table()));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ConstantRows, testing::Values(1, 2, 3, 4, 5, 10, 20, 99));

TEST(ConstantRowTable, TextIsItsViewAlone) {
    probe p;
    char buffer[16];
    SQLINTEGER length = -7;
    ASSERT_TRUE(get_attribute(constant_table(), p, SQLINTEGER{7}, buffer, 16, &length).ok());
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(length, 3);
}

TEST(ConstantRowTable, SetterAndGetterReachTheOwner) {
    probe p;
    static const char text[] = "written";
    ASSERT_TRUE(set_attribute(constant_table(), p, SQLINTEGER{10}, const_cast<char*>(text), SQL_NTS).ok());
    EXPECT_EQ(std::get<std::string>(p.received), "written");
}
