// Queries read by several readers: which texts may be split, and that a split read gives exactly
// the rows, in the order, that one reader gives.
#include "records.hpp"
#include "sample_data.hpp"
#include "session.hpp"
#include "split_scan.hpp"
#include "vdl_api.h"

#include <gtest/gtest.h>

#include "files.hpp"

#include <fmt/format.h>

#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

namespace vdl {
namespace {

struct split_case {
    std::string_view sql;
    bool splits;
};

void PrintTo(const split_case& c, std::ostream* out) { *out << c.sql; }

class split_text : public ::testing::TestWithParam<split_case> {};

TEST_P(split_text, is_split_only_when_readers_cannot_change_the_answer) {
    EXPECT_EQ(plan_split(GetParam().sql).has_value(), GetParam().splits) << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(
    texts, split_text,
    ::testing::Values(split_case{"SELECT * FROM trades", true}, split_case{"SELECT * FROM trades;", true},
                      split_case{R"(SELECT "$timestamp", sym FROM "trades" WHERE price > ?1)", true},
                      split_case{"select a, b * 2 from t where s = 'order by' or (a < ?1 and b > ?2)", true},
                      split_case{"SELECT CASE WHEN a > 1 THEN a ELSE b END FROM t", true},
                      split_case{"SELECT * FROM t ORDER BY a", false}, split_case{"SELECT * FROM t LIMIT 5", false},
                      split_case{"SELECT count(*) FROM t", false}, split_case{"SELECT max(a) FROM t", false},
                      split_case{"SELECT a FROM t GROUP BY a", false}, split_case{"SELECT DISTINCT a FROM t", false},
                      split_case{"SELECT * FROM t, u", false}, split_case{"SELECT * FROM t JOIN u ON t.a = u.a", false},
                      split_case{"SELECT * FROM t AS x", false}, split_case{"SELECT * FROM main.t", false},
                      split_case{"SELECT a FROM t UNION SELECT a FROM u", false},
                      split_case{"SELECT * FROM t WHERE a IN (SELECT a FROM u)", false},
                      split_case{"SELECT (SELECT 1) FROM t", false}, split_case{"SELECT 1", false},
                      split_case{"WITH x AS (SELECT 1) SELECT * FROM x", false},
                      split_case{"SELECT * FROM t WHERE", false}, split_case{"SELECT * FROM t WHERE s = 'open", false},
                      split_case{"INSERT INTO t VALUES (1)", false}));

TEST(split_text, piece_restricts_the_rows_to_a_rowid_range_in_rowid_order) {
    const auto plain = plan_split("SELECT * FROM t");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->piece(1), "SELECT * FROM t\nWHERE _rowid_ BETWEEN ?1 AND ?2 ORDER BY _rowid_");
    const auto filtered = plan_split("SELECT a FROM t WHERE a > ?1 -- big ones");
    ASSERT_TRUE(filtered);
    EXPECT_EQ(filtered->piece(2),
              "SELECT a FROM t WHERE (a > ?1 -- big ones\n) AND _rowid_ BETWEEN ?2 AND ?3 ORDER BY _rowid_");
}

// Two handles on one store file: one reads alone, the other with two readers.
class parallel_read : public ::testing::Test {
protected:
    void SetUp() override {
        const auto uri = "file:" + (dir_.path() / "store.db").string();
        ASSERT_TRUE(split_.set_max_parallelism(2));
        ASSERT_TRUE(alone_.connect(uri));
        ASSERT_TRUE(split_.connect(uri));
    }
    void run(std::string_view text) {
        auto done = alone_.query(text);
        ASSERT_TRUE(done) << text << ": " << done.error().detail;
    }

    // The same query on both handles gives the same record, cell for cell.
    void expect_same_answer(std::string_view text) {
        SCOPED_TRACE(text);
        auto one = alone_.query(text);
        auto two = split_.query(text);
        ASSERT_TRUE(one) << one.error().detail;
        ASSERT_TRUE(two) << two.error().detail;
        const auto& a = *static_cast<const vdl_result*>(one->record);
        const auto& b = *static_cast<const vdl_result*>(two->record);
        ASSERT_EQ(a.row_count, b.row_count);
        ASSERT_EQ(a.column_count, b.column_count);
        for (std::uint32_t c = 0; c < a.column_count; ++c)
            EXPECT_EQ(std::string_view(a.names[c].data, a.names[c].length),
                      std::string_view(b.names[c].data, b.names[c].length));
        for (std::uint32_t r = 0; r < a.row_count; ++r)
            for (std::uint32_t c = 0; c < a.column_count; ++c)
                ASSERT_TRUE(same_cell(a.rows[r][c], b.rows[r][c])) << "row " << r << " column " << c;
    }

    static bool same_cell(const vdl_cell& x, const vdl_cell& y) {
        if (x.kind != y.kind) return false;
        switch (x.kind) {
        case VDL_CELL_STRING:
        case VDL_CELL_BLOB:
            return std::string_view(x.payload.as_string.data, x.payload.as_string.length) ==
                   std::string_view(y.payload.as_string.data, y.payload.as_string.length);
        case VDL_CELL_NULL: return true;
        default: return std::memcmp(&x.payload, &y.payload, sizeof x.payload) == 0;
        }
    }

    support::temp_dir dir_;
    session alone_;
    session split_;
};

TEST_F(parallel_read, sample_store_reads_the_same_row_for_row) {
    ASSERT_TRUE(vdlsh::create_samples(alone_, 70'000, nullptr));
    for (const auto* text :
         {"SELECT * FROM trades", "SELECT sym, price, volume FROM trades WHERE volume > 5000",
          "SELECT * FROM trades WHERE sym = 'ibm' OR price IS NULL", "SELECT * FROM sensors",
          "SELECT * FROM trades ORDER BY price DESC LIMIT 50", "SELECT sym, count(*) FROM trades GROUP BY sym"})
        expect_same_answer(text);
}

TEST_F(parallel_read, deleted_rows_nulls_and_mixed_kinds_read_the_same_row_for_row) {
    run("CREATE TABLE u (n INT64, x DOUBLE, s STRING)");
    for (int first = 0; first < 90'000; first += 5'000) {
        std::string insert = "INSERT INTO u ($timestamp, n, x, s) VALUES ";
        for (int i = first; i < first + 5'000; ++i)
            insert += fmt::format(
                "{}({}, {}, {}, {})", i > first ? ", " : "", i, i % 11 == 0 ? "NULL" : fmt::format("{}", i),
                i % 13 == 0 ? "NULL" : fmt::format("{}.5", i), i % 17 == 0 ? "NULL" : fmt::format("'s{}'", i % 29));
        run(insert);
    }
    run("DELETE FROM u WHERE n % 7 = 3 OR (n >= 20000 AND n < 52000)");
    for (const auto* text : {"SELECT * FROM u", "SELECT s, n FROM u WHERE x > 1000 AND s IS NOT NULL",
                             // Integers in the first rows, reals later: one reader's part holds no real at all.
                             "SELECT n, CASE WHEN n < 60000 THEN n ELSE x END AS m FROM u",
                             // Texts among numbers: the numbers become text in every part.
                             "SELECT CASE WHEN n < 80000 THEN n ELSE s END AS m FROM u", "SELECT * FROM u WHERE n < 0"})
        expect_same_answer(text);
}

}  // namespace
}  // namespace vdl
