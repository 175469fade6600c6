// Numbers written in query text reach the store as exactly the values they denote, keep the
// meaning the engine gives them (integers under a minus sign, hexadecimal errors) and leave
// result columns named as the query wrote them.
#include "vdl_store_test.hpp"

#include <fmt/format.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace support {
namespace {

using numbers_test = store_test;

// A random finite double, every bit pattern as likely: all exponents, subnormals and signs.
double random_double(std::mt19937_64& random) {
    while (true) {
        const double value = std::bit_cast<double>(random());
        if (std::isfinite(value)) return value;
    }
}

TEST_F(numbers_test, every_shortest_decimal_reads_back_as_the_same_double) {
    ok("CREATE TABLE t (d DOUBLE)");
    constexpr std::size_t rows = 200'000;
    constexpr std::size_t rows_per_insert = 1000;
    std::mt19937_64 random(20240611);
    std::vector<double> written;
    written.reserve(rows);
    // Half of every bit pattern, half of the kind of values applications write: few digits, a
    // magnitude near 1.
    for (std::size_t i = 0; i < rows; ++i)
        written.push_back(i % 2 == 0 ? random_double(random)
                                     : static_cast<double>(static_cast<std::int64_t>(random() % 2'000'000'000'000) -
                                                           1'000'000'000'000) /
                                           std::pow(10.0, static_cast<double>(random() % 12)));
    for (std::size_t first = 0; first < rows; first += rows_per_insert) {
        std::string insert = "INSERT INTO t ($timestamp, d) VALUES ";
        for (std::size_t i = first; i < first + rows_per_insert; ++i)
            fmt::format_to(std::back_inserter(insert), "{}({}, {})", i == first ? "" : ", ", i, written[i]);
        ok(insert);
    }
    auto back = ok("SELECT d FROM t ORDER BY $timestamp");
    ASSERT_EQ(back->row_count, rows);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < rows; ++i) {
        const auto& cell = back->rows[i][0];
        ASSERT_EQ(cell.kind, VDL_CELL_DOUBLE) << i;
        if (std::bit_cast<std::uint64_t>(cell.payload.as_double) != std::bit_cast<std::uint64_t>(written[i])) {
            if (++differing <= 5)
                ADD_FAILURE() << fmt::format("{} came back as {}", written[i], cell.payload.as_double);
        }
    }
    EXPECT_EQ(differing, 0u);
}

TEST_F(numbers_test, a_value_the_engine_would_read_one_unit_off_is_found_by_its_literal) {
    ok("CREATE TABLE t (d DOUBLE, n INT64)");
    // The value and both its neighbours, each in its shortest form.
    const double value = 744111.278528928;
    ok(fmt::format("INSERT INTO t (d, n) VALUES ({}, 0), ({}, 1), ({}, 2), ({}, 3)", std::nextafter(value, 0.0), value,
                   std::nextafter(value, HUGE_VAL), -value));
    EXPECT_EQ(single("SELECT n FROM t WHERE d = 744111.278528928").payload.as_int64, 1);
    EXPECT_EQ(single("SELECT n FROM t WHERE d = -744111.278528928").payload.as_int64, 3);
    EXPECT_EQ(single("SELECT d FROM t WHERE n = 1").payload.as_double, 744111.278528928);
    EXPECT_EQ(single("SELECT 744111.278528928").payload.as_double, 744111.278528928);
    ok("UPDATE t SET d = 0.1 + 1e-9 WHERE d = 744111.278528928");
    EXPECT_EQ(single("SELECT d FROM t WHERE n = 1").payload.as_double, 0.1 + 1e-9);
}

TEST_F(numbers_test, integers_keep_their_rules) {
    const auto integer = [&](const char* query) {
        const auto cell = single(query);
        EXPECT_EQ(cell.kind, VDL_CELL_INT64) << query;
        return cell.payload.as_int64;
    };
    const auto real = [&](const char* query) {
        const auto cell = single(query);
        EXPECT_EQ(cell.kind, VDL_CELL_DOUBLE) << query;
        return cell.payload.as_double;
    };
    EXPECT_EQ(integer("SELECT -9223372036854775808"), INT64_MIN);
    EXPECT_EQ(real("SELECT 9223372036854775808"), 9223372036854775808.0);
    EXPECT_EQ(real("SELECT 123456789012345678901234567890"), 123456789012345678901234567890.0);
    EXPECT_EQ(integer("SELECT 0xFFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(integer("SELECT -0xFFFFFFFFFFFFFFFF"), 1);
    EXPECT_EQ(integer("SELECT 0x8000000000000000"), INT64_MIN);
    EXPECT_EQ(integer("SELECT 5-1969-12-31T23:59:59Z"), 1'000'000'005) << "no -- comment between the two";
    EXPECT_EQ(real("SELECT 1.0"), 1.0) << "a fraction makes a double";
    EXPECT_EQ(real("SELECT 1e999"), HUGE_VAL);
    EXPECT_EQ(real("SELECT 1e-400"), 0.0);
    for (const char* too_big : {"SELECT -0x8000000000000000", "SELECT 0x10000000000000000"}) {
        EXPECT_EQ(fails(too_big), VDL_E_QUERY) << too_big;
        EXPECT_NE(std::string(vdl_error(VDL_E_QUERY)).find("hex literal too big"), std::string::npos)
            << vdl_error(VDL_E_QUERY);
    }
}

TEST_F(numbers_test, result_columns_are_named_as_the_query_wrote_them) {
    ok("CREATE TABLE t (a INT64)");
    ok("INSERT INTO t ($timestamp, a) VALUES (1, 1)");
    auto r =
        ok("SELECT x * 2, 1.5, -1, CASE WHEN x > 0 THEN 'yes' END, x + 2 AS named, x + 3 plain, 'it?1', * "
           "FROM (SELECT a AS x, 2.5 + 1, a - 7 FROM t)");
    const std::vector<std::string> expected{
        "x * 2", "1.5", "-1", "CASE WHEN x > 0 THEN 'yes' END", "named", "plain", "'it?1'", "x", "2.5 + 1", "a - 7"};
    ASSERT_EQ(r->column_count, expected.size());
    for (std::uint32_t c = 0; c < r->column_count; ++c) EXPECT_EQ(name_of(*r, c), expected[c]) << c;
    EXPECT_EQ(name_of(*ok("SELECT max($timestamp) + 0, 2021-03-04, NOW() FROM t"), 0), "max($timestamp) + 0");
}

TEST_F(numbers_test, a_statement_holds_at_most_as_many_values_as_the_engine_binds) {
    std::string query = "SELECT 0 IN (";
    constexpr std::size_t count = 250'001;
    for (std::size_t i = 0; i < count; ++i) query += i == 0 ? "1" : ",1";
    query += ")";
    EXPECT_EQ(fails(query), VDL_E_QUERY);
    EXPECT_NE(std::string(vdl_error(VDL_E_QUERY)).find("the statement holds 250002 numbers and timestamps"),
              std::string::npos)
        << vdl_error(VDL_E_QUERY);
}

}  // namespace
}  // namespace support
