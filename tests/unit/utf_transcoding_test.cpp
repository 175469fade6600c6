// UTF-8 <-> UTF-16 of wide-character buffers: well-formed text of every length of sequence,
// the replacement of ill-formed input, and whole characters at the end of a limited output.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "wide/utf_transcoding.hpp"

using namespace wide;

namespace {

// The UTF-16 of a whole text, through an output exactly as large as its units.
std::u16string utf16_of(std::string_view utf8) {
    std::vector<std::byte> out(utf16_length(utf8) * unit_size);
    const auto written = write_utf16(utf8, out.data(), out.size() / unit_size);
    EXPECT_EQ(written.units * unit_size, out.size());
    EXPECT_EQ(written.bytes_read, utf8.size());
    std::u16string units(written.units, u'\0');
    if (!out.empty()) std::memcpy(units.data(), out.data(), out.size());
    return units;
}

std::string utf8_of(std::u16string_view units) {
    // Copied to the heap byte by byte, one byte off alignment: application buffers need not be aligned.
    std::vector<std::byte> bytes(units.size() * unit_size + 1);
    std::memcpy(bytes.data() + 1, units.data(), units.size() * unit_size);
    return utf8_of_utf16(bytes.data() + 1, units.size());
}

constexpr std::string_view mixed = "a\xC3\xBC\xE6\x9D\xB1\xF0\x9F\x9A\x80z";  // a ü 東 🚀 z

}  // namespace

TEST(Utf8ToUtf16, EveryLengthOfSequence) {
    EXPECT_EQ(utf16_of(""), u"");
    EXPECT_EQ(utf16_of("plain ASCII"), u"plain ASCII");
    EXPECT_EQ(utf16_of("Z\xC3\xBCrich"), u"Zürich");                           // 2 bytes
    EXPECT_EQ(utf16_of("\xE6\x9D\xB1\xE4\xBA\xAC"), u"東京");                  // 3 bytes
    EXPECT_EQ(utf16_of("\xF0\x9F\x9A\x80"), std::u16string(u"\xD83D\xDE80"));  // 4 bytes: a surrogate pair
    EXPECT_EQ(utf16_of(mixed), u"aü東🚀z");
    // The edges of each range.
    EXPECT_EQ(utf16_of("\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"), u"\x7F\x80\x07FF\x0800\xFFFF");
    EXPECT_EQ(utf16_of("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), std::u16string(u"\xD800\xDC00\xDBFF\xDFFF"));
    EXPECT_EQ(utf16_of(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3)) << "a zero byte is a character";
}

TEST(Utf8ToUtf16, EachIllFormedSubsequenceIsOneReplacementCharacter) {
    const struct {
        std::string_view utf8;
        std::u16string_view expected;
    } cases[] = {
        {"\x80", u"\xFFFD"},  // a continuation byte alone
        {"a\xBF"
         "b",
         u"a\xFFFD"
         "b"},
        {"\xC3", u"\xFFFD"},  // a lead byte at the end
        {"\xC3"
         "A",
         u"\xFFFD"
         "A"},                    // the byte that breaks a sequence starts the next
        {"\xE6\x9D", u"\xFFFD"},  // a 3-byte sequence cut short is one character
        {"\xE6\x9D"
         "A",
         u"\xFFFD"
         "A"},
        {"\xF0\x9F\x9A", u"\xFFFD"},    // a 4-byte sequence cut short
        {"\xC0\xAF", u"\xFFFD\xFFFD"},  // overlong forms
        {"\xE0\x80\xAF", u"\xFFFD\xFFFD\xFFFD"},
        {"\xF0\x80\x80\xAF", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // past U+10FFFF
        {"\xF5\xFF\xFE", u"\xFFFD\xFFFD\xFFFD"},            // bytes that never occur
        {"\xE6\x9D\xB1\xFF\xE6\x9D\xB1", u"東\xFFFD東"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf16_of(c.utf8), c.expected) << testing::PrintToString(std::string(c.utf8));
        EXPECT_EQ(utf16_length(c.utf8), c.expected.size());
    }
    const auto lone = decode_utf8(
        "\xE6\x9D"
        "A");
    EXPECT_EQ(lone.code_point, replacement_character);
    EXPECT_EQ(lone.length, 2u) << "the maximal subpart, not the byte that broke it";
}

TEST(Utf8ToUtf16, ALimitedOutputTakesWholeCharactersOnly) {
    // a(1) ü(1) 東(1) 🚀(2) z(1): for each capacity, the units written and the bytes they came from.
    const struct {
        std::size_t capacity, units, bytes;
    } cases[] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 3}, {3, 3, 6}, {4, 3, 6}, {5, 5, 10}, {6, 6, 11}, {7, 6, 11}};
    for (const auto& c : cases) {
        std::vector<std::byte> out(c.capacity * unit_size + 1, std::byte{0x5A});
        const auto written = write_utf16(mixed, out.data(), c.capacity);
        EXPECT_EQ(written.units, c.units) << "capacity " << c.capacity;
        EXPECT_EQ(written.bytes_read, c.bytes) << "capacity " << c.capacity;
        for (std::size_t i = written.units * unit_size; i < out.size(); ++i)
            EXPECT_EQ(out[i], std::byte{0x5A}) << "capacity " << c.capacity << ": byte " << i << " written";
    }
    EXPECT_EQ(write_utf16(mixed, nullptr, 0).units, 0u);
}

TEST(Utf16ToUtf8, PairsAndUnpairedSurrogates) {
    EXPECT_EQ(utf8_of(u""), "");
    EXPECT_EQ(utf8_of(u"aü東🚀z"), mixed);
    EXPECT_EQ(utf8_of(u"Zürich 東京 🚀"), "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x9A\x80");
    EXPECT_EQ(utf8_of(u"\x7F\x80\x07FF\x0800\xFFFF"), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
    EXPECT_EQ(utf8_of(std::u16string(u"\xDBFF\xDFFF")), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(utf8_of(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(utf8_of(std::u16string(u"\xD83D")), replacement) << "a high surrogate at the end";
    EXPECT_EQ(utf8_of(std::u16string(u"\xD83D"
                                     "a")),
              replacement + "a");
    EXPECT_EQ(utf8_of(std::u16string(u"\xDE80\xD83D")), replacement + replacement) << "a pair the wrong way round";
    EXPECT_EQ(utf8_of(std::u16string(u"\xD83D\xD83D\xDE80")), replacement + "\xF0\x9F\x9A\x80");
}

TEST(Utf16ToUtf8, EveryCodePointRoundTrips) {
    std::u16string all;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c < 0xE000) continue;
        if (c < 0x10000) {
            all.push_back(static_cast<char16_t>(c));
        } else {
            all.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            all.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    const std::string utf8 = utf8_of(all);
    EXPECT_EQ(utf16_length(utf8), all.size());
    EXPECT_TRUE(utf16_of(utf8) == all);
}

TEST(Utf16ToUtf8, ZeroTerminatedUnitsStopAtTheLimit) {
    const std::u16string units(u"ab\0cd", 5);
    const auto* bytes = reinterpret_cast<const std::byte*>(units.data());
    EXPECT_EQ(zero_terminated_units(bytes, 5), 2u);
    EXPECT_EQ(zero_terminated_units(bytes, 1), 1u);
    EXPECT_EQ(zero_terminated_units(bytes, 0), 0u);
    // A zero byte that is half of a unit does not end the text.
    const std::u16string with_zero_byte(u"\x0100\x4100");
    EXPECT_EQ(zero_terminated_units(reinterpret_cast<const std::byte*>(with_zero_byte.c_str()), 3), 2u);
}
