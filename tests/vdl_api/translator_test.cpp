#include "lang/translator.hpp"

#include "vdl_api.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <type_traits>
#include <variant>

namespace vdl::lang {
namespace {

constexpr std::int64_t now = 1'700'000'000'123'456'789;

failure refusal(std::string_view text) {
    auto out = translate(text, now);
    EXPECT_FALSE(out) << text;
    return out ? failure{} : out.error();
}

// The engine's text followed by the bound values, " | 1 | 2.5", integers and doubles told apart.
std::string engine_text_and_values(std::string_view text) {
    auto out = translate(text, now);
    EXPECT_TRUE(out) << text << ": " << (out ? "" : out.error().detail);
    if (!out || out->statements.size() != 1) return "<failed>";
    std::string shown = out->statements[0].sql;
    for (const auto& value : out->statements[0].values)
        shown += std::visit(
            [](auto v) { return fmt::format(std::is_same_v<decltype(v), double> ? " | {}d" : " | {}", v); }, value);
    return shown;
}

TEST(translator, rewrites_names_and_binds_numbers_and_times) {
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT $timestamp, price FROM t WHERE sym = 'a''b' ;",
         "SELECT \"$timestamp\", price FROM t WHERE sym = 'a''b'"},
        {"select * from t where $timestamp>=2021-03-04",
         "select * from t where \"$timestamp\">=?1 | 1614816000000000000"},
        {"SELECT x-1969-12-31T23:59:59Z", "SELECT x-?1 | -1000000000"},
        {"DELETE FROM t WHERE $timestamp=DATETIME(2021-03-04T05:06:07.000000123Z) ;",
         "DELETE FROM t WHERE \"$timestamp\"=?1 | 1614834367000000123"},
        {"UPDATE t SET a = DATETIME('1970-01-01T00:00:01Z'), b = DATETIME(-5), c = NOW()",
         "UPDATE t SET a = ?1, b = ?2, c = ?3 | 1000000000 | -5 | 1700000000123456789"},
        {"SELECT datetime('now'), datetime($timestamp / 1000000000, 'unixepoch') AS d FROM t",
         "SELECT datetime('now'), datetime(\"$timestamp\" / ?1, 'unixepoch') AS d FROM t | 1000000000"},
        {"INSERT INTO t (a, b, $timestamp) VALUES (1, 'x', 2000);",
         "INSERT INTO t (a, b, \"$timestamp\") VALUES (?1, 'x', ?2) | 1 | 2000"},
        {"SELECT /* keep 1 */ 1 -- and this\n", "SELECT /* keep 1 */ ?1 | 1"},
        // Every number is read exactly: the engine's own reading of this one is a unit off.
        {"INSERT INTO t (d) VALUES (744111.278528928), (-1e-7), (.5), (1.), (1E+3)",
         "INSERT INTO t (d) VALUES (?1), (-?2), (?3), (?4), (?5) | 744111.278528928d | 1e-07d | 0.5d | 1d | 1000d"},
        {"SELECT 007, 0x1F, 0xFFFFFFFFFFFFFFFF, 9223372036854775807, 18446744073709551616, 1e999, 1e-400",
         "SELECT ?1, ?2, ?3, ?4, ?5, ?6, ?7 | 7 | 31 | -1 | 9223372036854775807 | 1.8446744073709552e+19d | infd | "
         "0d"},
        // Only the engine tells these apart by the minus sign before them; hex beyond 64 bits is its error.
        {"SELECT -9223372036854775808, 9223372036854775808, -0x8000000000000000, 0x10000000000000000",
         "SELECT -9223372036854775808, 9223372036854775808, -0x8000000000000000, 0x10000000000000000"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(engine_text_and_values(text), expected) << text;
}

TEST(translator, numbers_that_are_not_values_stay_as_written) {
    const std::pair<const char*, const char*> cases[] = {
        // Column positions, where a bound number would be a constant to sort or group by.
        {"SELECT a, b FROM t GROUP BY 1, 2 HAVING count(*) > 3 ORDER BY 2 DESC, 1 + 0, 1 LIMIT 4 OFFSET 5",
         "SELECT a, b FROM t GROUP BY 1, 2 HAVING count(*) > ?1 ORDER BY 2 DESC, ?2 + ?3, 1 LIMIT ?4 OFFSET ?5 | 3 | "
         "1 | 0 | 4 | 5"},
        {"SELECT sum(a) OVER (PARTITION BY b ORDER BY 1 ROWS 2 PRECEDING) FROM t ORDER BY 1.5",
         "SELECT sum(a) OVER (PARTITION BY b ORDER BY 1 ROWS ?1 PRECEDING) FROM t ORDER BY ?2 | 2 | 1.5d"},
        // Sizes of a type name, and the probability of likelihood(), which the engine wants as text.
        {"SELECT CAST(a AS NUMERIC(10, -2)), CAST(2 AS UNSIGNED BIG INT(8)) FROM t WHERE likelihood(a > 1, 0.25)",
         "SELECT CAST(a AS NUMERIC(10, -2)), CAST(?1 AS UNSIGNED BIG INT(8)) FROM t WHERE likelihood(a > ?2, 0.25) | "
         "2 | 1"},
        // A placeholder is never followed by a digit that would lengthen its number.
        {"SELECT NOW()9223372036854775808", "SELECT ?1 9223372036854775808 | 1700000000123456789"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(engine_text_and_values(text), expected) << text;
}

TEST(translator, rewritten_expressions_keep_the_name_the_user_wrote) {
    auto out = translate(
        "SELECT max($timestamp), price * 2 FROM t WHERE $timestamp > 2021-03-04 AND "
        "a = DATETIME( 5 ) + NOW()",
        now);
    ASSERT_TRUE(out);
    const auto& statement = out->statements[0];
    const auto name = [&](std::string_view engine_name) {
        return written_name(engine_name, statement).value_or("<as the engine named it>");
    };
    EXPECT_EQ(name("max(\"$timestamp\")"), "max($timestamp)");
    EXPECT_EQ(name("price * ?1"), "price * 2");
    EXPECT_EQ(name("?2 + ?3 - ?4"), "2021-03-04 + DATETIME( 5 ) - NOW()");
    EXPECT_EQ(name("\"$odd\"\"name\" / ?12"), "$odd\"name / ?12") << "a placeholder the statement lacks stays";
    EXPECT_EQ(name("'text ?1' || \"quoted ?1\" || ?1"), "'text ?1' || \"quoted ?1\" || 2")
        << "quoted text is never rewritten";
    EXPECT_EQ(name("price"), "<as the engine named it>");
    EXPECT_EQ(name("what?"), "<as the engine named it>");
}

TEST(translator, classifies_select_items_for_result_kinds) {
    using enum select_item;
    auto out = translate(
        "SELECT count(*), COUNT(DISTINCT a) AS n, count(*) + 1, *, t.*, max($timestamp), "
        "min(t.$timestamp) x, max(price), NOW(), DATETIME(2021-01-01), 2021-01-01, "
        "(SELECT count(*) FROM u) FROM t, u",
        now);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->items, (std::vector{count, count, other, star, star, timestamp, timestamp, other, timestamp,
                                       timestamp, timestamp, other}));
    EXPECT_TRUE(translate("SHOW TABLES", now)->items.size() == 1);
}

TEST(translator, places_item_kinds_on_columns_around_stars) {
    using enum select_item;
    EXPECT_EQ(column_kinds({count, other}, 2), (std::vector{count, other}));
    EXPECT_EQ(column_kinds({count, other}, 3), (std::vector{other, other, other})) << "a mismatch marks nothing";
    EXPECT_EQ(column_kinds({count, star, timestamp}, 5), (std::vector{count, other, other, other, timestamp}));
    EXPECT_EQ(column_kinds({star, count, star, count}, 6), (std::vector{other, other, other, other, other, count}));
    EXPECT_EQ(column_kinds({count, star, count}, 1), (std::vector{count}));
}

TEST(translator, create_table_adds_the_time_column_typed_checks_and_an_index) {
    auto out =
        translate("create table if not exists ticks (price double, sym STRING, raw BLOB, n INT64, at TIMESTAMP);", now);
    ASSERT_TRUE(out) << out.error().detail;
    EXPECT_EQ(out->kind, statement_kind::create_table);
    ASSERT_EQ(out->statements.size(), 2u);
    const auto& create = out->statements[0].sql;
    EXPECT_TRUE(create.starts_with("CREATE TABLE IF NOT EXISTS \"ticks\" (\"$timestamp\" TIMESTAMP NOT NULL DEFAULT "))
        << create;
    for (const char* part :
         {"\"price\" DOUBLE CONSTRAINT \"vdl_type:price:DOUBLE\" CHECK (typeof(\"price\") IN ('real', 'null'))",
          "\"sym\" TEXT CONSTRAINT", "\"raw\" BLOB CONSTRAINT", "IN ('blob', 'text', 'null')", "\"n\" INT64 CONSTRAINT",
          "\"at\" TIMESTAMP CONSTRAINT \"vdl_type:at:TIMESTAMP\""})
        EXPECT_NE(create.find(part), std::string::npos) << part << " in " << create;
    EXPECT_EQ(out->statements[1].sql, "CREATE INDEX IF NOT EXISTS \"ticks:$timestamp\" ON \"ticks\" (\"$timestamp\")");

    auto listed = translate("CREATE TABLE t (a INT64, $timestamp TIMESTAMP)", now);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->statements[0].sql.find("\"$timestamp\""), listed->statements[0].sql.find('(') + 1)
        << "moved first, once";
    EXPECT_EQ(listed->statements[0].sql.find("\"$timestamp\" TIMESTAMP", 40), std::string::npos);
}

TEST(translator, refuses_malformed_and_foreign_statements) {
    const std::tuple<const char*, std::uint32_t, const char*> cases[] = {
        {"CREATE TABLE t (a FLOAT)", VDL_E_TYPE, "unknown type 'FLOAT'"},
        {"CREATE TABLE t (a INT64, A STRING)", VDL_E_SYNTAX, "listed twice"},
        {"CREATE TABLE t ($timestamp STRING)", VDL_E_TYPE, "TIMESTAMP"},
        {"CREATE TABLE t (a INT64", VDL_E_SYNTAX, "expected ',' or ')'"},
        {"CREATE TABLE t (a INT64) WITHOUT ROWID", VDL_E_SYNTAX, "unexpected 'WITHOUT'"},
        {"CREATE VIEW v AS SELECT 1", VDL_E_SYNTAX, "only CREATE TABLE"},
        {"DROP INDEX i", VDL_E_SYNTAX, "only DROP TABLE"},
        {"DROP TABLE a b", VDL_E_SYNTAX, "unexpected 'b'"},
        {"SHOW DATABASES", VDL_E_SYNTAX, "expected TABLES"},
        {"SHOW TABLES t", VDL_E_SYNTAX, "after SHOW TABLES"},
        {"SELECT 1; SELECT 2", VDL_E_SYNTAX, "one statement per query"},
        {"PRAGMA writable_schema = 1", VDL_E_SYNTAX, "unsupported statement 'PRAGMA'"},
        {"SELECT DATETIME(99999999999999999999)", VDL_E_SYNTAX, "out of range"},
        {"SELECT DATETIME('2021-02-30')", VDL_E_SYNTAX, "day 30"},
    };
    for (const auto& [text, code, reason] : cases) {
        const auto error = refusal(text);
        EXPECT_EQ(error.code, code) << text;
        EXPECT_NE(error.detail.find(reason), std::string::npos) << text << ": " << error.detail;
    }
}

}  // namespace
}  // namespace vdl::lang
