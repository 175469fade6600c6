// The statements of the query language, as users and the driver write them.
#include "vdl_store_test.hpp"

#include <string>
#include <vector>

namespace support {
namespace {

using language_test = store_test;

std::vector<std::string> first_column_texts(const vdl_result& r) {
    std::vector<std::string> out;
    for (std::uint32_t i = 0; i < r.row_count; ++i) out.emplace_back(text_of(r.rows[i][0]));
    return out;
}

TEST_F(language_test, show_tables_lists_names_in_order_in_every_spelling) {
    auto empty = ok("SHOW TABLES");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->column_count, 1u);
    EXPECT_EQ(empty->row_count, 0u);
    ok("CREATE TABLE b (x INT64)");
    ok("CREATE TABLE a (x INT64)");
    ok("CREATE TABLE \"C d\" (x INT64)");
    const std::vector<std::string> expected{"C d", "a", "b"};
    for (const char* spelling : {"SHOW TABLES", "show tables;", "  Show Tables ; ", "SHOW TABLES -- all\n"})
        EXPECT_EQ(first_column_texts(*ok(spelling)), expected) << spelling;
}

TEST_F(language_test, create_and_drop_tables) {
    ok("CREATE TABLE t (x INT64)");
    EXPECT_EQ(fails("CREATE TABLE t (y INT64)"), VDL_E_TABLE_EXISTS);
    EXPECT_STREQ(vdl_error(VDL_E_TABLE_EXISTS), "table already exists: t");
    EXPECT_EQ(ok("CREATE TABLE IF NOT EXISTS t (y INT64)"), nullptr);
    EXPECT_EQ(fails("CREATE TABLE u (x VARCHAR)"), VDL_E_TYPE);
    EXPECT_EQ(fails("CREATE TABLE u (x INT64, X DOUBLE)"), VDL_E_SYNTAX);
    EXPECT_EQ(fails("CREATE TABLE u ($timestamp INT64)"), VDL_E_TYPE);
    EXPECT_EQ(fails("CREATE INDEX i ON t (x)"), VDL_E_SYNTAX);

    ok("DROP TABLE t;");
    EXPECT_EQ(ok("SHOW TABLES")->row_count, 0u);
    EXPECT_EQ(fails("DROP TABLE t"), VDL_E_NO_TABLE);
    ok("DROP TABLE IF EXISTS t");
    // The name is free again, with a fresh time index.
    ok("CREATE TABLE t (x INT64)");
}

TEST_F(language_test, queries_filter_group_order_and_limit) {
    ok("CREATE TABLE trades (sym STRING, price DOUBLE, volume INT64)");
    ok("INSERT INTO trades ($timestamp, sym, price, volume) VALUES "
       "(2021-01-01T00:00:01Z, 'ibm', 10.5, 100), (2021-01-01T00:00:02Z, 'ibm', 11, 200), "
       "(2021-01-01T00:00:03Z, 'aapl', 100, 5), (2021-01-01T00:00:04Z, 'aapl', 101, NULL)");
    auto grouped =
        ok("SELECT sym, count(*) AS n, sum(volume), avg(price) FROM trades "
           "WHERE $timestamp >= 2021-01-01T00:00:02Z GROUP BY sym ORDER BY sym DESC LIMIT 5;");
    ASSERT_EQ(grouped->row_count, 2u);
    EXPECT_EQ(name_of(*grouped, 1), "n");
    EXPECT_EQ(text_of(grouped->rows[0][0]), "ibm");
    EXPECT_EQ(grouped->rows[0][1].payload.as_count, 1u);
    EXPECT_EQ(grouped->rows[1][2].payload.as_int64, 5);
    EXPECT_EQ(grouped->rows[1][3].payload.as_double, 100.5);

    auto none = ok("SELECT sym FROM trades WHERE price > 1000");
    ASSERT_NE(none, nullptr) << "a query without rows still has a result";
    EXPECT_EQ(none->row_count, 0u);
    EXPECT_EQ(name_of(*none, 0), "sym");

    EXPECT_EQ(ok("UPDATE trades SET volume = volume * 2 WHERE sym = 'ibm'"), nullptr);
    EXPECT_EQ(single("SELECT sum(volume) FROM trades").payload.as_int64, 605);
}

TEST_F(language_test, one_statement_per_query) {
    ok("CREATE TABLE t (x INT64)");
    EXPECT_EQ(fails("INSERT INTO t (x) VALUES (1); DROP TABLE t"), VDL_E_SYNTAX);
    EXPECT_EQ(single("SELECT count(*) FROM t").payload.as_count, 0u) << "nothing of a refused query runs";
    EXPECT_EQ(ok(""), nullptr);
    EXPECT_EQ(ok(" -- only a comment"), nullptr);
    EXPECT_EQ(single("SELECT 'a;b' ;;").kind, VDL_CELL_STRING);
}

TEST_F(language_test, statements_outside_the_language_are_refused) {
    for (const char* query : {"PRAGMA journal_mode = DELETE", "ATTACH DATABASE '/tmp/x.db' AS x", "VACUUM", "BEGIN",
                              "ALTER TABLE t ADD COLUMN y INT64", "SELECT load_extension('x')",
                              "SELECT * FROM t WHERE x = ?", "SELECT :name"}) {
        vdl_result* r = nullptr;
        EXPECT_NE(vdl_query(handle_.get(), query, &r), VDL_OK) << query;
        EXPECT_EQ(r, nullptr);
    }
}

TEST_F(language_test, identifiers_may_be_quoted_or_begin_with_a_dollar) {
    ok("CREATE TABLE \"odd \"\"name\"\"\" ($level INT64, \"with space\" STRING)");
    ok("INSERT INTO \"odd \"\"name\"\"\" ($level, \"with space\") VALUES (3, 'x')");
    auto r = ok("SELECT $level, \"with space\", $level * 2 FROM \"odd \"\"name\"\"\"");
    EXPECT_EQ(name_of(*r, 0), "$level");
    EXPECT_EQ(name_of(*r, 1), "with space");
    EXPECT_EQ(name_of(*r, 2), "$level * 2");
    EXPECT_EQ(r->rows[0][2].payload.as_int64, 6);
    EXPECT_EQ(fails("SELECT \"no such\" FROM \"odd \"\"name\"\"\""), VDL_E_NO_COLUMN)
        << "a double-quoted name is never taken as a string";
}

}  // namespace
}  // namespace support
