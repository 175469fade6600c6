// Statements run again with other values, or after the tables they read changed, reuse the
// engine's prepared statements without carrying anything over from the earlier run.
#include "vdl_store_test.hpp"

#include <string>

namespace support {
namespace {

using reuse_test = store_test;

TEST_F(reuse_test, a_repeated_point_query_answers_each_of_its_values) {
    ok("CREATE TABLE t (n INT64, s STRING)");
    ok("INSERT INTO t ($timestamp, n, s) VALUES (1, 10, 'a'), (2, 20, 'b'), (3, 30, NULL)");
    for (int round = 0; round < 2; ++round) {
        for (int i = 1; i <= 4; ++i) {
            auto r = ok("SELECT n, s FROM t WHERE $timestamp = " + std::to_string(i));
            ASSERT_NE(r, nullptr);
            if (i == 4) {
                EXPECT_EQ(r->row_count, 0u);
                continue;
            }
            ASSERT_EQ(r->row_count, 1u);
            EXPECT_EQ(r->rows[0][0].payload.as_int64, i * 10);
            if (i == 3) {
                EXPECT_EQ(r->rows[0][1].kind, VDL_CELL_NULL);
            } else {
                EXPECT_EQ(text_of(r->rows[0][1]), std::string(1, static_cast<char>('a' + i - 1)));
            }
        }
    }
}

TEST_F(reuse_test, the_same_text_reads_a_table_made_again_with_other_columns) {
    ok("CREATE TABLE t (a INT64)");
    ok("INSERT INTO t ($timestamp, a) VALUES (1, 5)");
    auto before = ok("SELECT * FROM t");
    ASSERT_EQ(before->column_count, 2u);
    ok("DROP TABLE t");
    EXPECT_EQ(fails("SELECT * FROM t"), VDL_E_NO_TABLE);
    ok("CREATE TABLE t (b STRING, c DOUBLE)");
    ok("INSERT INTO t ($timestamp, b, c) VALUES (1, 'x', 0.5)");
    auto after = ok("SELECT * FROM t");
    ASSERT_EQ(after->column_count, 3u);
    EXPECT_EQ(name_of(*after, 1), "b");
    EXPECT_EQ(text_of(after->rows[0][1]), "x");
    EXPECT_EQ(after->rows[0][2].payload.as_double, 0.5);
}

TEST_F(reuse_test, a_kept_statement_describes_its_columns_again_after_the_table_changed) {
    // Run twice first: the second run reads the columns as the first one learned them.
    ok("CREATE TABLE t (a INT64)");
    ok("INSERT INTO t ($timestamp, a) VALUES (1, 5)");
    for (int i = 0; i < 2; ++i) {
        auto before = ok("SELECT * FROM t WHERE $timestamp = 1");
        ASSERT_EQ(before->column_count, 2u);
        EXPECT_EQ(name_of(*before, 1), "a");
        EXPECT_EQ(before->rows[0][0].kind, VDL_CELL_TIMESTAMP);
        EXPECT_EQ(before->rows[0][1].kind, VDL_CELL_INT64);
    }
    ok("DROP TABLE t");
    ok("CREATE TABLE t (p BLOB)");
    ok("INSERT INTO t ($timestamp, p) VALUES (1, 'raw')");
    for (int i = 0; i < 2; ++i) {
        auto after = ok("SELECT * FROM t WHERE $timestamp = 1");
        ASSERT_EQ(after->column_count, 2u);
        EXPECT_EQ(name_of(*after, 1), "p");
        EXPECT_EQ(after->rows[0][1].kind, VDL_CELL_BLOB) << "a column declared BLOB gives blob cells";
    }
}

TEST_F(reuse_test, one_engine_text_from_two_queries_keeps_each_querys_names_and_kinds) {
    // Both run as "SELECT ?1 FROM t": NOW() gives a timestamp column named after it, 5 an integer.
    ok("CREATE TABLE t (a INT64)");
    ok("INSERT INTO t ($timestamp, a) VALUES (1, 5)");
    for (int i = 0; i < 2; ++i) {
        auto now = ok("SELECT NOW() FROM t");
        EXPECT_EQ(name_of(*now, 0), "NOW()");
        EXPECT_EQ(now->rows[0][0].kind, VDL_CELL_TIMESTAMP);
        auto five = ok("SELECT 5 FROM t");
        EXPECT_EQ(name_of(*five, 0), "5");
        EXPECT_EQ(five->rows[0][0].kind, VDL_CELL_INT64);
    }
}

TEST_F(reuse_test, a_failed_run_leaves_the_text_usable) {
    ok("CREATE TABLE t (n INT64)");
    const std::string insert = "INSERT INTO t ($timestamp, n) VALUES (NULL, 1)";
    EXPECT_EQ(fails(insert), VDL_E_CONSTRAINT);
    EXPECT_EQ(fails(insert), VDL_E_CONSTRAINT);
    ok("INSERT INTO t ($timestamp, n) VALUES (7, 1)");
    ok("INSERT INTO t ($timestamp, n) VALUES (8, 2)");
    EXPECT_EQ(single("SELECT count(*) FROM t").payload.as_count, 2u);
    // A table can be dropped while statements that read it are kept.
    ok("SELECT n FROM t WHERE n = 1");
    ok("DROP TABLE t");
    EXPECT_EQ(fails("SELECT n FROM t WHERE n = 1"), VDL_E_NO_TABLE);
}

}  // namespace
}  // namespace support
