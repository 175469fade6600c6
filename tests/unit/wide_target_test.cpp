// SQL_C_WCHAR targets on hand-made columns: the text an SQL_C_CHAR target gets, as UTF-16, with
// lengths in bytes, truncation on whole characters at every buffer length, block layouts and
// piecewise reads. Output buffers are heap blocks of exactly the given length, so the sanitized
// build reports any byte written past them.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "column_of.hpp"
#include "fetch/fetch_column_generic.hpp"
#include "wide/utf_transcoding.hpp"
#include "wide/wide_target.hpp"

using wide::fetch_column_wide;
using wide::wide_piece;

namespace {

using support::column_of;

std::u16string units_at(const std::byte* bytes, std::size_t count) {
    std::u16string units(count, u'\0');
    if (count != 0) std::memcpy(units.data(), bytes, count * sizeof(char16_t));
    return units;
}

constexpr std::byte sentinel{0x5A};

// One value converted into a buffer of exactly `buffer_length` bytes filled with the sentinel.
struct wide_result {
    diag_record status;
    std::vector<std::byte> bytes;
    SQLLEN indicator = -7;

    // The units before the terminator, which must be there.
    [[nodiscard]] std::u16string text() const {
        const std::size_t units = bytes.size() / sizeof(char16_t);
        for (std::size_t i = 0; i < units; ++i)
            if (units_at(bytes.data() + i * 2, 1)[0] == u'\0') return units_at(bytes.data(), i);
        ADD_FAILURE() << "no terminator";
        return {};
    }
};

wide_result wide_of(const column_data& column, SQLLEN buffer_length, wide_piece* piece = nullptr) {
    wide_result r;
    r.bytes.assign(static_cast<std::size_t>(buffer_length), sentinel);
    r.status = fetch_column_wide(column, 1, 0, SQL_BIND_BY_COLUMN, r.bytes.empty() ? nullptr : r.bytes.data(),
                                 buffer_length, &r.indicator, piece);
    return r;
}

// What an SQL_C_CHAR target gets for the first cell.
std::string narrow_of(const column_data& column) {
    std::array<char, 128> text{};
    SQLLEN indicator = 0;
    EXPECT_EQ(fetch_column_generic(column, 1, 0, SQL_BIND_BY_COLUMN, SQL_C_CHAR, text.data(), text.size(), &indicator)
                  .return_code,
              SQL_SUCCESS);
    return {text.data(), static_cast<std::size_t>(indicator)};
}

std::u16string utf16(std::string_view utf8) {
    std::vector<std::byte> out(wide::utf16_length(utf8) * 2);
    wide::write_utf16(utf8, out.data(), out.size() / 2);
    return units_at(out.data(), out.size() / 2);
}

const std::string_view mixed = "a\xC3\xBC\xE6\x9D\xB1\xF0\x9F\x9A\x80z";  // a ü 東 🚀 z: units 1 1 1 2 1

}  // namespace

TEST(WideTarget, EveryKindGivesTheTextOfSqlCChar) {
    const column_data columns[] = {
        column_of<text_view_cells>({std::string_view("Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x9A\x80")}),
        column_of<text_cells>({std::string("owned")}),
        column_of<bigint_cells>({-9223372036854775807 - 1}),
        column_of<double_cells>({0.1}),
        column_of<float_cells>({1.5f}),
        column_of<sshort_cells>({-3}),
        column_of<ulong_cells>({4294967295u}),
        column_of<timestamp_cells>({timestamp_value{1614834367, 123}}),
    };
    for (const auto& column : columns) {
        const std::string narrow = narrow_of(column);
        const auto r = wide_of(column, 128);
        EXPECT_EQ(r.status.return_code, SQL_SUCCESS) << narrow;
        EXPECT_EQ(r.text(), utf16(narrow)) << narrow;
        EXPECT_EQ(r.indicator, static_cast<SQLLEN>(utf16(narrow).size() * 2)) << "bytes, not characters: " << narrow;
    }
    EXPECT_EQ(wide_of(columns[0], 128).text(), u"Zürich 東京 🚀");
    EXPECT_EQ(wide_of(columns[7], 128).text(), u"2021-03-04 05:06:07.000000123");
}

TEST(WideTarget, TruncationAtEveryBufferLengthKeepsWholeCharacters) {
    const auto column = column_of<text_view_cells>({mixed});
    const std::u16string whole = u"aü東🚀z";
    // The characters that fit in (L / 2 - 1) units: the pair of 🚀 goes whole or not at all.
    const std::size_t fitting_units[] = {0, 1, 2, 3, 3, 5, 6};
    for (SQLLEN length = 0; length <= 16; ++length) {
        const auto r = wide_of(column, length);
        // 12 bytes of characters and the 2-byte zero go whole into 14 bytes; less cuts with 01004.
        // (Length 0 passes no buffer: nothing is handed out, so nothing is cut.)
        EXPECT_EQ(r.status.return_code, length > 0 && length < 14 ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS)
            << "length " << length;
        EXPECT_EQ(r.indicator, 12) << "the full length in bytes, length " << length;
        if (length < 2) {
            for (const std::byte b : r.bytes) EXPECT_EQ(b, sentinel) << "no room for a terminator, length " << length;
            continue;
        }
        const std::size_t room = static_cast<std::size_t>(length) / 2 - 1;
        const std::size_t expected = fitting_units[std::min<std::size_t>(room, 6)];
        EXPECT_EQ(r.text(), whole.substr(0, expected)) << "length " << length;
        for (std::size_t i = expected * 2 + 2; i < r.bytes.size(); ++i)
            EXPECT_EQ(r.bytes[i], sentinel) << "length " << length << ": byte " << i << " after the terminator";
    }
}

TEST(WideTarget, NullCellsInvalidBytesAndNoIndicator) {
    const auto column = column_of<text_view_cells>({std::nullopt, std::string_view("a\xFF"
                                                                                   "b")});
    std::array<std::byte, 8> buffer{};
    buffer.fill(sentinel);
    SQLLEN indicator = 0;
    EXPECT_EQ(fetch_column_wide(column, 1, 0, 0, buffer.data(), 8, &indicator).return_code, SQL_SUCCESS);
    EXPECT_EQ(indicator, SQL_NULL_DATA);
    EXPECT_EQ(buffer[0], sentinel) << "a NULL leaves the buffer alone";
    EXPECT_EQ(fetch_column_wide(column, 1, 0, 0, buffer.data(), 8, nullptr).return_code, SQL_SUCCESS);
    EXPECT_EQ(fetch_column_wide(column, 1, 1, 0, buffer.data(), 8, nullptr).return_code, SQL_SUCCESS);
    EXPECT_EQ(units_at(buffer.data(), 4), std::u16string(u"a\xFFFD"
                                                         "b\0",
                                                         4))
        << "an invalid byte is U+FFFD";
    EXPECT_EQ(fetch_column_wide(column, 1, 5, 0, buffer.data(), 8, &indicator).return_code, SQL_SUCCESS);
    EXPECT_EQ(indicator, SQL_NULL_DATA) << "past the end";
    EXPECT_EQ(fetch_column_wide(no_cells{}, 1, 0, 0, buffer.data(), 8, &indicator).return_code, SQL_SUCCESS);
    EXPECT_EQ(indicator, SQL_NULL_DATA);
}

TEST(WideTarget, ColumnWiseSlotsAreBufferLengthBytesApart) {
    const auto column = column_of<text_view_cells>({std::string_view("\xC3\xBC"), std::nullopt,
                                                    std::string_view("\xF0\x9F\x9A\x80"
                                                                     "x")});
    // Ten bytes per slot: four units and a terminator. An odd length is used whole as the stride.
    for (const SQLLEN slot : {SQLLEN{10}, SQLLEN{11}}) {
        std::vector<std::byte> buffer(static_cast<std::size_t>(slot) * 4, sentinel);
        std::array<SQLLEN, 4> indicators{-7, -7, -7, -7};
        ASSERT_EQ(fetch_column_wide(column, 4, 0, 0, buffer.data(), slot, indicators.data()).return_code, SQL_SUCCESS);
        EXPECT_EQ(indicators, (std::array<SQLLEN, 4>{2, SQL_NULL_DATA, 6, SQL_NULL_DATA}));
        EXPECT_EQ(units_at(buffer.data(), 2), std::u16string(u"ü\0", 2));
        EXPECT_EQ(buffer[static_cast<std::size_t>(slot)], sentinel) << "the NULL slot is untouched";
        EXPECT_EQ(units_at(buffer.data() + 2 * slot, 4), std::u16string(u"🚀x\0", 4));
        EXPECT_EQ(buffer[static_cast<std::size_t>(3 * slot)], sentinel);
    }
}

TEST(WideTarget, RowWiseSlotsFollowTheRowSize) {
    struct row {
        SQLWCHAR name[3];
        SQLLEN name_length;
        std::int64_t other;
    };
    const auto column =
        column_of<text_view_cells>({std::string_view("ab"), std::string_view("\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1")});
    std::array<row, 2> rows{};
    for (auto& r : rows) r.other = 77;
    std::vector<bool> warned;
    ASSERT_EQ(fetch_column_wide(column, 2, 0, sizeof(row), rows[0].name, sizeof rows[0].name, &rows[0].name_length,
                                nullptr, &warned)
                  .sqlstate,
              "01004");
    EXPECT_EQ(warned, (std::vector<bool>{false, true})) << "the second row is cut";
    EXPECT_EQ(units_at(reinterpret_cast<std::byte*>(rows[0].name), 3), std::u16string(u"ab\0", 3));
    EXPECT_EQ(rows[0].name_length, 4);
    EXPECT_EQ(units_at(reinterpret_cast<std::byte*>(rows[1].name), 3), std::u16string(u"東京\0", 3));
    EXPECT_EQ(rows[1].name_length, 6) << "the whole value's bytes";
    EXPECT_EQ(rows[0].other, 77);
    EXPECT_EQ(rows[1].other, 77);
}

TEST(WideTarget, PiecesJoinToTheWholeValueAtEveryBufferLength) {
    const auto column = column_of<text_view_cells>({mixed});
    const std::u16string whole = u"aü東🚀z";
    for (SQLLEN length = 6; length <= 16; ++length) {
        wide_piece piece;
        std::u16string joined;
        std::vector<SQLLEN> indicators;
        for (int call = 0; call < 10; ++call) {
            const auto r = wide_of(column, length, &piece);
            indicators.push_back(r.indicator);
            joined += r.text();
            EXPECT_EQ(r.indicator, static_cast<SQLLEN>((whole.size() - (joined.size() - r.text().size())) * 2))
                << "the bytes left before this call, length " << length;
            if (!piece.truncated) {
                EXPECT_EQ(r.status.return_code, SQL_SUCCESS);
                break;
            }
            EXPECT_EQ(r.status.sqlstate, "01004") << "length " << length;
            EXPECT_EQ(r.status.return_code, SQL_SUCCESS_WITH_INFO);
            ASSERT_FALSE(r.text().empty()) << "every piece moves on, length " << length;
            EXPECT_FALSE(r.text().back() >= 0xD800 && r.text().back() < 0xDC00) << "half a pair, length " << length;
        }
        EXPECT_EQ(joined, whole) << "length " << length;
        EXPECT_EQ(indicators.front(), 12);
        EXPECT_TRUE(piece.returned);
    }
}

TEST(WideTarget, APieceTooSmallForTheNextCharacterDoesNotMove) {
    const auto column = column_of<text_view_cells>({std::string_view("\xF0\x9F\x9A\x80")});
    wide_piece piece;
    // Room for one unit: the pair does not fit, and a reader looping on 01004 would never get on.
    auto r = wide_of(column, 4, &piece);
    EXPECT_EQ(r.status.sqlstate, "HY090");
    EXPECT_EQ(r.status.return_code, SQL_ERROR);
    EXPECT_EQ(piece.offset, 0u);
    r = wide_of(column, 6, &piece);
    EXPECT_EQ(r.status.return_code, SQL_SUCCESS);
    EXPECT_EQ(r.text(), u"🚀");
    EXPECT_FALSE(piece.truncated);
    // No buffer at all: the length is told and nothing is handed out.
    wide_piece asked;
    SQLLEN indicator = 0;
    EXPECT_EQ(fetch_column_wide(column, 1, 0, 0, nullptr, 0, &indicator, &asked).sqlstate, "01004");
    EXPECT_EQ(indicator, 4);
    EXPECT_EQ(asked.offset, 0u);
}

TEST(WideTarget, AnEmptyValueIsWholeInOnePiece) {
    const auto column = column_of<text_view_cells>({std::string_view("")});
    wide_piece piece;
    const auto r = wide_of(column, 2, &piece);
    EXPECT_EQ(r.status.return_code, SQL_SUCCESS);
    EXPECT_EQ(r.indicator, 0);
    EXPECT_EQ(r.text(), u"");
    EXPECT_TRUE(piece.returned);
    EXPECT_FALSE(piece.truncated);
}
