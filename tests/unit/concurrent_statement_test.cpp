// A statement used from two threads at once, as ODBC allows for SQLCancel: the statement's
// operations are serialised, so a cancel or a disconnect never frees what a fetch is reading.
// Run under AddressSanitizer, a fault here shows as a use after free.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <string>
#include <thread>

#include <fmt/format.h>

#include "store_statement.hpp"

namespace {

// 500 rows of text: long enough that a fetch of the whole result takes many calls.
void fill(const support::store_statement& s) {
    s.direct("CREATE TABLE t (n INT64, s STRING)");
    std::string insert = "INSERT INTO t ($timestamp, n, s) VALUES ";
    for (int i = 0; i < 500; ++i)
        insert += fmt::format("{}({}, {}, 'row number {} of the table')", i ? ", " : "", i + 1, i, i);
    s.direct(insert);
}

// Fetches the whole result in rowsets of 16, reading each row's text with SQLGetData too;
// returns the rows seen (fewer when a cancel took the result away).
int fetch_all(SQLHSTMT stmt) {
    std::array<char, 16 * 32> text{};
    std::array<SQLLEN, 16> ind{};
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(16), 0);
    SQLBindCol(stmt, 2, SQL_C_CHAR, text.data(), 32, ind.data());
    int rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        char one[64];
        SQLLEN one_ind = 0;
        SQLGetData(stmt, 2, SQL_C_CHAR, one, sizeof one, &one_ind);
        rows += 16;
    }
    return rows;
}

}  // namespace

TEST(ConcurrentStatement, CancelFromAnotherThreadWaitsForTheFetch) {
    support::store_statement s;
    fill(s);
    std::atomic<bool> done{false};
    std::atomic<int> cancels{0};
    std::thread canceller([&] {
        while (!done.load()) {
            EXPECT_EQ(SQLCancel(s.stmt()), SQL_SUCCESS);
            cancels.fetch_add(1);
            std::this_thread::yield();
        }
    });
    for (int round = 0; round < 1000; ++round) {
        if (s.exec("select n, s from t") != SQL_SUCCESS) continue;
        fetch_all(s.stmt());
    }
    done.store(true);
    canceller.join();
    EXPECT_GT(cancels.load(), 0);
    // Whatever the interleaving, the statement is left in one piece and works on.
    ASSERT_EQ(s.exec("select n, s from t"), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(fetch_all(s.stmt()), 512) << "32 rowsets of 16, the last one partial";
}

TEST(ConcurrentStatement, DisconnectFromAnotherThreadWaitsForTheFetch) {
    for (int round = 0; round < 20; ++round) {
        support::store_statement s;
        fill(s);
        ASSERT_EQ(s.exec("select n, s from t"), SQL_SUCCESS) << s.diag_message();
        std::atomic<int> fetched{0};
        std::thread fetcher([&] {
            std::array<char, 4 * 32> text{};
            SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(4), 0);
            SQLBindCol(s.stmt(), 2, SQL_C_CHAR, text.data(), 32, nullptr);
            for (int i = 0; i < 3000; ++i) {
                SQLFetchScroll(s.stmt(), SQL_FETCH_ABSOLUTE, 1 + i % 500);
                char one[64];
                SQLGetData(s.stmt(), 2, SQL_C_CHAR, one, sizeof one, nullptr);
                fetched.fetch_add(1);
            }
        });
        while (fetched.load() < 100) std::this_thread::yield();
        EXPECT_EQ(SQLDisconnect(s.dbc()), SQL_SUCCESS);
        fetcher.join();
        SQLSMALLINT columns = -1;
        EXPECT_EQ(SQLNumResultCols(s.stmt(), &columns), SQL_SUCCESS);
        EXPECT_EQ(columns, 0) << "the disconnect released the result";
        EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
    }
}
