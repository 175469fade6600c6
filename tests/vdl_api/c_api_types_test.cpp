// Values of every type travel into the store and back with their kinds and bits intact.
#include "vdl_store_test.hpp"

#include <chrono>
#include <cstring>

namespace support {
namespace {

class types_test : public store_test {
protected:
    void SetUp() override {
        store_test::SetUp();
        ok("CREATE TABLE v (d DOUBLE, i INT64, s STRING, b BLOB, t TIMESTAMP)");
    }
};

TEST_F(types_test, every_type_and_null_round_trips_with_its_kind) {
    ok("INSERT INTO v ($timestamp, d, i, s, b, t) VALUES (1, 1.5, -9223372036854775808, 'it''s', X'00FF00', 7), "
       "(2, NULL, NULL, NULL, NULL, NULL)");
    auto r = ok("SELECT $timestamp, d, i, s, b, t FROM v ORDER BY $timestamp");
    ASSERT_EQ(r->row_count, 2u);
    ASSERT_EQ(r->column_count, 6u);
    EXPECT_EQ(name_of(*r, 0), "$timestamp");
    const vdl_cell* row = r->rows[0];
    EXPECT_EQ(row[0].kind, VDL_CELL_TIMESTAMP);
    EXPECT_EQ(row[0].payload.as_timestamp.nanoseconds, 1);
    EXPECT_EQ(row[1].kind, VDL_CELL_DOUBLE);
    EXPECT_EQ(row[1].payload.as_double, 1.5);
    EXPECT_EQ(row[2].kind, VDL_CELL_INT64);
    EXPECT_EQ(row[2].payload.as_int64, INT64_MIN);
    EXPECT_EQ(text_of(row[3]), "it's");
    EXPECT_EQ(row[3].payload.as_string.data[4], '\0') << "strings are zero-terminated";
    ASSERT_EQ(row[4].kind, VDL_CELL_BLOB);
    ASSERT_EQ(row[4].payload.as_blob.length, 3u);
    EXPECT_EQ(std::memcmp(row[4].payload.as_blob.data, "\x00\xFF\x00", 3), 0);
    EXPECT_EQ(row[5].kind, VDL_CELL_TIMESTAMP);
    for (int c = 1; c < 6; ++c) EXPECT_EQ(r->rows[1][c].kind, VDL_CELL_NULL) << c;

    // Payload bytes beyond the value and the padding are zero.
    vdl_cell expected{};
    expected.kind = VDL_CELL_DOUBLE;
    expected.payload.as_double = 1.5;
    EXPECT_EQ(std::memcmp(&row[1], &expected, sizeof(vdl_cell)), 0);
}

TEST_F(types_test, a_column_of_mixed_values_keeps_to_one_kind) {
    // Readers take a column's kind from its first non-NULL cell and read every cell by it.
    ok("INSERT INTO v ($timestamp, d, i, s) VALUES (1, NULL, 5, NULL), (2, 2.5, NULL, 'x'), (3, -1.25, 7, 'y')");
    auto r = ok(
        "SELECT coalesce(d, -1), coalesce(s, i), CASE WHEN d < 0 THEN d ELSE s END, CASE WHEN d > 0 THEN d ELSE 0 END, "
        "coalesce(s, $timestamp), coalesce(i, 'none'), i FROM v ORDER BY $timestamp");
    ASSERT_EQ(r->row_count, 3u);
    for (std::uint32_t row = 0; row < 3; ++row) {
        EXPECT_EQ(r->rows[row][0].kind, VDL_CELL_DOUBLE) << row;
        EXPECT_EQ(r->rows[row][3].kind, VDL_CELL_DOUBLE) << row;
    }
    EXPECT_EQ(r->rows[0][6].kind, VDL_CELL_INT64) << "a column of one type keeps it";
    EXPECT_EQ(r->rows[2][6].kind, VDL_CELL_INT64) << "a column of one type keeps it";
    EXPECT_EQ(r->rows[0][0].payload.as_double, -1.0);
    EXPECT_EQ(r->rows[1][0].payload.as_double, 2.5);
    EXPECT_EQ(r->rows[2][3].payload.as_double, 0.0);
    EXPECT_EQ(text_of(r->rows[0][1]), "5");
    EXPECT_EQ(text_of(r->rows[1][1]), "x");
    EXPECT_EQ(r->rows[0][2].kind, VDL_CELL_NULL);
    EXPECT_EQ(text_of(r->rows[1][2]), "x");
    EXPECT_EQ(text_of(r->rows[2][2]), "-1.25");
    EXPECT_EQ(text_of(r->rows[0][4]), "1");
    EXPECT_EQ(text_of(r->rows[0][5]), "5");
    EXPECT_EQ(text_of(r->rows[1][5]), "none");
    EXPECT_EQ(r->rows[0][5].payload.as_string.data[1], '\0') << "converted texts are zero-terminated";
}

TEST_F(types_test, empty_values_keep_their_kind_and_a_valid_pointer) {
    ok("INSERT INTO v (s, b) VALUES ('', X'')");
    auto r = ok("SELECT s, b FROM v");
    EXPECT_EQ(text_of(r->rows[0][0]), "");
    EXPECT_NE(r->rows[0][0].payload.as_string.data, nullptr);
    EXPECT_EQ(r->rows[0][1].kind, VDL_CELL_BLOB);
    EXPECT_EQ(r->rows[0][1].payload.as_blob.length, 0u);
    EXPECT_NE(r->rows[0][1].payload.as_blob.data, nullptr);
}

TEST_F(types_test, text_written_to_a_blob_column_reads_back_as_blob) {
    ok("INSERT INTO v (b) VALUES ('raw')");
    const auto r = ok("SELECT b FROM v");  // the cell's bytes live as long as the result
    const vdl_cell& cell = r->rows[0][0];
    ASSERT_EQ(cell.kind, VDL_CELL_BLOB);
    EXPECT_EQ(std::string_view(static_cast<const char*>(cell.payload.as_blob.data), cell.payload.as_blob.length),
              "raw");
}

TEST_F(types_test, timestamps_keep_nanoseconds_on_both_sides_of_1970) {
    struct probe {
        const char* literal;
        std::int64_t seconds;
        std::int64_t nanoseconds;
    };
    const probe probes[] = {
        {"1969-12-31T23:59:59.999999999Z", -1, 999'999'999},
        {"1970-01-01T00:00:00.000000001Z", 0, 1},
        {"1900-02-28T12:00:00.5", -2'203'934'400, 500'000'000},
        {"2021-03-04T05:06:07.000000123Z", 1'614'834'367, 123},
        {"2262-04-11T23:47:16.854775807Z", 9'223'372'036, 854'775'807},
        {"1677-09-21T00:12:43.145224192Z", -9'223'372'037, 145'224'192},
    };
    for (const auto& p : probes) {
        ok(std::string("DELETE FROM v"));
        ok(std::string("INSERT INTO v ($timestamp, t) VALUES (") + p.literal + ", " + p.literal + ")");
        auto r = ok("SELECT $timestamp, t FROM v");
        for (int c = 0; c < 2; ++c) {
            const auto& cell = r->rows[0][c];
            EXPECT_EQ(cell.kind, VDL_CELL_TIMESTAMP) << p.literal;
            EXPECT_EQ(cell.payload.as_timestamp.seconds, p.seconds) << p.literal;
            EXPECT_EQ(cell.payload.as_timestamp.nanoseconds, p.nanoseconds) << p.literal;
        }
    }
    EXPECT_EQ(fails("INSERT INTO v (t) VALUES (2262-04-11T23:47:16.854775808Z)"), VDL_E_SYNTAX);
}

TEST_F(types_test, timestamp_literal_forms_denote_the_same_instants) {
    const std::pair<const char*, std::int64_t> forms[] = {
        {"2021-03-04", 1'614'816'000'000'000'000},
        {"2021-03-04T05:06:07", 1'614'834'367'000'000'000},
        {"2021-03-04T05:06:07Z", 1'614'834'367'000'000'000},
        {"2021-03-04T05:06:07.5", 1'614'834'367'500'000'000},
        {"2021-03-04T05:06:07.123456789Z", 1'614'834'367'123'456'789},
        {"DATETIME(2021-03-04T05:06:07.25Z)", 1'614'834'367'250'000'000},
        {"DATETIME('2021-03-04T05:06:07.25Z')", 1'614'834'367'250'000'000},
        {"DATETIME(1614834367250000000)", 1'614'834'367'250'000'000},
        {"-1", -1},
    };
    for (const auto& [form, nanoseconds] : forms) {
        ok("DELETE FROM v");
        ok(std::string("INSERT INTO v (t) VALUES (") + form + ")");
        EXPECT_EQ(single("SELECT i FROM (SELECT t + 0 AS i FROM v)").payload.as_int64, nanoseconds) << form;
        EXPECT_EQ(single(std::string("SELECT count(*) FROM v WHERE t = ") + form).payload.as_count, 1u) << form;
    }
}

TEST_F(types_test, now_and_the_default_time_are_the_current_time) {
    using namespace std::chrono;
    const auto before = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    ok("INSERT INTO v ($timestamp, t) VALUES (NOW(), NOW())");
    ok("INSERT INTO v (d) VALUES (1)");  // $timestamp left out
    const auto after = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    auto r = ok("SELECT $timestamp + 0 FROM v");
    ASSERT_EQ(r->row_count, 2u);
    for (std::uint32_t i = 0; i < 2; ++i) {
        EXPECT_GE(r->rows[i][0].payload.as_int64, before - 1'000'000) << i;  // the default has millisecond steps
        EXPECT_LE(r->rows[i][0].payload.as_int64, after) << i;
    }
}

TEST_F(types_test, sql_current_time_keywords_are_timestamps_of_now) {
    // The engine's CURRENT_DATE is the text '2026-12-10', which no timestamp equals or exceeds:
    // `$timestamp < CURRENT_DATE` would hold for every row, however recent.
    using namespace std::chrono;
    const auto now = [] { return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count(); };
    constexpr std::int64_t day = 86'400'000'000'000;
    ok("INSERT INTO v ($timestamp, d) VALUES (NOW(), 1), (2000-01-01, 2)");
    for (int run = 0; run < 2; ++run) {  // the second time from the kept translation
        const auto before = now();
        auto r = ok("SELECT CURRENT_TIMESTAMP, CURRENT_DATE, CURRENT_TIME, current_date AS d FROM v LIMIT 1");
        const auto after = now();
        for (int c = 0; c < 4; ++c) ASSERT_EQ(r->rows[0][c].kind, VDL_CELL_TIMESTAMP) << c;
        const auto stamp = [&](int c) {
            return r->rows[0][c].payload.as_timestamp.seconds * 1'000'000'000 +
                   r->rows[0][c].payload.as_timestamp.nanoseconds;
        };
        EXPECT_GE(stamp(0), before);
        EXPECT_LE(stamp(0), after);
        EXPECT_EQ(stamp(1), stamp(0) / day * day);
        EXPECT_EQ(stamp(2), stamp(0));
        EXPECT_EQ(stamp(3), stamp(1));
        EXPECT_EQ(name_of(*r, 1), "CURRENT_DATE");
    }
    EXPECT_EQ(single("SELECT d FROM v WHERE $timestamp < CURRENT_DATE").payload.as_double, 2.0);
    EXPECT_EQ(single("SELECT count(*) FROM v WHERE $timestamp <= CURRENT_TIMESTAMP").payload.as_count, 2u);
    EXPECT_EQ(fails("SELECT \"CURRENT_DATE\" FROM v"), VDL_E_NO_COLUMN);
}

TEST_F(types_test, values_of_the_wrong_type_are_refused_with_the_column_named) {
    const std::pair<const char*, const char*> refused[] = {
        {"INSERT INTO v (i) VALUES ('abc')", "column i holds INT64 values"},
        {"INSERT INTO v (i) VALUES (1.5)", "column i holds INT64 values"},
        {"INSERT INTO v (d) VALUES (X'00')", "column d holds DOUBLE values"},
        {"INSERT INTO v (t) VALUES ('noon')", "assigned to the timestamp column t but is not a timestamp"},
        {"INSERT INTO v (t) VALUES ('2021-03-04' || '')", "write timestamps unquoted"},
        {"INSERT INTO v (s) VALUES (X'41')", "column s holds STRING values"},
    };
    for (const auto& [query, text] : refused) {
        EXPECT_EQ(fails(query), VDL_E_TYPE) << query;
        EXPECT_NE(std::string(vdl_error(VDL_E_TYPE)).find(text), std::string::npos) << vdl_error(VDL_E_TYPE);
    }
    EXPECT_EQ(single("SELECT count(*) FROM v").payload.as_count, 0u);
    // Numbers in text form convert to numeric columns, numbers to text in STRING columns.
    ok("INSERT INTO v (i, d, s) VALUES ('12', '2.5', 7)");
    auto r = ok("SELECT i, d, s FROM v");
    EXPECT_EQ(r->rows[0][0].payload.as_int64, 12);
    EXPECT_EQ(r->rows[0][1].payload.as_double, 2.5);
    EXPECT_EQ(text_of(r->rows[0][2]), "7");
}

TEST_F(types_test, count_items_give_count_cells_and_other_aggregates_their_type) {
    ok("INSERT INTO v ($timestamp, i, d) VALUES (1, 1, 0.5), (2, 2, NULL), (3, NULL, 1.5)");
    auto r = ok("SELECT count(*), COUNT(d) n, count(*) + 1, sum(i), avg(d), max($timestamp), min(t) FROM v");
    const vdl_cell* row = r->rows[0];
    EXPECT_EQ(row[0].kind, VDL_CELL_COUNT);
    EXPECT_EQ(row[0].payload.as_count, 3u);
    EXPECT_EQ(row[1].kind, VDL_CELL_COUNT);
    EXPECT_EQ(row[1].payload.as_count, 2u);
    EXPECT_EQ(row[2].kind, VDL_CELL_INT64);
    EXPECT_EQ(row[3].kind, VDL_CELL_INT64);
    EXPECT_EQ(row[4].kind, VDL_CELL_DOUBLE);
    EXPECT_EQ(row[5].kind, VDL_CELL_TIMESTAMP);
    EXPECT_EQ(row[6].kind, VDL_CELL_NULL);
    EXPECT_EQ(name_of(*r, 5), "max($timestamp)");

    auto starred = ok("SELECT count(*), *, count(i) FROM v GROUP BY i ORDER BY i LIMIT 1");
    ASSERT_EQ(starred->column_count, 8u);
    EXPECT_EQ(starred->rows[0][0].kind, VDL_CELL_COUNT);
    EXPECT_EQ(starred->rows[0][7].kind, VDL_CELL_COUNT);
    EXPECT_EQ(starred->rows[0][1].kind, VDL_CELL_TIMESTAMP);
}

TEST_F(types_test, min_and_max_of_a_timestamp_column_are_timestamps_in_every_spelling) {
    // Tools quote and qualify every name they generate: MIN("v"."$timestamp") is the range of a
    // time axis, and must come back as a timestamp, as MIN($timestamp) does.
    ok("CREATE TABLE w (u TIMESTAMP, t INT64, k INT64)");
    ok("INSERT INTO v ($timestamp, d, i, t) VALUES (5, 0.5, 1, 50), (9, 1.5, 2, 90)");
    ok("INSERT INTO w ($timestamp, u, t, k) VALUES (7, 70, 3, 3)");
    const std::pair<const char*, std::int32_t> items[] = {
        {"max($timestamp)", VDL_CELL_TIMESTAMP},
        {"MIN(\"$timestamp\")", VDL_CELL_TIMESTAMP},
        {"max(v.$timestamp)", VDL_CELL_TIMESTAMP},
        {"MAX(\"v\".\"$timestamp\") AS \"last\"", VDL_CELL_TIMESTAMP},
        {"min(t)", VDL_CELL_TIMESTAMP},
        {"MIN(\"t\") first_t", VDL_CELL_TIMESTAMP},
        {"max(x.t)", VDL_CELL_TIMESTAMP},
        {"max(i)", VDL_CELL_INT64},
        {"min(d)", VDL_CELL_DOUBLE},
        {"max(t) + 1", VDL_CELL_INT64},
        {"max(t, 1)", VDL_CELL_INT64},
    };
    for (const auto& [item, kind] : items) {
        // A qualifier is the table's name, or its alias when it has one.
        const std::string_view text(item);
        const bool by_table = text.find("v.") != text.npos || text.find("\"v\".") != text.npos;
        const bool by_alias = text.find("x.") != text.npos;
        for (const char* from : {"v", "v x"}) {
            if ((by_table && std::string_view(from) != "v") || (by_alias && std::string_view(from) == "v")) continue;
            const std::string query = std::string("SELECT ") + item + " FROM " + from;
            auto r = ok(query);
            ASSERT_GE(r->row_count, 1u) << query;
            EXPECT_EQ(r->rows[0][0].kind, kind) << query;
        }
    }
    // A qualified name is the column of its table: w.t is no timestamp, v.t is.
    const char* joined_query = "SELECT max(u), max(w.t), min(v.t) FROM v JOIN w ON v.i < w.k";
    auto joined = ok(joined_query);
    EXPECT_EQ(joined->rows[0][0].kind, VDL_CELL_TIMESTAMP);
    EXPECT_EQ(joined->rows[0][0].payload.as_timestamp.nanoseconds, 70);
    EXPECT_EQ(joined->rows[0][1].kind, VDL_CELL_INT64);
    EXPECT_EQ(joined->rows[0][2].kind, VDL_CELL_TIMESTAMP);
    // The kind follows the schema when a table changes under a kept translation.
    ok("DROP TABLE w");
    ok("CREATE TABLE w (u INT64, t INT64, k INT64)");
    ok("INSERT INTO w ($timestamp, u, t, k) VALUES (7, 70, 3, 3)");
    EXPECT_EQ(ok(joined_query)->rows[0][0].kind, VDL_CELL_INT64);
}

// The kinds a result without rows tells for its columns: what tools learn from the probes they
// run before reading a query (WHERE 1=0, LIMIT 0), also around their user's query as a subquery.
TEST_F(types_test, a_result_without_rows_tells_the_kinds_of_its_aggregates) {
    ok("CREATE TABLE w (u TIMESTAMP, i DOUBLE, tag STRING)");
    const std::string items =
        "count(*), sum(i), sum(d), avg(i), total(i), min(d), max(s) AS top, min(\"t\"), max(v.b), min($timestamp), "
        "max(i) + 1, s, CAST(i AS BIGINT), CAST(d AS VARCHAR(10)), CAST(i AS DOUBLE PRECISION), CAST(s AS BLOB), "
        "CAST(d AS NUMERIC), d * 2, (i + v.i) % 3, i / 2.0, $timestamp - 1, -d, i * d, s || 'x', b + 1, 2 * 3";
    const std::vector<std::int32_t> expected = {
        VDL_CELL_COUNT,  VDL_CELL_INT64,     VDL_CELL_DOUBLE, VDL_CELL_DOUBLE,    VDL_CELL_DOUBLE, VDL_CELL_DOUBLE,
        VDL_CELL_STRING, VDL_CELL_TIMESTAMP, VDL_CELL_BLOB,   VDL_CELL_TIMESTAMP, VDL_CELL_NULL,   VDL_CELL_STRING,
        VDL_CELL_INT64,  VDL_CELL_STRING,    VDL_CELL_DOUBLE, VDL_CELL_BLOB,      VDL_CELL_NULL};
    const std::string inner = "SELECT " + items + " FROM v WHERE 1 = 0 GROUP BY s";
    const std::string queries[] = {
        inner,
        "SELECT " + items + " FROM v GROUP BY s LIMIT 0",
        "SELECT * FROM (" + inner + ") \"Custom SQL Query\"",
        "SELECT * FROM (SELECT " + items + " FROM v GROUP BY s) AS q WHERE 1 = 0",
        "SELECT * FROM (SELECT * FROM (SELECT " + items + " FROM v GROUP BY s) a) b LIMIT 0",
    };
    for (const auto& query : queries) {
        auto r = ok(query);
        ASSERT_EQ(r->row_count, 0u) << query;
        std::vector<std::int32_t> kinds(expected.size());
        ASSERT_EQ(vdl_result_column_kinds(r.get(), kinds.data(), static_cast<std::uint32_t>(kinds.size())), VDL_OK);
        EXPECT_EQ(kinds, expected) << query;
    }
    // Items a query reads from a derived table take the kinds of the items they read: the form tools
    // send around their user's query, grouped, filtered or not, also aggregating its columns.
    const std::string user_query =
        "SELECT s, max($timestamp) AS m, avg(i) AS \"a\", count(*) AS n, sum(d) sd, "
        "CAST(i AS DOUBLE) AS c, i * 2 AS x, d, CAST(s AS TEXT) AS 'tag' FROM v GROUP BY s";
    const std::string reads =
        "q.m, \"q\".\"a\" AS \"a\", N, sd AS total, c, x, q.d, max(q.m), min(q.n), sum(q.n), "
        "sum(sd), sum(q.x), sum(q.m), max(q.c), q.tag";
    const std::vector<std::int32_t> read_kinds = {
        VDL_CELL_TIMESTAMP, VDL_CELL_DOUBLE, VDL_CELL_COUNT,     VDL_CELL_DOUBLE, VDL_CELL_DOUBLE,
        VDL_CELL_INT64,     VDL_CELL_DOUBLE, VDL_CELL_TIMESTAMP, VDL_CELL_COUNT,  VDL_CELL_INT64,
        VDL_CELL_DOUBLE,    VDL_CELL_INT64,  VDL_CELL_INT64,     VDL_CELL_DOUBLE, VDL_CELL_STRING};
    for (const std::string& query : {
             "SELECT " + reads + " FROM (" + user_query + ") q WHERE 1 = 0 GROUP BY q.s",
             "SELECT " + reads + " FROM (" + user_query + ") AS q GROUP BY q.s LIMIT 0",
             "SELECT " + reads + " FROM (SELECT * FROM (" + user_query + ") r) q WHERE (1 = 0) GROUP BY s",
         }) {
        auto r = ok(query);
        ASSERT_EQ(r->row_count, 0u) << query;
        std::vector<std::int32_t> kinds(read_kinds.size());
        ASSERT_EQ(vdl_result_column_kinds(r.get(), kinds.data(), static_cast<std::uint32_t>(kinds.size())), VDL_OK);
        EXPECT_EQ(kinds, read_kinds) << query;
    }
    // A name of another table, or one the derived table has twice, reads no item of it.
    std::int32_t other[2] = {};
    auto joined_derived = ok("SELECT w.i, q.x FROM (SELECT i * 2 AS x, d AS x FROM v) q JOIN w ON 1 WHERE 1 = 0");
    ASSERT_EQ(vdl_result_column_kinds(joined_derived.get(), other, 2), VDL_OK);
    EXPECT_EQ(other[0], VDL_CELL_DOUBLE);
    EXPECT_NE(other[1], VDL_CELL_INT64);
    // A qualified name is its table's column: v.i is INT64, w.i DOUBLE.
    std::int32_t kinds[4] = {};
    auto joined = ok("SELECT max(v.i), max(w.i), max(u), min(tag) FROM v JOIN w ON v.d = w.i WHERE 1 = 0");
    ASSERT_EQ(vdl_result_column_kinds(joined.get(), kinds, 4), VDL_OK);
    EXPECT_EQ(kinds[0], VDL_CELL_INT64);
    EXPECT_EQ(kinds[1], VDL_CELL_DOUBLE);
    EXPECT_EQ(kinds[2], VDL_CELL_TIMESTAMP);
    EXPECT_EQ(kinds[3], VDL_CELL_STRING);
    // With rows, the cells are the values' own: an INT64 column's sum over no rows is NULL.
    ok("INSERT INTO v ($timestamp, i, d, s) VALUES (1, 2, 0.5, 'a')");
    auto summed = ok("SELECT sum(i), avg(i), max(s) FROM v");
    EXPECT_EQ(summed->rows[0][0].kind, VDL_CELL_INT64);
    EXPECT_EQ(summed->rows[0][1].kind, VDL_CELL_DOUBLE);
    EXPECT_EQ(text_of(summed->rows[0][2]), "a");
}

TEST_F(types_test, metadata_lists_columns_in_table_order_with_type_codes) {
    ok("CREATE TABLE late (price DOUBLE, $timestamp TIMESTAMP, tag STRING)");
    for (const char* table : {"v", "late"}) {
        vdl_metadata* raw = nullptr;
        ASSERT_EQ(vdl_ts_get_metadata(handle_.get(), table, &raw), VDL_OK);
        metadata_ptr meta(raw);
        ASSERT_GE(meta->column_count, 1u);
        EXPECT_STREQ(meta->columns[0].name, "$timestamp") << table;
        EXPECT_EQ(meta->columns[0].type, VDL_TYPE_TIMESTAMP);
        EXPECT_EQ(meta->columns[0].flags, VDL_COLUMN_TIME | VDL_COLUMN_NOT_NULL);
    }
    vdl_metadata* raw = nullptr;
    ASSERT_EQ(vdl_ts_get_metadata(handle_.get(), "v", &raw), VDL_OK);
    metadata_ptr meta(raw);
    ASSERT_EQ(meta->column_count, 6u);
    const std::pair<const char*, int> expected[] = {{"$timestamp", VDL_TYPE_TIMESTAMP},
                                                    {"d", VDL_TYPE_DOUBLE},
                                                    {"i", VDL_TYPE_INT64},
                                                    {"s", VDL_TYPE_STRING},
                                                    {"b", VDL_TYPE_BLOB},
                                                    {"t", VDL_TYPE_TIMESTAMP}};
    for (std::uint32_t c = 0; c < 6; ++c) {
        EXPECT_STREQ(meta->columns[c].name, expected[c].first);
        EXPECT_EQ(meta->columns[c].type, expected[c].second) << expected[c].first;
    }
    EXPECT_EQ(meta->columns[1].flags, 0u);

    vdl_metadata* none = reinterpret_cast<vdl_metadata*>(&raw);
    EXPECT_EQ(vdl_ts_get_metadata(handle_.get(), "nosuch", &none), VDL_E_NO_TABLE);
    EXPECT_EQ(none, nullptr);
    EXPECT_STREQ(vdl_error(VDL_E_NO_TABLE), "table does not exist: nosuch");
}

}  // namespace
}  // namespace support
