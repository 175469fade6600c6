// Compact result columns: values with validity bits, and the one pass that fills them from a
// library result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "statement/execution.hpp"
#include "statement/result_table.hpp"

namespace {

TEST(ColumnValues, ValidityBitsAcrossWordBoundaries) {
    column_values<std::int64_t> v(200);
    const std::vector<std::size_t> set{0, 63, 64, 127, 128, 199};
    for (auto r : set) v.set(r, static_cast<std::int64_t>(r) - 100);
    for (std::size_t r = 0; r < v.size(); ++r) {
        const bool expected = std::find(set.begin(), set.end(), r) != set.end();
        ASSERT_EQ(v.has_value(r), expected) << r;
        if (expected) {
            EXPECT_EQ(v.value(r), static_cast<std::int64_t>(r) - 100);
        }
        EXPECT_EQ(v[r].has_value(), expected);
    }
    EXPECT_THROW((void)v.at(200), std::out_of_range);
}

TEST(ColumnValues, SmallColumnsKeepTheirBitsThroughCopiesAndGrowth) {
    // Up to 64 rows the bits live in the column itself; beyond, in their own array.
    for (const std::size_t rows : {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{65}}) {
        column_values<double> v(rows);
        v.set(rows - 1, 2.5);
        v.set(0, 1.5);
        const column_values<double> copy = v;
        column_values<double> moved = std::move(v);
        for (const column_values<double>* c : std::vector<const column_values<double>*>{&copy, &moved}) {
            EXPECT_TRUE(c->has_value(0)) << rows;
            EXPECT_TRUE(c->has_value(rows - 1)) << rows;
            for (std::size_t r = 1; r + 1 < rows; ++r) ASSERT_FALSE(c->has_value(r)) << rows << " row " << r;
        }
        moved.emplace_back(9.0);  // a sized small column grown past its own word
        moved.emplace_back();
        EXPECT_TRUE(moved.has_value(rows));
        EXPECT_FALSE(moved.has_value(rows + 1));
        EXPECT_TRUE(moved.has_value(0));
        EXPECT_TRUE(moved.has_value(rows - 1));
    }
}

TEST(ColumnValues, AppendedCellsCompareWithOptionals) {
    column_values<std::string> v;
    for (int i = 0; i < 130; ++i) {
        if (i % 3 == 0) {
            v.emplace_back();
        } else {
            v.emplace_back(std::to_string(i));
        }
    }
    std::vector<std::optional<std::string>> expected;
    for (int i = 0; i < 130; ++i) expected.push_back(i % 3 == 0 ? std::nullopt : std::optional(std::to_string(i)));
    EXPECT_EQ(v, expected);
    EXPECT_EQ(std::vector<std::optional<std::string>>(v.begin(), v.end()), expected);
    expected[129] = "other";
    EXPECT_FALSE(v == expected);
    EXPECT_EQ((column_values<int>{1, std::nullopt, 3}), (std::vector<std::optional<int>>{1, {}, 3}));
}

TEST(ColumnValues, LargeColumnsAreWritableToTheirLastCell) {
    // Several MiB: the array comes from the allocator's path that maps its pages at once.
    constexpr std::size_t rows = 3'000'000;
    column_values<double> v(rows);
    v.set(rows - 1, 2.5);
    v.set(0, 1.5);
    EXPECT_EQ(v.value(rows - 1), 2.5);
    EXPECT_FALSE(v.has_value(rows - 2));
    column_values<double> moved = std::move(v);
    EXPECT_EQ(moved.value(0), 1.5);
}

// A library result made by hand: rows of cells as the client library lays them out.
struct hand_made_result {
    std::vector<vdl_cell> cells;
    std::vector<vdl_cell*> rows;
    std::vector<vdl_column_name> names;
    vdl_result result{};

    hand_made_result(std::uint32_t row_count, std::uint32_t column_count) : cells(row_count * column_count) {
        for (std::uint32_t r = 0; r < row_count; ++r) rows.push_back(&cells[r * column_count]);
        for (std::uint32_t c = 0; c < column_count; ++c) names.push_back({"c", 1});
        result = {names.data(), column_count, rows.data(), row_count};
        for (auto& cell : cells) cell.kind = VDL_CELL_NULL;
    }
    vdl_cell& at(std::uint32_t r, std::uint32_t c) { return rows[r][c]; }
};

TEST(ColumnValues, ColumnsAreReadInBlocksWithKindsFromTheirFirstValue) {
    constexpr std::uint32_t rows = 2100;  // more than two blocks
    hand_made_result h(rows, 4);
    for (std::uint32_t r = 0; r < rows; ++r) {
        // Column 0: integers, one double far into the third block, NULL every seventh row.
        if (r % 7 != 0) {
            h.at(r, 0).kind = VDL_CELL_INT64;
            h.at(r, 0).payload.as_int64 = r;
        }
        // Column 1: NULL until row 1030, then timestamps.
        if (r >= 1030) {
            h.at(r, 1).kind = VDL_CELL_TIMESTAMP;
            h.at(r, 1).payload.as_timestamp = {static_cast<std::int64_t>(r), 5};
        }
        // Column 2: counts and integers.
        h.at(r, 2).kind = r % 2 ? VDL_CELL_COUNT : VDL_CELL_INT64;
        if (r % 2) {
            h.at(r, 2).payload.as_count = 4000000000u;
        } else {
            h.at(r, 2).payload.as_int64 = -1;
        }
    }
    h.at(2050, 0).kind = VDL_CELL_DOUBLE;
    h.at(2050, 0).payload.as_double = 0.5;
    // Column 3 stays NULL everywhere.

    const auto columns = execution::build_columns(h.result, false);
    ASSERT_EQ(columns.size(), 4u);
    const auto* mixed = std::get_if<double_cells>(&columns[0].data);
    ASSERT_NE(mixed, nullptr) << "an integer column holding a double is read as doubles";
    const auto* times = std::get_if<timestamp_cells>(&columns[1].data);
    ASSERT_NE(times, nullptr);
    const auto* counts = std::get_if<bigint_cells>(&columns[2].data);
    ASSERT_NE(counts, nullptr);
    EXPECT_EQ(columns[3].data.index(), 0u);
    for (std::uint32_t r = 0; r < rows; ++r) {
        if (r == 2050) {
            EXPECT_EQ(mixed->values[r], 0.5);
        } else if (r % 7 == 0) {
            EXPECT_FALSE(mixed->values.has_value(r)) << r;
        } else {
            EXPECT_EQ(mixed->values[r], static_cast<double>(r)) << r;
        }
        if (r < 1030) {
            EXPECT_FALSE(times->values.has_value(r)) << r;
        } else {
            EXPECT_EQ(times->values[r], (timestamp_value{static_cast<std::int64_t>(r), 5})) << r;
        }
        EXPECT_EQ(counts->values[r], r % 2 ? std::int64_t{4000000000} : std::int64_t{-1}) << r;
    }
}

}  // namespace
