// Many threads, each with its own environment and connection on one store, doing what an
// application does: connect, prepared and direct queries, catalog calls, fetches, disconnect,
// with the log at Debug and rotating at a small size. Built also under ThreadSanitizer by the
// test command; there a data race fails the test.

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "diagnostics.hpp"
#include "files.hpp"
#include "sql_text.hpp"

namespace fs = std::filesystem;

namespace {

constexpr int thread_count = 8;
constexpr int rounds_per_thread = 40;
constexpr int table_rows = 200;

using support::diag;
using support::sql_text;
using support::temp_dir;

// One application thread's handles; every failure is recorded, not thrown.
class session {
public:
    explicit session(const std::string& connection_string) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        SQLCHAR out[1024];
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, sql_text(connection_string), SQL_NTS, out, sizeof out,
                                              &length, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            error_ = "connect: " + diag(SQL_HANDLE_DBC, dbc_);
            return;
        }
        connected_ = true;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_);
    }
    ~session() {
        if (stmt_ != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        if (connected_) SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    session(const session&) = delete;
    session& operator=(const session&) = delete;

    [[nodiscard]] SQLHSTMT stmt() const { return stmt_; }
    [[nodiscard]] SQLHDBC dbc() const { return dbc_; }
    [[nodiscard]] const std::string& error() const { return error_; }
    bool check(SQLRETURN rc, const char* what) {
        if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return true;
        if (error_.empty()) error_ = fmt::format("{}: {}", what, diag(SQL_HANDLE_STMT, stmt_));
        return false;
    }

    // Every row of the statement's result: column 1 as an integer, the rows counted.
    std::vector<SQLBIGINT> fetch_numbers(std::size_t rowset) {
        std::vector<SQLBIGINT> numbers;
        std::vector<SQLBIGINT> block(rowset);
        std::vector<SQLLEN> indicators(rowset);
        SQLULEN fetched = 0;
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset), 0);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
        SQLBindCol(stmt_, 1, SQL_C_SBIGINT, block.data(), 0, indicators.data());
        SQLRETURN rc;
        while ((rc = SQLFetch(stmt_)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO)
            for (SQLULEN i = 0; i < fetched; ++i) numbers.push_back(block[i]);
        check(rc, "fetch");
        SQLFreeStmt(stmt_, SQL_UNBIND);
        SQLFreeStmt(stmt_, SQL_CLOSE);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        return numbers;
    }

private:
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    SQLHSTMT stmt_ = nullptr;
    bool connected_ = false;
    std::string error_;
};

class Concurrency : public ::testing::Test {
protected:
    Concurrency() {
        // The driver's default log directory is under the per-user data folder: keep it here.
        ::setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1);
        session setup(connection_string());
        EXPECT_EQ(setup.error(), "");
        std::string insert = "INSERT INTO t (n, s) VALUES ";
        for (int i = 0; i < table_rows; ++i) insert += fmt::format("{}({}, 'row {}')", i ? ", " : "", i, i);
        for (const auto* statement : {"CREATE TABLE t (n INT64, s STRING)", insert.c_str()})
            EXPECT_TRUE(setup.check(SQLExecDirect(setup.stmt(), sql_text(statement), SQL_NTS), statement));
        EXPECT_EQ(setup.error(), "");
    }

    [[nodiscard]] std::string connection_string() const {
        return fmt::format("uri=file://{};logdir={};log_level=3;max_log_file_size=16384;keep_log_file_num=0",
                           (dir_.path() / "store.db").string(), logs().string());
    }
    [[nodiscard]] fs::path logs() const { return dir_.path() / "logs"; }

    temp_dir dir_;
};

// One thread's work: every answer is checked against what the store holds.
std::string work(const std::string& connection_string, int worker) {
    for (int round = 0; round < rounds_per_thread; ++round) {
        session s(connection_string);
        if (!s.error().empty()) return s.error();
        const SQLBIGINT low = (worker * 7 + round * 13) % table_rows;

        // Prepared, with a bound parameter, fetched in rowsets.
        SQLBIGINT bound = low;
        SQLLEN bound_length = 0;
        if (!s.check(SQLPrepare(s.stmt(), sql_text("SELECT n FROM t WHERE n >= ? ORDER BY n"), SQL_NTS), "prepare") ||
            !s.check(SQLBindParameter(s.stmt(), 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &bound, 0,
                                      &bound_length),
                     "bind") ||
            !s.check(SQLExecute(s.stmt()), "execute"))
            return s.error();
        const auto numbers = s.fetch_numbers(1 + static_cast<std::size_t>(worker % 5) * 7);
        if (numbers.size() != static_cast<std::size_t>(table_rows - low))
            return fmt::format("prepared: {} rows from {}, expected {}", numbers.size(), low, table_rows - low);
        for (std::size_t i = 0; i < numbers.size(); ++i)
            if (numbers[i] != low + static_cast<SQLBIGINT>(i)) return fmt::format("prepared: row {} wrong", i);
        SQLFreeStmt(s.stmt(), SQL_RESET_PARAMS);

        // Direct, read with SQLGetData.
        const std::string direct = fmt::format("SELECT s, n FROM t WHERE n = {}", low);
        if (!s.check(SQLExecDirect(s.stmt(), sql_text(direct), SQL_NTS), "exec direct")) return s.error();
        char cell[32] = {};
        SQLLEN length = 0;
        if (SQLFetch(s.stmt()) != SQL_SUCCESS ||
            !s.check(SQLGetData(s.stmt(), 1, SQL_C_CHAR, cell, sizeof cell, &length), "get data"))
            return "direct: no row " + s.error();
        if (std::string(cell) != fmt::format("row {}", low)) return fmt::format("direct: read '{}'", cell);
        SQLFreeStmt(s.stmt(), SQL_CLOSE);

        // Catalog calls.
        if (!s.check(SQLTables(s.stmt(), nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS, nullptr, 0), "tables"))
            return s.error();
        SQLSMALLINT columns = 0;
        SQLNumResultCols(s.stmt(), &columns);
        int tables = 0;
        while (SQLFetch(s.stmt()) == SQL_SUCCESS) ++tables;
        if (tables != 1 || columns < 5) return fmt::format("tables: {} rows of {} columns", tables, columns);
        SQLFreeStmt(s.stmt(), SQL_CLOSE);
        if (!s.check(SQLColumns(s.stmt(), nullptr, 0, nullptr, 0, sql_text("t"), SQL_NTS, nullptr, 0), "columns"))
            return s.error();
        int described = 0;
        while (SQLFetch(s.stmt()) == SQL_SUCCESS) ++described;
        if (described != 3) return fmt::format("columns: {} rows, expected $timestamp, n, s", described);
        SQLFreeStmt(s.stmt(), SQL_CLOSE);
    }
    return {};
}

TEST_F(Concurrency, ThreadsWithTheirOwnConnectionsOnOneStore) {
    std::array<std::string, thread_count> failures;
    std::vector<std::thread> threads;
    const std::string connect = connection_string();
    for (int t = 0; t < thread_count; ++t)
        threads.emplace_back([&failures, &connect, t] { failures[static_cast<std::size_t>(t)] = work(connect, t); });
    for (auto& t : threads) t.join();
    for (int t = 0; t < thread_count; ++t) EXPECT_EQ(failures[static_cast<std::size_t>(t)], "") << "thread " << t;

    // Every line of every log file, rotated ones included, is whole: one prefix, at its start.
    std::size_t files = 0;
    std::size_t lines = 0;
    for (const auto& entry : fs::directory_iterator(logs())) {
        ++files;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line); ++lines) {
            const bool prefixed =
                line.starts_with("[Debug] ") || line.starts_with("[Info]  ") || line.starts_with("[Error] ");
            ASSERT_TRUE(prefixed) << entry.path().filename() << ": " << line;
            for (const auto* prefix : {"[Debug] ", "[Info]  ", "[Error] "})
                ASSERT_EQ(line.find(prefix, 1), std::string::npos) << "torn line: " << line;
        }
    }
    EXPECT_GT(files, 1u) << "the log rotated";
    EXPECT_GT(lines, 1000u);
}

// Two statements of one connection, each used by its own thread: their queries share the
// connection's one store connection, and each still reads its own answers.
TEST_F(Concurrency, TwoStatementsOfOneConnectionInTwoThreads) {
    session s(connection_string());
    ASSERT_EQ(s.error(), "");
    const auto worker = [&s](int which) -> std::string {
        SQLHSTMT stmt = nullptr;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, s.dbc(), &stmt))) return "alloc";
        std::string failure;
        SQLBIGINT wanted = 0;
        SQLLEN wanted_length = 0;
        SQLBIGINT n = -1;
        SQLLEN n_length = 0;
        if (!SQL_SUCCEEDED(SQLPrepare(stmt, sql_text("SELECT n FROM t WHERE n = ?"), SQL_NTS)) ||
            !SQL_SUCCEEDED(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &wanted, 0,
                                            &wanted_length)))
            failure = "prepare: " + diag(SQL_HANDLE_STMT, stmt);
        for (int i = 0; i < 300 && failure.empty(); ++i) {
            wanted = (i * 7 + which * 3) % table_rows;
            const bool direct = i % 3 == 0;
            const std::string query = fmt::format("SELECT n FROM t WHERE n = {}", wanted);
            const SQLRETURN rc = direct ? SQLExecDirect(stmt, sql_text(query), SQL_NTS) : SQLExecute(stmt);
            if (!SQL_SUCCEEDED(rc)) {
                failure = "execute: " + diag(SQL_HANDLE_STMT, stmt);
                break;
            }
            SQLBindCol(stmt, 1, SQL_C_SBIGINT, &n, 0, &n_length);
            if (SQLFetch(stmt) != SQL_SUCCESS || n != wanted)
                failure = fmt::format("thread {} query {}: read {} for {}", which, i, n, wanted);
            SQLFreeStmt(stmt, SQL_CLOSE);
            if (direct && failure.empty() &&
                (!SQL_SUCCEEDED(SQLPrepare(stmt, sql_text("SELECT n FROM t WHERE n = ?"), SQL_NTS))))
                failure = "prepare again: " + diag(SQL_HANDLE_STMT, stmt);
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return failure;
    };
    std::string first;
    std::string second;
    std::thread a([&] { first = worker(0); });
    std::thread b([&] { second = worker(1); });
    a.join();
    b.join();
    EXPECT_EQ(first, "");
    EXPECT_EQ(second, "");
}

// Connections that read large queries with two readers each, from several threads at once, while
// another thread writes to a second table: every reader's part lands in its place.
TEST_F(Concurrency, QueriesReadByTwoReadersEach) {
    constexpr int rows = 70'000;  // enough rows for a query to be split
    {
        session setup(connection_string());
        ASSERT_EQ(setup.error(), "");
        ASSERT_TRUE(
            setup.check(SQLExecDirect(setup.stmt(), sql_text("CREATE TABLE big (n INT64)"), SQL_NTS), "create"));
        for (int first = 0; first < rows; first += 10'000) {
            std::string insert = "INSERT INTO big ($timestamp, n) VALUES ";
            for (int i = first; i < first + 10'000; ++i)
                insert += fmt::format("{}({}, {})", i > first ? ", " : "", i, i);
            ASSERT_TRUE(setup.check(SQLExecDirect(setup.stmt(), sql_text(insert), SQL_NTS), "insert")) << setup.error();
        }
    }
    const std::string connect = connection_string() + ";maxparallelism=2";
    constexpr int readers = 3;
    std::array<std::string, readers + 1> failures;
    std::vector<std::thread> threads;
    for (int t = 0; t < readers; ++t)
        threads.emplace_back([&, t] {
            session s(connect);
            for (int round = 0; round < 3 && s.error().empty(); ++round) {
                const int low = (t * 5 + round) * 1000;
                const auto query = fmt::format("SELECT n FROM big WHERE n >= {}", low);
                if (!s.check(SQLExecDirect(s.stmt(), sql_text(query), SQL_NTS), "exec")) break;
                const auto numbers = s.fetch_numbers(1000);
                std::string& failure = failures[static_cast<std::size_t>(t)];
                if (numbers.size() != static_cast<std::size_t>(rows - low))
                    failure = fmt::format("{} rows from {}", numbers.size(), low);
                for (std::size_t i = 0; i < numbers.size() && failure.empty(); ++i)
                    if (numbers[i] != low + static_cast<SQLBIGINT>(i)) failure = fmt::format("row {} wrong", i);
                if (!failure.empty()) return;
            }
            failures[static_cast<std::size_t>(t)] = s.error();
        });
    threads.emplace_back([&] {
        session s(connection_string());
        for (int i = 0; i < 20 && s.error().empty(); ++i)
            s.check(SQLExecDirect(s.stmt(), sql_text(fmt::format("INSERT INTO t (n, s) VALUES ({}, 'more')", 1000 + i)),
                                  SQL_NTS),
                    "insert");
        failures[readers] = s.error();
    });
    for (auto& t : threads) t.join();
    for (std::size_t t = 0; t < failures.size(); ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
}

// A cancel from a second thread while the first fetches: the fetches run nothing in the client
// library, so the cancel stops nothing and every row is read, correct and once.
TEST_F(Concurrency, CancelFromASecondThreadWhileTheFirstFetches) {
    session s(connection_string());
    ASSERT_EQ(s.error(), "");
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(s.check(SQLExecDirect(s.stmt(), sql_text("SELECT n FROM t ORDER BY n"), SQL_NTS), "exec"))
            << s.error();
        std::atomic<int> fetched{0};
        std::thread canceller([&] {
            while (fetched.load() < 5 + round) std::this_thread::yield();
            EXPECT_EQ(SQLCancel(s.stmt()), SQL_SUCCESS);
        });
        SQLBIGINT n = -1;
        SQLLEN length = 0;
        SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &n, 0, &length);
        int rows = 0;
        while (SQLFetch(s.stmt()) == SQL_SUCCESS) {
            ASSERT_EQ(n, rows) << "row " << rows;
            fetched.store(++rows);
        }
        fetched.store(table_rows + 100);
        canceller.join();
        EXPECT_EQ(rows, table_rows) << "round " << round;
        SQLFreeStmt(s.stmt(), SQL_UNBIND);
        SQLFreeStmt(s.stmt(), SQL_CLOSE);
    }
}

// A query that never ends on its own: SQLCancel from a second thread stops it with HY008, and
// SQL_ATTR_QUERY_TIMEOUT with HYT00; each time the statement then runs the next query.
TEST_F(Concurrency, CancelAndTimeoutStopAQueryRunningInTheLibrary) {
    session s(connection_string());
    ASSERT_EQ(s.error(), "");
    const std::string endless =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c";
    const auto state = [&] {
        SQLCHAR sqlstate[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[SQL_MAX_MESSAGE_LENGTH];
        SQLSMALLINT length = 0;
        SQLGetDiagRec(SQL_HANDLE_STMT, s.stmt(), 1, sqlstate, &native, message, sizeof message, &length);
        return std::string(reinterpret_cast<char*>(sqlstate));
    };
    const auto next_query_runs = [&] {
        EXPECT_EQ(SQLExecDirect(s.stmt(), sql_text("SELECT count(*) FROM t"), SQL_NTS), SQL_SUCCESS);
        SQLBIGINT count = -1;
        EXPECT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
        EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_SBIGINT, &count, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(count, table_rows);
        SQLFreeStmt(s.stmt(), SQL_CLOSE);
    };
    // One cancel, well after the query began (a cancel of an idle statement would post its own
    // success over the query's record); the timeout only keeps a missed cancel from hanging.
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(60), 0), SQL_SUCCESS);
    for (int round = 0; round < 3; ++round) {
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            EXPECT_EQ(SQLCancel(s.stmt()), SQL_SUCCESS);
        });
        const SQLRETURN rc = SQLExecDirect(s.stmt(), sql_text(endless), SQL_NTS);
        canceller.join();
        EXPECT_EQ(rc, SQL_ERROR);
        EXPECT_EQ(state(), "HY008");
        next_query_runs();
    }
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(1), 0), SQL_SUCCESS);
    EXPECT_EQ(SQLExecDirect(s.stmt(), sql_text(endless), SQL_NTS), SQL_ERROR);
    EXPECT_EQ(state(), "HYT00");
    next_query_runs();
}

}  // namespace
