// Measures block fetching through the exports: a result of ROWS rows with an INT64 and two
// DOUBLE columns is read with SQLFetch in rowsets of ARRAY rows, column-wise bound as
// SQL_C_SBIGINT, SQL_C_DOUBLE and SQL_C_FLOAT, then once more with every column as SQL_C_CHAR and
// once with every column as SQL_C_WCHAR.
//
//   fetch_bench [ROWS] [ARRAY] [RUNS]        defaults: 1000000 rows, 1000, 3 runs
//
// The rows are written to an embedded store in a temporary directory first; the store is
// removed at the end. Execution (the query and the copy into the in-memory result) is timed
// apart from fetching.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "handle/variant_handle.hpp"
#include "vdl_api.h"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds(clock_type::duration d) { return std::chrono::duration<double>(d).count(); }

bool check(SQLRETURN rc, std::string_view what) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) return true;
    fmt::print(stderr, "{} failed: return code {}\n", what, rc);
    return false;
}

bool fill_store(vdl_handle* cluster, std::uint64_t rows) {
    vdl_result* none = nullptr;
    if (vdl_query(cluster, "CREATE TABLE bench (v INT64, x DOUBLE, y DOUBLE)", &none) != VDL_OK) return false;
    constexpr std::uint64_t per_statement = 1000;
    for (std::uint64_t first = 0; first < rows; first += per_statement) {
        std::string text = "INSERT INTO bench (v, x, y, $timestamp) VALUES ";
        const auto last = std::min(rows, first + per_statement);
        for (auto i = first; i < last; ++i) {
            fmt::format_to(std::back_inserter(text), "{}({}, {}, {}, {})", i == first ? "" : ", ", i * 7,
                           static_cast<double>(i) * 0.25, static_cast<double>(i % 1000) / 8.0, i + 1);
        }
        const auto rc = vdl_query(cluster, text.c_str(), &none);
        if (rc != VDL_OK) {
            fmt::print(stderr, "insert failed: {}\n", vdl_error(rc));
            return false;
        }
    }
    return true;
}

// The row array size and the rows-fetched pointer; set on the statement record directly when the
// attribute setter is not available in this build.
void set_block_cursor(SQLHSTMT stmt, SQLULEN rows, SQLULEN* fetched) {
    auto& record = *static_cast<variant_handle*>(stmt)->get_if<handle::statement>();
    if (SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0) != SQL_SUCCESS)
        record.row_array_size = rows;
    if (SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, fetched, 0) != SQL_SUCCESS) record.rows_fetched_ptr = fetched;
}

// One pass over the whole result; returns the rows fetched.
std::uint64_t fetch_all(SQLHSTMT stmt, const SQLULEN& fetched) {
    std::uint64_t rows = 0;
    while (SQLFetch(stmt) == SQL_SUCCESS) rows += fetched;
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const SQLULEN array = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

    std::string dir_template = (std::filesystem::temp_directory_path() / "vdl_fetch_bench_XXXXXX").string();
    const std::filesystem::path dir = ::mkdtemp(dir_template.data());
    vdl_handle* cluster = vdl_open_tcp();
    const std::string uri = "file://" + (dir / "bench.db").string();
    int status = 1;
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    do {
        if (vdl_connect(cluster, uri.c_str()) != VDL_OK) break;
        auto start = clock_type::now();
        if (!fill_store(cluster, rows)) break;
        fmt::print("store: {} rows written in {:.1f} s\n", rows, seconds(clock_type::now() - start));

        SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &env);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        std::string connection = fmt::format("URI={};LOGDIR={}", uri, (dir / "log").string());
        if (!check(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connection.data()), SQL_NTS, nullptr, 0,
                                    nullptr, SQL_DRIVER_NOPROMPT),
                   "SQLDriverConnect"))
            break;
        if (!check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), "SQLAllocHandle")) break;
        SQLULEN fetched = 0;
        set_block_cursor(stmt, array, &fetched);

        start = clock_type::now();
        std::string query = "select v, x, y from bench";
        if (!check(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(query.data()), SQL_NTS), "SQLExecDirect")) break;
        fmt::print("execution: {:.3f} s\n", seconds(clock_type::now() - start));

        std::vector<SQLBIGINT> v(array);
        std::vector<double> x(array);
        std::vector<float> y(array);
        std::vector<SQLLEN> v_ind(array), x_ind(array), y_ind(array);
        SQLBindCol(stmt, 1, SQL_C_SBIGINT, v.data(), 0, v_ind.data());
        SQLBindCol(stmt, 2, SQL_C_DOUBLE, x.data(), 0, x_ind.data());
        SQLBindCol(stmt, 3, SQL_C_FLOAT, y.data(), 0, y_ind.data());

        constexpr SQLLEN text_width = 32;
        std::vector<char> v_text(array * text_width), x_text(array * text_width), y_text(array * text_width);
        std::vector<SQLWCHAR> v_wide(array * text_width), x_wide(array * text_width), y_wide(array * text_width);
        const auto bind_text = [&](SQLSMALLINT c_type) {
            SQLFreeStmt(stmt, SQL_UNBIND);
            const bool wide = c_type == SQL_C_WCHAR;
            const SQLLEN width = wide ? text_width * static_cast<SQLLEN>(sizeof(SQLWCHAR)) : text_width;
            SQLBindCol(stmt, 1, c_type, wide ? static_cast<void*>(v_wide.data()) : v_text.data(), width, v_ind.data());
            SQLBindCol(stmt, 2, c_type, wide ? static_cast<void*>(x_wide.data()) : x_text.data(), width, x_ind.data());
            SQLBindCol(stmt, 3, c_type, wide ? static_cast<void*>(y_wide.data()) : y_text.data(), width, y_ind.data());
        };

        bool failed = false;
        for (const SQLSMALLINT as : std::to_array<SQLSMALLINT>({SQL_C_SBIGINT, SQL_C_CHAR, SQL_C_WCHAR})) {
            if (as != SQL_C_SBIGINT) bind_text(as);
            std::vector<double> rates;
            for (int run = 0; run < runs; ++run) {
                SQLFreeStmt(stmt, SQL_CLOSE);
                start = clock_type::now();
                const auto seen = fetch_all(stmt, fetched);
                const double elapsed = seconds(clock_type::now() - start);
                if (seen != rows) {
                    fmt::print(stderr, "fetched {} rows, expected {}\n", seen, rows);
                    failed = true;
                    break;
                }
                rates.push_back(static_cast<double>(seen) / elapsed);
            }
            if (failed) break;
            std::sort(rates.begin(), rates.end());
            fmt::print("{}: {} rows x 3 columns, array size {}: best {:.0f} rows/s, median {:.0f} rows/s over {} runs\n",
                       as == SQL_C_CHAR ? "SQL_C_CHAR" : as == SQL_C_WCHAR ? "SQL_C_WCHAR" : "numeric", rows, array, rates.back(), rates[rates.size() / 2], runs);
        }
        if (!failed) status = 0;
    } while (false);

    if (stmt != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    if (dbc != nullptr) {
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }
    if (env != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, env);
    vdl_close(cluster);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return status;
}
