// Measures how long a query takes through vdl_query, from the call to the finished
// result record, next to the engine alone stepping the same rows and reading every
// value without copying it (the floor any client of the store pays).
//
//   vdl_bench_query STORE_PATH [QUERY] [RUNS]    defaults: "SELECT * FROM trades", 5 runs
//
// Make a store first, e.g.  vdlsh file:/tmp/bench.db --sample 1000000
#include "vdl_api.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double milliseconds(clock_type::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct handle_closer {
    void operator()(vdl_handle* h) const noexcept { vdl_close(h); }
};
struct database_closer {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct statement_finalizer {
    void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
};

void summary(std::string_view what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    fmt::print("{:<40} best {:7.1f} ms, median {:7.1f} ms over {} runs\n", what, times.front(),
               times[times.size() / 2], times.size());
}

// Steps the query and touches every value as the engine hands it out; returns the row count.
long engine_only(sqlite3* db, const std::string& query) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &raw, nullptr) != SQLITE_OK) return -1;
    std::unique_ptr<sqlite3_stmt, statement_finalizer> statement(raw);
    const int columns = sqlite3_column_count(raw);
    long rows = 0;
    std::size_t checksum = 0;
    while (sqlite3_step(raw) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(raw, c)) {
            case SQLITE_INTEGER: checksum += static_cast<std::size_t>(sqlite3_column_int64(raw, c)); break;
            case SQLITE_FLOAT: checksum += static_cast<std::size_t>(sqlite3_column_double(raw, c)); break;
            case SQLITE_TEXT:
            case SQLITE_BLOB:
                checksum += reinterpret_cast<std::uintptr_t>(sqlite3_column_blob(raw, c)) +
                            static_cast<std::size_t>(sqlite3_column_bytes(raw, c));
                break;
            default: break;
            }
        }
    }
    return checksum == 1 ? -2 : rows; // keeps the reads from being optimised away
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fmt::print(stderr, "usage: vdl_bench_query STORE_PATH [QUERY] [RUNS]\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string query = argc > 2 ? argv[2] : "SELECT * FROM trades";
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

    std::unique_ptr<vdl_handle, handle_closer> handle(vdl_open_tcp());
    if (!handle) return 1;
    if (const auto rc = vdl_connect(handle.get(), ("file:" + path).c_str()); rc != VDL_OK) {
        fmt::print(stderr, "connect failed: {}\n", vdl_error(rc));
        return 1;
    }
    sqlite3* raw_db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &raw_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return 1;
    std::unique_ptr<sqlite3, database_closer> db(raw_db);

    std::vector<double> query_times;
    std::vector<double> release_times;
    std::vector<double> engine_times;
    std::uint32_t rows = 0;
    std::uint32_t columns = 0;
    for (int run = 0; run < runs; ++run) {
        vdl_result* result = nullptr;
        const auto start = clock_type::now();
        const auto rc = vdl_query(handle.get(), query.c_str(), &result);
        const auto queried = clock_type::now();
        if (rc != VDL_OK) {
            fmt::print(stderr, "query failed: {}\n", vdl_error(rc));
            return 1;
        }
        rows = result != nullptr ? result->row_count : 0;
        columns = result != nullptr ? result->column_count : 0;
        vdl_release(handle.get(), result);
        const auto released = clock_type::now();
        query_times.push_back(milliseconds(queried - start));
        release_times.push_back(milliseconds(released - queried));

        const auto engine_start = clock_type::now();
        if (engine_only(db.get(), query) != static_cast<long>(rows)) {
            fmt::print(stderr, "the engine gave another row count\n");
            return 1;
        }
        engine_times.push_back(milliseconds(clock_type::now() - engine_start));
    }
    fmt::print("{}: {} rows x {} columns\n", query, rows, columns);
    summary("vdl_query (complete result record)", query_times);
    summary("vdl_release", release_times);
    summary("engine alone (step + read, no copy)", engine_times);
    return 0;
}
