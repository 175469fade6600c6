// The texts the ODBC driver generates: the completed INSERT, positioned UPDATE and DELETE,
// the catalog's table list, and literals rendered from bound parameters.
#include "vdl_store_test.hpp"

namespace support {
namespace {

class driver_statements_test : public store_test {
protected:
    void SetUp() override {
        store_test::SetUp();
        ok("CREATE TABLE t (a INT64, b STRING, sym STRING, price DOUBLE)");
    }
};

TEST_F(driver_statements_test, insert_with_the_added_time_column_stores_nanoseconds) {
    EXPECT_EQ(ok("INSERT INTO t (a, b, $timestamp) VALUES (1, 'x', 2000);"), nullptr);
    auto r = ok("SELECT $timestamp, a, b FROM t");
    ASSERT_EQ(r->row_count, 1u);
    EXPECT_EQ(r->rows[0][0].payload.as_timestamp.seconds, 0);
    EXPECT_EQ(r->rows[0][0].payload.as_timestamp.nanoseconds, 2000);
    EXPECT_EQ(text_of(r->rows[0][2]), "x");
}

TEST_F(driver_statements_test, positioned_update_matches_the_row_by_its_values) {
    ok("INSERT INTO t ($timestamp, sym, price) VALUES (1, 'ibm', 10.5), (2, 'ibm', 12), (3, 'aapl', 10.5)");
    ok("UPDATE t SET price=11.25 WHERE sym='ibm' AND price=10.5 ;");
    EXPECT_EQ(single("SELECT price FROM t WHERE $timestamp = 1").payload.as_double, 11.25);
    ok("UPDATE t SET price=13.000000 WHERE sym='ibm' AND price=12.000000 ;");
    EXPECT_EQ(single("SELECT price FROM t WHERE $timestamp = 2").payload.as_double, 13.0);
    EXPECT_EQ(single("SELECT price FROM t WHERE $timestamp = 3").payload.as_double, 10.5);
}

TEST_F(driver_statements_test, positioned_delete_by_timestamp_removes_exactly_that_row) {
    ok("INSERT INTO t ($timestamp, a) VALUES (2021-03-04T05:06:07.000000122Z, 1), "
       "(2021-03-04T05:06:07.000000123Z, 2), (2021-03-04T05:06:07.000000124Z, 3)");
    ok("DELETE FROM t WHERE $timestamp=DATETIME(2021-03-04T05:06:07.000000123Z) ;");
    auto r = ok("SELECT a FROM t ORDER BY $timestamp");
    ASSERT_EQ(r->row_count, 2u);
    EXPECT_EQ(r->rows[0][0].payload.as_int64, 1);
    EXPECT_EQ(r->rows[1][0].payload.as_int64, 3);
}

TEST_F(driver_statements_test, catalog_and_limited_queries) {
    ok("CREATE TABLE u (x INT64)");
    auto tables = ok("show tables;");
    ASSERT_EQ(tables->row_count, 2u);
    EXPECT_EQ(text_of(tables->rows[0][0]), "t");
    ok("INSERT INTO t (a) VALUES (1), (2), (3)");
    EXPECT_EQ(ok("select a from t LIMIT 2;")->row_count, 2u);
    EXPECT_EQ(ok("select a from t LIMIT 100")->row_count, 3u);
}

TEST_F(driver_statements_test, rendered_parameter_literals_are_understood) {
    // Timestamp parameters render unquoted without a fraction; text parameters of a
    // select render unquoted, which names a column.
    ok("INSERT INTO t ($timestamp, a) VALUES (2021-03-04T05:06:07, 1)");
    EXPECT_EQ(single("SELECT count(*) FROM t WHERE $timestamp = 2021-03-04T05:06:07").payload.as_count, 1u);
    EXPECT_EQ(fails("SELECT a FROM t WHERE b = abc"), VDL_E_NO_COLUMN);
    EXPECT_NE(std::string(vdl_error(VDL_E_NO_COLUMN)).find("abc"), std::string::npos);
    // A time of day renders with day 0, which is no date: refused, not shifted to another day.
    EXPECT_EQ(fails("UPDATE t SET a=2 WHERE $timestamp=DATETIME(1900-01-00T05:06:07)"), VDL_E_SYNTAX);
    EXPECT_NE(std::string(vdl_error(VDL_E_SYNTAX)).find("day 0"), std::string::npos) << vdl_error(VDL_E_SYNTAX);
}

}  // namespace
}  // namespace support
