// The text of a positioned UPDATE and DELETE: literals of current cells and of new values, the
// clauses, and the table taken from the statement text.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "setpos/positioned_change.hpp"

namespace {

using buffers::application_value;
using setpos::bound_column;
using setpos::cell_value;
using setpos::change_kind;

std::string current(const cell_value& cell) {
    auto l = setpos::current_literal(cell);
    if (auto* refusal = std::get_if<buffers::value_refusal>(&l)) return "refused: " + refusal->reason;
    return std::get<std::string>(l);
}

std::string replacement(const application_value& value) {
    auto l = setpos::new_literal(value);
    if (auto* refusal = std::get_if<buffers::value_refusal>(&l)) return "refused: " + refusal->reason;
    return std::get<std::string>(l);
}

// The generated text, "incomplete: " before one that is not to be run, or the refusal.
std::string text_of(change_kind kind, std::string_view table, const std::vector<bound_column>& columns) {
    auto generated = setpos::generate(kind, table, columns);
    if (auto* refusal = std::get_if<buffers::value_refusal>(&generated)) return "refused: " + refusal->reason;
    const auto& change = std::get<setpos::generated_change>(generated);
    return (change.complete ? "" : "incomplete: ") + change.text;
}

SQL_TIMESTAMP_STRUCT timestamp(SQLSMALLINT y, SQLUSMALLINT mo, SQLUSMALLINT d, SQLUSMALLINT h, SQLUSMALLINT mi,
                               SQLUSMALLINT s, SQLUINTEGER fraction) {
    return {y, mo, d, h, mi, s, fraction};
}

}  // namespace

TEST(PositionedChange, TheTradesExampleWritesShortestFloats) {
    const std::vector<bound_column> columns{
        {"sym", std::string_view("ibm"), application_value{buffers::text_value{"ibm"}}},
        {"price", 10.5, application_value{11.25}},
    };
    EXPECT_EQ(text_of(change_kind::update, "trades", columns),
              "UPDATE trades SET price=11.25 WHERE sym='ibm' AND price=10.5 ;");
    EXPECT_EQ(text_of(change_kind::remove, "trades", columns), "DELETE FROM trades WHERE sym='ibm' AND price=10.5 ;");
    const auto generated = setpos::generate(change_kind::update, "trades", columns);
    EXPECT_EQ(std::get<setpos::generated_change>(generated).count_text,
              "SELECT count(*) FROM trades WHERE sym='ibm' AND price=10.5 ;")
        << "the rows the change would touch";
}

TEST(PositionedChange, NumbersReadBackToTheSameValueOrAreRefused) {
    // Six fixed decimals would turn each of these into another value, or into one shared with other rows.
    EXPECT_EQ(current(1e-7), "1e-07");
    EXPECT_EQ(current(0.1 + 1e-9), "0.100000001");
    EXPECT_EQ(current(0.0), "0");
    EXPECT_EQ(current(-2.5e300), "-2.5e+300");
    EXPECT_EQ(current(std::numeric_limits<double>::denorm_min()), "5e-324");
    for (const double d : {1e-7, 0.1 + 1e-9, 1.0 / 3.0, 123456.789e-300, -0.0})
        EXPECT_EQ(std::stod(current(d)), d) << current(d);
    EXPECT_EQ(replacement(application_value{1e-7}), "1e-07");
    // A float is widened first: its literal names exactly the value the float holds.
    EXPECT_EQ(replacement(application_value{0.1f}), "0.10000000149011612");
    EXPECT_EQ(current(0.5f), "0.5");
    EXPECT_EQ(static_cast<float>(std::stod(replacement(application_value{0.1f}))), 0.1f);
    // Unsigned 64-bit values are not wrapped to negative ones.
    EXPECT_EQ(replacement(application_value{std::uint64_t{18446744073709551615u}}), "18446744073709551615");

    // NaN and the infinities have no literal.
    EXPECT_EQ(current(std::nan("")).rfind("refused: ", 0), 0u);
    EXPECT_EQ(replacement(application_value{std::numeric_limits<double>::infinity()}).rfind("refused: ", 0), 0u);
    EXPECT_EQ(replacement(application_value{-std::numeric_limits<float>::infinity()}).rfind("refused: ", 0), 0u);
    const std::vector<bound_column> columns{{"sym", std::string_view("a"), std::nullopt},
                                            {"price", 1.0, application_value{std::nan("")}}};
    EXPECT_EQ(text_of(change_kind::update, "t", columns),
              "refused: column price: nan has no literal in a statement text");
}

TEST(PositionedChange, QuotesAreDoubledInBothClauses) {
    EXPECT_EQ(current(std::string_view("O'Brien")), "'O''Brien'");
    const std::vector<bound_column> columns{
        {"name", std::string_view("O'Brien"), application_value{buffers::text_value{"x'; DROP TABLE t; --"}}},
    };
    EXPECT_EQ(text_of(change_kind::update, "t", columns),
              "UPDATE t SET name='x''; DROP TABLE t; --' WHERE name='O''Brien' ;");
    EXPECT_EQ(replacement(application_value{buffers::binary_value{"a'b"}}), "'a''b'");
    EXPECT_EQ(current(std::string_view("")), "''") << "an empty text is a value, not NULL";
}

TEST(PositionedChange, ZeroBytesAreRefusedNotCut) {
    using namespace std::string_view_literals;
    EXPECT_EQ(current("a\0b"sv).rfind("refused: ", 0), 0u);
    const std::vector<bound_column> columns{
        {"v", 1.0, std::nullopt}, {"b", std::string_view("x"), application_value{buffers::binary_value{"\0"sv}}}};
    const auto text = text_of(change_kind::update, "t", columns);
    EXPECT_EQ(text.rfind("refused: column b: the text holds a zero byte", 0), 0u) << text;
}

TEST(PositionedChange, TimestampsDatesAndTimes) {
    const timestamp_value stamp{1614834367, 123};  // 2021-03-04T05:06:07.000000123Z
    EXPECT_EQ(current(stamp), "DATETIME(2021-03-04T05:06:07.000000123Z)");
    EXPECT_EQ(current(timestamp_value{-1, 500000000}), "DATETIME(1969-12-31T23:59:59.500000000Z)");
    EXPECT_EQ(replacement(application_value{timestamp(2021, 3, 4, 5, 6, 7, 123)}),
              "DATETIME(2021-03-04T05:06:07.000000123Z)")
        << "the fraction is kept";
    EXPECT_EQ(replacement(application_value{SQL_DATE_STRUCT{2021, 3, 4}}), "DATETIME(2021-03-04T00:00:00)");
    EXPECT_EQ(replacement(application_value{SQL_TIME_STRUCT{10, 11, 12}}), "DATETIME(1900-01-00T10:11:12)");

    // An unchanged timestamp is no SET term; a changed one is.
    std::vector<bound_column> columns{{"$timestamp", stamp, application_value{timestamp(2021, 3, 4, 5, 6, 7, 123)}}};
    EXPECT_EQ(text_of(change_kind::update, "t", columns),
              "incomplete: UPDATE t  WHERE $timestamp=DATETIME(2021-03-04T05:06:07.000000123Z) ;");
    columns[0].replacement = application_value{timestamp(2021, 3, 4, 5, 6, 8, 0)};
    EXPECT_EQ(text_of(change_kind::update, "t", columns),
              "UPDATE t SET $timestamp=DATETIME(2021-03-04T05:06:08.000000000Z) "
              "WHERE $timestamp=DATETIME(2021-03-04T05:06:07.000000123Z) ;");
}

TEST(PositionedChange, NullCellsAndMissingValuesGiveNoTerms) {
    const std::vector<bound_column> columns{
        {"a", std::monostate{}, application_value{std::int64_t{1}}},  // NULL now: no WHERE term
        {"b", std::int64_t{2}, std::nullopt},                         // no new value: no SET term
        {"c", std::int64_t{3}, application_value{std::int64_t{3}}},   // unchanged: no SET term
        {"d", std::int64_t{4}, application_value{buffers::null_value{}}},
        {"e", std::int64_t{5}, application_value{std::int64_t{50}}},
    };
    EXPECT_EQ(text_of(change_kind::update, "t", columns), "UPDATE t SET a=1, e=50 WHERE b=2 AND c=3 AND d=4 AND e=5 ;");
    EXPECT_EQ(text_of(change_kind::remove, "t", columns), "DELETE FROM t WHERE b=2 AND c=3 AND d=4 AND e=5 ;")
        << "a delete writes no values";
}

TEST(PositionedChange, AClauseWithoutTermsIsIncomplete) {
    const std::vector<bound_column> unchanged{{"a", std::int64_t{1}, application_value{std::int64_t{1}}}};
    EXPECT_EQ(text_of(change_kind::update, "t", unchanged), "incomplete: UPDATE t  WHERE a=1 ;");
    const std::vector<bound_column> all_null{{"a", std::monostate{}, application_value{std::int64_t{1}}}};
    EXPECT_EQ(text_of(change_kind::update, "t", all_null), "incomplete: UPDATE t SET a=1 ;");
    EXPECT_EQ(text_of(change_kind::remove, "t", all_null), "incomplete: DELETE FROM t ;");
    EXPECT_EQ(text_of(change_kind::remove, "t", {}), "incomplete: DELETE FROM t ;");
}

TEST(PositionedChange, CellsOfEveryKind) {
    sshort_cells s{{std::int16_t{-5}, std::nullopt}};
    EXPECT_EQ(current(setpos::cell_at(s, 0)), "-5");
    EXPECT_EQ(current(setpos::cell_at(s, 1)), "") << "NULL";
    EXPECT_EQ(current(setpos::cell_at(s, 2)), "") << "past the end";
    EXPECT_EQ(current(setpos::cell_at(ushort_cells{{std::uint16_t{65535}}}, 0)), "65535");
    EXPECT_EQ(current(setpos::cell_at(ubigint_cells{{std::uint32_t{4294967295u}}}, 0)), "4294967295");
    EXPECT_EQ(current(setpos::cell_at(float_cells{{0.25f}}, 0)), "0.25");
    EXPECT_EQ(current(setpos::cell_at(text_cells{{std::string("it's")}}, 0)), "'it''s'");
    EXPECT_EQ(current(setpos::cell_at(text_view_cells{{std::string_view("v")}}, 0)), "'v'");
    EXPECT_EQ(current(setpos::cell_at(no_cells{}, 0)), "");
    EXPECT_EQ(current(setpos::cell_at(timestamp_cells{{timestamp_value{0, 0}}}, 0)),
              "DATETIME(1970-01-01T00:00:00.000000000Z)");
}

TEST(PositionedChange, TheTableIsWhatFollowsTheFirstFrom) {
    EXPECT_EQ(setpos::table_text("SELECT sym, price FROM trades"), "trades");
    EXPECT_EQ(setpos::table_text("SELECT a FROM t WHERE b = 1"), "t WHERE b = 1");
    EXPECT_EQ(setpos::table_text("SELECT a FROM t JOIN FROM u"), "t JOIN FROM u");
    EXPECT_EQ(setpos::table_text("select a from t"), "") << "the search is case-sensitive";
    EXPECT_EQ(setpos::table_text("SELECT a FROM "), "");
    EXPECT_THROW(setpos::table_text("SELECT a FROM"), std::out_of_range);
}
