// The floor: what any reader of the store pays, SQLite stepping the rows itself and reading every
// column by its storage class, with no library or driver in between. Prints the same line as
// vdl_odbc_bench:
//
//   vdl_floor_bench STORE_PATH SCENARIO QUERY [COUNT]
//
// Scenarios: scan (QUERY stepped to its end), point (COUNT texts, QUERY with "{}" replaced by a
// row's timestamp, each prepared and stepped), prepared (QUERY with one "?" prepared once, bound
// and stepped COUNT times).
#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "bench_rows.hpp"

namespace {

struct database_closer {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct statement_finalizer {
    void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
};
using statement_ptr = std::unique_ptr<sqlite3_stmt, statement_finalizer>;

std::uint64_t checksum = 0;

[[noreturn]] void fail(sqlite3* db, std::string_view what) {
    fmt::print(stderr, "{} failed: {}\n", what, sqlite3_errmsg(db));
    std::exit(1);
}

statement_ptr prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK)
        fail(db, "prepare");
    return statement_ptr(raw);
}

// Steps the statement to its end reading every column; returns the rows.
std::uint64_t step_all(sqlite3* db, sqlite3_stmt* statement) {
    const int columns = sqlite3_column_count(statement);
    std::uint64_t rows = 0;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_INTEGER: checksum += static_cast<std::uint64_t>(sqlite3_column_int64(statement, c)); break;
            case SQLITE_FLOAT: checksum += static_cast<std::uint64_t>(sqlite3_column_double(statement, c)); break;
            case SQLITE_TEXT:
                checksum +=
                    *sqlite3_column_text(statement, c) + static_cast<std::uint64_t>(sqlite3_column_bytes(statement, c));
                break;
            case SQLITE_BLOB:
                checksum += reinterpret_cast<std::uintptr_t>(sqlite3_column_blob(statement, c)) +
                            static_cast<std::uint64_t>(sqlite3_column_bytes(statement, c));
                break;
            default: break;
            }
        }
    }
    if (rc != SQLITE_DONE) fail(db, "step");
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fmt::print(stderr, "usage: vdl_floor_bench STORE_PATH scan|point|prepared QUERY [COUNT]\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string_view scenario = argv[2];
    const std::string query = argv[3];
    const std::uint64_t count = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 20'000;

    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) fail(raw, "open");
    std::unique_ptr<sqlite3, database_closer> db(raw);

    const auto start = std::chrono::steady_clock::now();
    std::uint64_t rows = 0;
    if (scenario == "scan") {
        rows = step_all(db.get(), prepare(db.get(), query).get());
    } else if (scenario == "point") {
        for (std::uint64_t i = 0; i < count; ++i)
            rows += step_all(db.get(),
                             prepare(db.get(), fmt::format(fmt::runtime(query), bench::point_timestamp(i))).get());
    } else if (scenario == "prepared") {
        auto statement = prepare(db.get(), query);
        for (std::uint64_t i = 0; i < count; ++i) {
            sqlite3_bind_int64(statement.get(), 1, bench::point_timestamp(i));
            rows += step_all(db.get(), statement.get());
            sqlite3_reset(statement.get());
        }
    } else {
        fmt::print(stderr, "unknown scenario {}\n", scenario);
        return 2;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fmt::print("rows={} seconds={:.6f} checksum={}\n", rows, seconds, checksum % 1000);
    return 0;
}
