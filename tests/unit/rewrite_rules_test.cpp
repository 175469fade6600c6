// The textual rules: each either keeps what a statement means or leaves its text unchanged.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "statement/rewrite_rules.hpp"
#include "statement/statement_text.hpp"

using namespace rewrite;

TEST(InsertRule, AddsTheTimeColumnToInsertsWithoutIt) {
    EXPECT_EQ(rewrite_insert("insert into ticks (price, volume) values (?, ?)"),
              "INSERT INTO ticks (price, volume, $timestamp) VALUES (?, ?, NOW());");
    EXPECT_EQ(rewrite_insert("  INSERT INTO t(a)  VALUES(1);  "), "INSERT INTO t (a, $timestamp) VALUES (1, NOW());");
    EXPECT_EQ(rewrite_insert("/* tag */ insert into t (a) values ('x') ; -- done"),
              "INSERT INTO t (a, $timestamp) VALUES ('x', NOW());")
        << "comments around the statement and a ';' after it";
    EXPECT_EQ(rewrite_insert("insert into t (a, b) values ('it''s', ?)"),
              "INSERT INTO t (a, b, $timestamp) VALUES ('it''s', ?, NOW());");
}

TEST(InsertRule, LeavesEveryTextItCannotRebuildExactlyUnchanged) {
    for (const char* text :
         {"INSERT INTO ticks ($timestamp, price) VALUES (?, ?)", "insert into t values (1)",
          "insert into t (a) values (now())", "insert into t (a, b) values (abs(-1), 2)", "select inserted from t",
          // A further row, a further statement, or text before or after the insert would be lost.
          "insert into t (a) values (1), (2)", "insert into t (a, b) values (?, ?) ,\n (?, ?);",
          "INSERT INTO t (a) VALUES (?); DELETE FROM t WHERE a = 1",
          "INSERT INTO t (a) VALUES (1); INSERT INTO t (a) VALUES (2)", "prefix INSERT INTO t(a) VALUES(1)",
          "INSERT INTO t (a) VALUES (1) trailing",
          // A ")" or "," inside a literal or a name, or a comment inside a list.
          "INSERT INTO t (s, n) VALUES ('why? a)b', ?)", "insert into t (s) values ('a,b')",
          "insert into t (\"a)b\") values (1)", "insert into t (a) values (1 -- note\n)",
          "insert into t (a) values (1 /* ) */)", "-- INSERT INTO t (a) VALUES (1)\nselect 1"}) {
        EXPECT_EQ(rewrite_insert(text), text);
    }
}

TEST(Markers, OnlyTheMarkersInCodeCount) {
    EXPECT_EQ(statement_text("select * from t where a = '?'").markers().size(), 0u);
    EXPECT_EQ(statement_text("?,?,? -- ?").markers().size(), 3u);
    EXPECT_EQ(statement_text("").markers().size(), 0u);
    EXPECT_EQ(statement_text("INSERT INTO t (a, b) VALUES (?, 'why? a)b')").markers().size(), 1u);
    EXPECT_EQ(statement_text("select \"what?\", `x?`, [y?] from t where a = ? /* ? */").markers().size(), 1u);
    EXPECT_EQ(statement_text("select 'it''s ?' , ? from t").markers(), (std::vector<std::size_t>{19}));
    EXPECT_EQ(statement_text("select X'3F', ?").markers(), (std::vector<std::size_t>{14}));
    EXPECT_EQ(statement_text("select 'unterminated ?").markers().size(), 0u);
}

TEST(Markers, FirstWordAndCode) {
    EXPECT_TRUE(statement_text("SELECT 1").is_select());
    EXPECT_TRUE(statement_text("  /* c */ -- c\n ((select 1))").is_select());
    EXPECT_FALSE(statement_text("insert into t select * from u").is_select());
    EXPECT_FALSE(statement_text("CREATE TABLE selection (a INT64)").is_select());
    EXPECT_FALSE(statement_text("'select'").is_select());
    EXPECT_FALSE(statement_text("selects").is_select());
    const statement_text t("select ';' from t -- ;\n;");
    EXPECT_EQ(t.find_in_code(";"), 23u);
    EXPECT_EQ(t.end_of_code(), 24u);
    EXPECT_EQ(statement_text("select a -- note").end_of_code(), 8u);
    EXPECT_EQ(statement_text("select 'a' ").end_of_code(), 10u);
}

// Which texts only read, and may run early to describe their columns.
TEST(Markers, QueriesAreTheTextsThatOnlyRead) {
    const std::pair<const char*, bool> cases[] = {
        {"SELECT a FROM t WHERE b = ?", true},
        {" ( values (1), (2))", true},
        {"WITH q AS (SELECT a FROM t WHERE b > ?) SELECT a FROM q", true},
        {"with recursive r(n) as (select 1 union all select n + 1 from r where n < ?) select n from r", true},
        {"WITH a AS (SELECT 1), b AS NOT MATERIALIZED (SELECT 2) VALUES (?)", true},
        {"WITH q AS (SELECT a FROM t) DELETE FROM t WHERE a IN (SELECT a FROM q)", false},
        {"with q as (select 1) insert into t (a) select * from q", false},
        {"WITH q AS (SELECT 1) UPDATE t SET a = ?", false},
        {"WITH q AS (SELECT 'select') REPLACE INTO t (a) VALUES (?)", false},
        {"WITH \"select\" AS (SELECT 1) DELETE FROM t", false},
        {"WITH q AS (SELECT 1) -- select\n DELETE FROM t", false},
        {"WITH q AS (SELECT 1)", false},
        {"INSERT INTO t (a) SELECT ?", false},
        {"DELETE FROM t WHERE a = ?", false},
        {"withdraw", false},
        {"", false},
    };
    for (const auto& [text, query] : cases) EXPECT_EQ(statement_text(text).is_query(), query) << text;
}

TEST(StatementText, ZeroBytesWithinTheLengthAreRefused) {
    EXPECT_FALSE(zero_byte_refusal("DELETE FROM t WHERE a = 1"));
    const auto refusal = zero_byte_refusal(std::string_view("DELETE FROM t\0 WHERE a = 1", 26));
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->sqlstate, "HY090");
    EXPECT_EQ(refusal->message,
              "[HY090] Invalid string or buffer length: the statement text holds a zero byte at "
              "offset 13 of the 26 bytes given; nothing was run");
}

TEST(TableauWrapper, CutsTheOuterSelect) {
    const auto u = unwrap("SELECT \"TableauSQL\".\"a\" FROM (\n  select a from t\n) \"TableauSQL\"");
    EXPECT_TRUE(u.wrapped);
    EXPECT_EQ(u.text, "select a from t\n");
    const auto c = unwrap("SELECT * FROM (\n  select b from u\n) \"Custom_SQL_Query\";");
    EXPECT_TRUE(c.wrapped);
    EXPECT_EQ(c.text, "select b from u\n;");
    const auto tight = unwrap("SELECT * FROM (select b from u) \"TableauSQL\"");
    EXPECT_TRUE(tight.wrapped);
    EXPECT_EQ(tight.text, "select b from u") << "the inner query is kept whole";
}

TEST(TableauWrapper, OnlyTheWrappersShapeIsCut) {
    for (const char* text :
         {"select a from t", "insert into t (s) values ('x) \"TableauSQL\" y')",
          "select * from t where s = 'FROM (a) \"TableauSQL\"'", "select 1) \"TableauSQL\"", "FROM (ab) \"TableauSQL\"",
          "select 1 -- FROM (x) \"TableauSQL\"", "SELECT a) \"TableauSQL\" FROM (b"}) {
        const auto u = unwrap(text);
        EXPECT_FALSE(u.wrapped) << text;
        EXPECT_EQ(u.text, text);
    }
}

TEST(TableauWrapper, IsCutOnlyForAnOuterSelectThatListsInnerColumns) {
    const std::string inner = " FROM (\n  select a, b from t\n) \"TableauSQL\"";
    for (const char* list : {"*", "\"TableauSQL\".*", "\"TableauSQL\".\"a\"",
                             "\"TableauSQL\".\"a\" AS \"a\", \"TableauSQL\".\"b\"", "\"TableauSQL\".a as a"}) {
        EXPECT_TRUE(unwrap(std::string("SELECT ") + list + inner).wrapped) << list;
        EXPECT_TRUE(unwrap(std::string("SELECT ") + list + inner + " ; -- end").wrapped) << list;
    }
    // Everything else goes whole: the store runs the subquery and the outer query.
    for (const std::string& text :
         {"SELECT SUM(\"TableauSQL\".\"a\")" + inner, "SELECT COUNT(*)" + inner, "SELECT TOP 0 *" + inner,
          "SELECT DISTINCT \"TableauSQL\".\"a\"" + inner, "SELECT \"TableauSQL\".\"a\" AS \"x\"" + inner,
          "SELECT * " + inner + " WHERE (1 = 0)", "SELECT \"TableauSQL\".\"a\"" + inner + " GROUP BY 1",
          "SELECT *" + inner + " LIMIT 1", "SELECT \"other\".\"a\"" + inner, "SELECT 'a'" + inner}) {
        const auto u = unwrap(text);
        EXPECT_FALSE(u.wrapped) << text;
        EXPECT_EQ(u.text, text);
    }
}

TEST(TopClause, BecomesALimitWhereItMeansTheSame) {
    EXPECT_EQ(top_to_limit("SELECT TOP 5 a FROM t"), "SELECT a FROM t LIMIT 5");
    EXPECT_EQ(top_to_limit("select distinct top (0) a from t;"), "select distinct a from t LIMIT 0;");
    EXPECT_EQ(top_to_limit("SELECT TOP 5 a FROM t -- x"), "SELECT a FROM t LIMIT 5 -- x");
    for (const char* text : {"SELECT TOP 5 PERCENT a FROM t", "SELECT TOP 5 WITH TIES a FROM t ORDER BY a",
                             "SELECT TOP 5 a FROM t LIMIT 2", "SELECT top FROM t", "SELECT TOP x FROM t",
                             "SELECT 'TOP 5' FROM t", "update t set top = 1"})
        EXPECT_EQ(top_to_limit(text), text);
}

TEST(RowLimit, AppliesOnlyToSelectsWithoutALimit) {
    EXPECT_EQ(apply_row_limit("select a from t;", 100), "select a from t LIMIT 100;");
    EXPECT_EQ(apply_row_limit("select a from t", 100), "select a from t LIMIT 100");
    EXPECT_EQ(apply_row_limit("SELECT a FROM t Limit 5", 100), "SELECT a FROM t Limit 5");
    EXPECT_EQ(apply_row_limit("show tables", 100), "show tables");
    // Only the word LIMIT in code counts: not a name holding it, nor a literal.
    EXPECT_EQ(apply_row_limit("select speed_limit from t", 100), "select speed_limit from t LIMIT 100");
    EXPECT_EQ(apply_row_limit("select a from t where s = 'limit'", 100), "select a from t where s = 'limit' LIMIT 100");
    EXPECT_EQ(apply_row_limit("select * from (select a from t limit 5)", 100),
              "select * from (select a from t limit 5)");
    EXPECT_EQ(apply_row_limit("select a from t; select b from u;", 7), "select a from t LIMIT 7; select b from u;");
    EXPECT_EQ(apply_row_limit("select a from t", 0), "select a from t");
    EXPECT_EQ(apply_row_limit("(select a from t)", 3), "(select a from t) LIMIT 3");
    EXPECT_EQ(without_rows("select a from t where b = NULL;"), "select a from t where b = NULL LIMIT 0;");
    EXPECT_EQ(without_rows("select a from t limit 5"), "select a from t limit 5");
}

TEST(RowLimit, NeverChangesWhatAStatementMeans) {
    // Not a select by its first word.
    for (const char* text : {"insert into t (a) select a from u", "CREATE TABLE selection (a INT64)",
                             "delete from t where s = 'select'", "update t set s = 'select;' where a = 1"}) {
        EXPECT_EQ(apply_row_limit(text, 10), text);
    }
    // The ";" of a literal or a comment is not the end of the statement, nor is a trailing comment.
    EXPECT_EQ(apply_row_limit("select * from t where s = 'a;b'", 10), "select * from t where s = 'a;b' LIMIT 10");
    EXPECT_EQ(apply_row_limit("select a from t -- first; rows", 10), "select a from t LIMIT 10 -- first; rows");
    EXPECT_EQ(apply_row_limit("select a from t /* ; */ ;", 10), "select a from t /* ; */  LIMIT 10;");
    // A maximum beyond the store's signed 64-bit counts is no limit.
    EXPECT_EQ(apply_row_limit("select a from t", std::uint64_t{1} << 63), "select a from t");
    EXPECT_EQ(apply_row_limit("select a from t", ~std::uint64_t{0}), "select a from t");
    EXPECT_EQ(apply_row_limit("select a from t", (std::uint64_t{1} << 63) - 1),
              "select a from t LIMIT 9223372036854775807");
}

TEST(InsertRule, EachExecutionStampsItsOwnTimeOfInsertion) {
    std::string first = rewrite_insert("insert into t (a) values (1)");
    std::string second = first;
    stamp_insertion_time(first);
    stamp_insertion_time(second);
    const auto time_of = [](const std::string& text) {
        const auto start = text.rfind(", ") + 2;
        return std::stoll(text.substr(start, text.size() - 2 - start));
    };
    EXPECT_TRUE(first.starts_with("INSERT INTO t (a, $timestamp) VALUES (1, ")) << first;
    EXPECT_GT(time_of(second), time_of(first)) << first << " / " << second;
    std::string other = "select NOW();";
    stamp_insertion_time(other);
    EXPECT_EQ(other, "select NOW();") << "only the placeholder after a value list is replaced";

    std::int64_t last = next_insertion_time();
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t next = next_insertion_time();
        ASSERT_GT(next, last) << "strictly increasing, even within one nanosecond of the clock";
        last = next;
    }
}
