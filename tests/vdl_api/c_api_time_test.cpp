// The query language's functions on timestamps, its typed literals, and quoted texts read as
// timestamps where they meet the time column or another TIMESTAMP column.
#include "vdl_store_test.hpp"

#include <chrono>
#include <cstdint>
#include <string>

namespace support {
namespace {

using namespace std::chrono;
using time_test = store_test;

std::int64_t nanos(sys_time<nanoseconds> t) { return t.time_since_epoch().count(); }

std::int64_t stamp_of(const vdl_cell& cell) {
    EXPECT_EQ(cell.kind, VDL_CELL_TIMESTAMP);
    return cell.payload.as_timestamp.seconds * 1'000'000'000 + cell.payload.as_timestamp.nanoseconds;
}

TEST_F(time_test, fields_of_a_timestamp) {
    // 2024-02-29T23:59:58.5Z, a Thursday in a leap year; and 2023-01-01, a Sunday.
    const sys_time<nanoseconds> t =
        sys_days{year{2024} / February / 29} + hours{23} + minutes{59} + seconds{58} + milliseconds{500};
    const std::string at = std::to_string(nanos(t));
    struct {
        std::string expression;
        std::int64_t expected;
    } cases[] = {
        {"year(" + at + ")", 2024},
        {"month(" + at + ")", 2},
        {"day(" + at + ")", 29},
        {"hour(" + at + ")", 23},
        {"minute(" + at + ")", 59},
        {"second(" + at + ")", 58},
        {"quarter(" + at + ")", 1},
        {"dayofyear(" + at + ")", 31 + 29},
        {"dayofweek(" + at + ")", 5},
        {"week(" + at + ")", 9},
        {"week(DATE '2023-01-01')", 1},
        {"week(DATE '2023-01-07')", 1},
        {"week(DATE '2023-01-08')", 2},
        {"dayofweek(DATE '2023-01-01')", 1},
        {"year('2021-03-04 05:06:07')", 2021},
        {"timestamp_diff('day', DATE '2024-02-28', " + at + ")", 1},
        {"timestamp_diff('month', DATE '2024-03-31', DATE '2024-02-29')", -1},
        {"timestamp_diff('year', DATE '2020-02-29', DATE '2024-02-28')", 3},
        {"timestamp_diff('nanosecond', DATE '2024-01-01', DATE '2024-01-01') + 0", 0},
        {"round_to(-1250, -2)", -1300},
        {"round_to(149, -2)", 100},
    };
    for (const auto& c : cases) {
        const auto cell = single("SELECT " + c.expression);
        EXPECT_EQ(cell.kind, VDL_CELL_INT64) << c.expression;
        EXPECT_EQ(cell.payload.as_int64, c.expected) << c.expression;
    }
    EXPECT_EQ(single("SELECT year(NULL)").kind, VDL_CELL_NULL);
    const auto names = ok("SELECT dayname(" + at + ") || ' ' || monthname(" + at + ")");
    ASSERT_EQ(names->row_count, 1u);
    EXPECT_EQ(text_of(names->rows[0][0]), "Thursday February");
}

TEST_F(time_test, truncation_and_addition_give_timestamps) {
    const sys_time<nanoseconds> t = sys_days{year{2024} / February / 29} + hours{13} + minutes{7};
    const std::string at = std::to_string(nanos(t));
    EXPECT_EQ(stamp_of(single("SELECT date_trunc('month', " + at + ")")), nanos(sys_days{year{2024} / February / 1}));
    EXPECT_EQ(stamp_of(single("SELECT date_trunc('quarter', " + at + ")")), nanos(sys_days{year{2024} / January / 1}));
    EXPECT_EQ(stamp_of(single("SELECT date_trunc('hour', " + at + ")")), nanos(t - minutes{7}));
    EXPECT_EQ(stamp_of(single("SELECT date_trunc('week', " + at + ")")), nanos(sys_days{year{2024} / February / 25}));
    EXPECT_EQ(stamp_of(single("SELECT timestamp_add('year', 1, " + at + ")")),
              nanos(sys_days{year{2025} / February / 28} + hours{13} + minutes{7}));
    EXPECT_EQ(stamp_of(single("SELECT timestamp_add('minute', -7, " + at + ")")), nanos(t - minutes{7}));
    EXPECT_EQ(fails("SELECT date_trunc('fortnight', 0)"), VDL_E_QUERY);
    EXPECT_EQ(fails("SELECT year('soon')"), VDL_E_QUERY);
    EXPECT_EQ(fails("SELECT timestamp_add('day', 1000000000, 0)"), VDL_E_QUERY);
}

TEST_F(time_test, group_by_month_of_the_time_column) {
    ok("CREATE TABLE m (v INT64)");
    ok("INSERT INTO m ($timestamp, v) VALUES (2021-01-05T00:00:00Z, 1), (2021-01-31T23:59:59Z, 2), "
       "(2021-02-01T00:00:00Z, 3), (2022-02-10T00:00:00Z, 4)");
    auto r = ok("SELECT year($timestamp) AS y, month($timestamp) AS mo, sum(v) FROM m GROUP BY y, mo ORDER BY y, mo");
    ASSERT_EQ(r->row_count, 3u);
    EXPECT_EQ(r->rows[0][2].payload.as_int64, 3);
    EXPECT_EQ(r->rows[1][2].payload.as_int64, 3);
    EXPECT_EQ(r->rows[2][2].payload.as_int64, 4);
    auto buckets = ok("SELECT date_trunc('month', $timestamp) AS b, count(*) FROM m GROUP BY b ORDER BY b");
    ASSERT_EQ(buckets->row_count, 3u);
    EXPECT_EQ(stamp_of(buckets->rows[1][0]), nanos(sys_days{year{2021} / February / 1}));
}

TEST_F(time_test, typed_literals_and_texts_meeting_the_time_column) {
    EXPECT_EQ(stamp_of(single("SELECT TIMESTAMP '2021-03-04 05:06:07.5'")),
              nanos(sys_days{year{2021} / March / 4} + hours{5} + minutes{6} + seconds{7} + milliseconds{500}));
    EXPECT_EQ(stamp_of(single("SELECT DATE '2021-03-04'")), nanos(sys_days{year{2021} / March / 4}));
    const auto noon = stamp_of(single("SELECT TIME '12:00:00'"));
    EXPECT_EQ(noon % (86'400LL * 1'000'000'000), 12LL * 3'600 * 1'000'000'000);
    EXPECT_EQ(fails("SELECT DATE '2021-02-30'"), VDL_E_TYPE);
    EXPECT_EQ(fails("SELECT TIME '25:00:00'"), VDL_E_TYPE);
    EXPECT_EQ(fails("SELECT TIMESTAMP 'now'"), VDL_E_TYPE);

    ok("CREATE TABLE e (v INT64)");
    ok("INSERT INTO e ($timestamp, v) VALUES ('2021-01-01 00:00:00', 1), ('2021-01-01T00:20:00Z', 2), "
       "('2021-01-02', 3)");
    EXPECT_EQ(single("SELECT count(*) FROM e WHERE $timestamp >= '2021-01-01 00:20:00'").payload.as_count, 2u);
    EXPECT_EQ(single("SELECT count(*) FROM e WHERE '2021-01-01 00:20:00' > e.$timestamp").payload.as_count, 1u);
    EXPECT_EQ(single("SELECT count(*) FROM e WHERE $timestamp NOT BETWEEN '2021-01-01' AND '2021-01-01 00:10:00'")
                  .payload.as_count,
              2u);
    EXPECT_EQ(
        single("SELECT count(*) FROM e WHERE $timestamp IN ('2021-01-02', '2021-01-01 00:00:00')").payload.as_count,
        2u);
    ok("UPDATE e SET $timestamp = '2021-01-03 00:00:00' WHERE v = 3");
    EXPECT_EQ(single("SELECT v FROM e WHERE $timestamp = TIMESTAMP '2021-01-03 00:00:00'").payload.as_int64, 3);
    // A text that is no timestamp is refused, never compared as text.
    EXPECT_EQ(fails("SELECT count(*) FROM e WHERE $timestamp >= 'yesterday'"), VDL_E_TYPE);
    EXPECT_EQ(fails("INSERT INTO e (v, $timestamp) VALUES (4, 'tomorrow')"), VDL_E_TYPE);
}

TEST_F(time_test, a_cast_to_a_timestamp_type_gives_a_timestamp) {
    // The engine's own CAST reads '2021-03-04' as the number 2021 and leaves a timestamp's
    // nanoseconds as they are: a cast to DATE compared with a date would never match.
    const auto day = nanos(sys_days{year{2021} / March / 4});
    const auto at = nanos(sys_days{year{2021} / March / 4} + hours{5} + minutes{6} + seconds{7});
    const std::pair<std::string, std::int64_t> cases[] = {
        {"CAST('2021-03-04' AS TIMESTAMP)", day},
        {"cast('2021-03-04 05:06:07' as datetime)", at},
        {"CAST('2021-03-04T05:06:07Z' AS DATE)", day},
        {"CAST(" + std::to_string(at) + " AS DATE)", day},
        {"CAST(CAST('2021-03-04 05:06:07' AS TIMESTAMP) AS DATE)", day},
        {"CAST( 2021-03-04T05:06:07  AS  TIMESTAMP ) AS t", at},
        {"CAST(timestamp_add('hour', 5, DATE '2021-03-04') AS DATE)", day},
    };
    for (const auto& [expression, expected] : cases) {
        auto r = ok("SELECT " + expression);
        EXPECT_EQ(stamp_of(r->rows[0][0]), expected) << expression;
    }
    // A query of the same shape with another value is not answered with the first one's.
    EXPECT_EQ(stamp_of(single("SELECT CAST(" + std::to_string(at + 86'400'000'000'000) + " AS DATE)")),
              day + 86'400'000'000'000);

    ok("CREATE TABLE c (v INT64)");
    ok("INSERT INTO c ($timestamp, v) VALUES (2021-03-04T05:06:07Z, 1), (2021-03-05T00:00:00Z, 2)");
    EXPECT_EQ(single("SELECT v FROM c WHERE CAST($timestamp AS DATE) = DATE '2021-03-04'").payload.as_int64, 1);
    EXPECT_EQ(
        single("SELECT count(*) FROM c GROUP BY CAST(\"$timestamp\" AS DATE) ORDER BY 1 LIMIT 1").payload.as_count, 1u);
    // Other casts are the engine's; a text that is no timestamp is refused, not read as 0.
    EXPECT_EQ(single("SELECT CAST(2.9 AS INTEGER)").payload.as_int64, 2);
    auto text = ok("SELECT CAST(v AS TEXT) FROM c ORDER BY v LIMIT 1");
    EXPECT_EQ(text_of(text->rows[0][0]), "1");
    EXPECT_EQ(fails("SELECT CAST('soon' AS TIMESTAMP)"), VDL_E_QUERY);
}

// Texts meeting a TIMESTAMP column other than $timestamp: `ev.at` is a timestamp, `notes.at` a
// text, so the rule depends on which table a name belongs to.
class timestamp_column_test : public store_test {
protected:
    void SetUp() override {
        store_test::SetUp();
        ok("CREATE TABLE ev (at TIMESTAMP, label STRING, n INT64)");
        ok("INSERT INTO ev (at, label, n) VALUES ('2021-01-01 00:00:00', 'a', 1), ('2021-01-01T00:20:00Z', 'b', 2), "
           "(2021-01-02T00:00:00Z, 'c', 3)");
        ok("CREATE TABLE notes (at STRING, label STRING)");
        ok("INSERT INTO notes (at, label) VALUES ('2021-01-01 00:20:00', 'x')");
    }
    std::uint64_t count(const std::string& query) { return single(query).payload.as_count; }
};

TEST_F(timestamp_column_test, texts_are_read_as_timestamps_where_they_meet_one) {
    const struct {
        const char* query;
        std::uint64_t expected;
    } cases[] = {
        {"SELECT count(*) FROM ev WHERE at >= '2021-01-01 00:20:00'", 2},
        {"SELECT count(*) FROM ev WHERE '2021-01-01 00:20:00' > ev.at", 1},
        {"SELECT count(*) FROM ev AS e WHERE e.at <> '2021-01-02'", 2},
        {"SELECT count(*) FROM ev e WHERE at == '2021-01-01T00:20:00Z' AND n < 10", 1},
        {"SELECT count(*) FROM ev WHERE at BETWEEN '2021-01-01' AND '2021-01-01 00:20:00'", 2},
        {"SELECT count(*) FROM ev WHERE at NOT BETWEEN '2021-01-01' AND '2021-01-01 00:20:00'", 1},
        {"SELECT count(*) FROM ev WHERE at IN ('2021-01-02', '2021-01-01T00:00:00Z')", 2},
        {"SELECT count(*) FROM ev WHERE at NOT IN ('2021-01-02')", 2},
        {"SELECT count(*) FROM (SELECT at FROM ev) s WHERE s.at < '2021-01-02'", 2},
        {"WITH x AS (SELECT at FROM ev) SELECT count(*) FROM x WHERE at >= '2021-01-01 00:20:00'", 2},
        {"SELECT count(*) FROM EV WHERE \"AT\" >= '2021-01-01 00:20:00'", 2},
        // Qualified names resolve to their own table.
        {"SELECT count(*) FROM ev JOIN notes n ON n.at = '2021-01-01 00:20:00' WHERE ev.at = '2021-01-01 00:20:00'", 1},
        // A text column stays text, even where another named table has a timestamp column so named.
        {"SELECT count(*) FROM notes WHERE at = '2021-01-01 00:20:00'", 1},
        {"SELECT count(*) FROM notes WHERE at = '2021-01-01 00:20:00' AND EXISTS (SELECT 1 FROM ev)", 1},
        {"SELECT count(*) FROM notes WHERE at = 'not a time'", 0},
        {"SELECT count(*) FROM ev WHERE label = 'b'", 1},
        // A text compared with a text made from the column stays text.
        {"SELECT count(*) FROM ev WHERE label || at = 'b1609460400000000000'", 1},
        {"SELECT count(*) FROM ev WHERE '1609460400000000000b' = ev.at || label", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(count(c.query), c.expected) << c.query;

    ok("UPDATE ev SET at = '2021-02-01' WHERE n = 3");
    ok("INSERT INTO ev VALUES (2021-03-01T00:00:00Z, '2021-03-01 12:00:00', 'd', 4)");
    EXPECT_EQ(count("SELECT count(*) FROM ev WHERE at = TIMESTAMP '2021-02-01 00:00:00' AND n = 3"), 1u);
    EXPECT_EQ(count("SELECT count(*) FROM ev WHERE at = TIMESTAMP '2021-03-01 12:00:00' AND label = 'd'"), 1u);
}

TEST_F(timestamp_column_test, a_text_that_is_no_timestamp_is_refused_naming_the_column) {
    const char* refused[] = {
        "SELECT count(*) FROM ev WHERE at >= 'yesterday'",
        "SELECT count(*) FROM ev e WHERE 'later' < e.at",
        "SELECT count(*) FROM ev WHERE at BETWEEN '2021-01-01' AND 'soon'",
        "SELECT count(*) FROM ev WHERE at IN ('2021-01-01', 'b')",
        "UPDATE ev SET at = 'soon' WHERE n = 1",
        "INSERT INTO ev (label, at) VALUES ('e', 'never')",
        "INSERT INTO ev VALUES (1, 'never', 'e', 5)",
    };
    for (const char* query : refused) {
        EXPECT_EQ(fails(query), VDL_E_TYPE) << query;
        EXPECT_NE(std::string(vdl_error(VDL_E_TYPE)).find("is compared with or assigned to the timestamp column at"),
                  std::string::npos)
            << vdl_error(VDL_E_TYPE);
    }
    EXPECT_EQ(count("SELECT count(*) FROM ev"), 3u) << "nothing was written";
}

TEST_F(timestamp_column_test, a_kept_translation_follows_the_schema_of_the_time) {
    // The same texts, run again after the table is made anew with other types, here and by
    // another connection to the store: each is read by the types of the moment.
    const std::string equal = "SELECT count(*) FROM sw WHERE c = '2021-01-01'";
    const std::string shaped = "SELECT count(*) FROM sw WHERE c = '2021-01-01' AND n < 5";
    ok("CREATE TABLE sw (c TIMESTAMP, n INT64)");
    ok("INSERT INTO sw (c, n) VALUES ('2021-01-01', 1)");
    EXPECT_EQ(count(equal), 1u);
    EXPECT_EQ(count(shaped), 1u);
    ok("DROP TABLE sw");
    ok("CREATE TABLE sw (c STRING, n INT64)");
    ok("INSERT INTO sw (c, n) VALUES ('2021-01-01', 1)");
    const auto stored = ok("SELECT c FROM sw");
    ASSERT_EQ(stored->row_count, 1u);
    EXPECT_EQ(text_of(stored->rows[0][0]), "2021-01-01");
    EXPECT_EQ(count(equal), 1u);
    EXPECT_EQ(count(shaped), 1u);

    auto other = connect_to(uri());
    ok("DROP TABLE sw", other.get());
    ok("CREATE TABLE sw (c TIMESTAMP, n INT64)", other.get());
    ok("INSERT INTO sw (c, n) VALUES (2021-01-01T00:00:00Z, 1)", other.get());
    EXPECT_EQ(count(equal), 1u);
    EXPECT_EQ(count(shaped), 1u);
    EXPECT_EQ(fails("SELECT count(*) FROM sw WHERE c = 'x' AND n < 5"), VDL_E_TYPE);
}

}  // namespace
}  // namespace support
