#include <gtest/gtest.h>

#include "statement/rewrite_rules.hpp"

using namespace rewrite;

TEST(InsertRule, AddsTheTimeColumnToInsertsWithoutIt) {
    EXPECT_EQ(rewrite_insert("insert into ticks (price, volume) values (?, ?)"),
              "INSERT INTO ticks (price, volume, $timestamp) VALUES (?, ?, 2000);");
    EXPECT_EQ(rewrite_insert("prefix INSERT INTO t(a)  VALUES(1); trailing"), "INSERT INTO t (a, $timestamp) VALUES (1, 2000);");
}

TEST(InsertRule, LeavesOtherTextsAlone) {
    for (const char* text : {"INSERT INTO ticks ($timestamp, price) VALUES (?, ?)", "insert into t values (1)",
                             "insert into t (a) values (now())",
                             "insert into t (a, b) values (abs(-1), 2)", "select inserted from t",
                             // Only the first row would be kept: every row stays.
                             "insert into t (a) values (1), (2)", "insert into t (a, b) values (?, ?) ,\n (?, ?);"}) {
        EXPECT_EQ(rewrite_insert(text), text);
    }
}

TEST(Markers, EveryQuestionMarkCounts) {
    EXPECT_EQ(count_markers("select * from t where a = '?'"), 1u);
    EXPECT_EQ(count_markers("?,?,? -- ?"), 4u);
    EXPECT_EQ(count_markers(""), 0u);
}

TEST(TableauWrapper, CutsTheOuterSelect) {
    const auto u = unwrap("SELECT \"TableauSQL\".\"a\" FROM (\n  select a from t\n) \"TableauSQL\"");
    EXPECT_TRUE(u.wrapped);
    EXPECT_EQ(u.text, "select a from t\n");
    const auto c = unwrap("SELECT * FROM (\n  select b from u\n) \"Custom_SQL_Query\" LIMIT 1");
    EXPECT_TRUE(c.wrapped);
    EXPECT_EQ(c.text, "select b from u\n LIMIT 1");
    const auto plain = unwrap("select a from t");
    EXPECT_FALSE(plain.wrapped);
    EXPECT_EQ(plain.text, "select a from t");
    // A marker without a cut point runs with only the marker removed.
    const auto no_cut = unwrap("select 1) \"TableauSQL\"");
    EXPECT_TRUE(no_cut.wrapped);
    EXPECT_EQ(no_cut.text, "select 1");
    EXPECT_THROW(unwrap("FROM (ab) \"TableauSQL\""), std::out_of_range);
}

TEST(RowLimit, AppliesOnlyToSelectsWithoutALimit) {
    EXPECT_EQ(apply_row_limit("select a from t;", 100), "select a from t LIMIT 100;");
    EXPECT_EQ(apply_row_limit("select a from t", 100), "select a from t LIMIT 100");
    EXPECT_EQ(apply_row_limit("SELECT a FROM t Limit 5", 100), "SELECT a FROM t Limit 5");
    EXPECT_EQ(apply_row_limit("show tables", 100), "show tables");
    EXPECT_EQ(apply_row_limit("select speed_limit from t", 100), "select speed_limit from t");
    EXPECT_EQ(apply_row_limit("select a from t; select b from u;", 7), "select a from t LIMIT 7; select b from u;");
    EXPECT_EQ(apply_row_limit("select a from t", 0), "select a from t");
}
