#include "lang/translator.hpp"

#include "vdl_api.h"

#include <gtest/gtest.h>

namespace vdl::lang {
namespace {

constexpr std::int64_t now = 1'700'000'000'123'456'789;

std::string engine_sql(std::string_view text) {
    auto out = translate(text, now);
    EXPECT_TRUE(out) << text << ": " << out.error().detail;
    return out && out->sql.size() == 1 ? out->sql[0] : std::string("<failed>");
}

failure refusal(std::string_view text) {
    auto out = translate(text, now);
    EXPECT_FALSE(out) << text;
    return out ? failure{} : out.error();
}

TEST(translator, rewrites_names_and_time_literals_and_keeps_the_rest) {
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT $timestamp, price FROM t WHERE sym = 'a''b' ;", "SELECT \"$timestamp\", price FROM t WHERE sym = 'a''b'"},
        {"select * from t where $timestamp>=2021-03-04", "select * from t where \"$timestamp\">=1614816000000000000"},
        {"SELECT x-1969-12-31T23:59:59Z", "SELECT x-(-1000000000) AS \"x-1969-12-31T23:59:59Z\""},
        {"DELETE FROM t WHERE $timestamp=DATETIME(2021-03-04T05:06:07.000000123Z) ;",
         "DELETE FROM t WHERE \"$timestamp\"=1614834367000000123"},
        {"UPDATE t SET a = DATETIME('1970-01-01T00:00:01Z'), b = DATETIME(-5), c = NOW()",
         "UPDATE t SET a = 1000000000, b = (-5), c = 1700000000123456789"},
        {"SELECT datetime('now'), datetime($timestamp / 1000000000, 'unixepoch') AS d FROM t",
         "SELECT datetime('now'), datetime(\"$timestamp\" / 1000000000, 'unixepoch') AS d FROM t"},
        {"INSERT INTO t (a, b, $timestamp) VALUES (1, 'x', 2000);", "INSERT INTO t (a, b, \"$timestamp\") VALUES (1, 'x', 2000)"},
        {"SELECT /* keep */ 1 -- and this\n", "SELECT /* keep */ 1"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(engine_sql(text), expected) << text;
}

TEST(translator, rewritten_expressions_keep_the_name_the_user_wrote) {
    EXPECT_EQ(engine_sql("SELECT max($timestamp), max($timestamp) AS m, max($timestamp) m2, $timestamp, t.$timestamp, "
                         "price * 2 FROM t"),
              "SELECT max(\"$timestamp\") AS \"max($timestamp)\", max(\"$timestamp\") AS m, max(\"$timestamp\") m2, "
              "\"$timestamp\", t.\"$timestamp\", price * 2 FROM t");
    EXPECT_EQ(engine_sql("SELECT 2021-03-04, NOW()"), "SELECT 1614816000000000000 AS \"2021-03-04\", "
                                                      "1700000000123456789 AS \"NOW()\"");
}

TEST(translator, classifies_select_items_for_result_kinds) {
    using enum select_item;
    auto out = translate("SELECT count(*), COUNT(DISTINCT a) AS n, count(*) + 1, *, t.*, max($timestamp), "
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
    auto out = translate("create table if not exists ticks (price double, sym STRING, raw BLOB, n INT64, at TIMESTAMP);",
                         now);
    ASSERT_TRUE(out) << out.error().detail;
    EXPECT_EQ(out->kind, statement_kind::create_table);
    ASSERT_EQ(out->sql.size(), 2u);
    const auto& create = out->sql[0];
    EXPECT_TRUE(create.starts_with("CREATE TABLE IF NOT EXISTS \"ticks\" (\"$timestamp\" TIMESTAMP NOT NULL DEFAULT "))
        << create;
    for (const char* part : {"\"price\" DOUBLE CONSTRAINT \"vdl_type:price:DOUBLE\" CHECK (typeof(\"price\") IN ('real', 'null'))",
                             "\"sym\" TEXT CONSTRAINT", "\"raw\" BLOB CONSTRAINT", "IN ('blob', 'text', 'null')",
                             "\"n\" INT64 CONSTRAINT", "\"at\" TIMESTAMP CONSTRAINT \"vdl_type:at:TIMESTAMP\""})
        EXPECT_NE(create.find(part), std::string::npos) << part << " in " << create;
    EXPECT_EQ(out->sql[1], "CREATE INDEX IF NOT EXISTS \"ticks:$timestamp\" ON \"ticks\" (\"$timestamp\")");

    auto listed = translate("CREATE TABLE t (a INT64, $timestamp TIMESTAMP)", now);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->sql[0].find("\"$timestamp\""), listed->sql[0].find('(') + 1) << "moved first, once";
    EXPECT_EQ(listed->sql[0].find("\"$timestamp\" TIMESTAMP", 40), std::string::npos);
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

} // namespace
} // namespace vdl::lang
