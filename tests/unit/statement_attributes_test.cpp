// SQLSetStmtAttr / SQLGetStmtAttr through the exports: the rows that fetching and execution
// follow (the fetch and execution tests see them followed), their 64-bit widths, and the implicit
// descriptors.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "sentinel_buffer.hpp"
#include "store_statement.hpp"

namespace {

using support::bits;

SQLULEN stmt_ulen(SQLHSTMT stmt, SQLINTEGER attribute) {
    SQLULEN value = 0xDEAD;
    EXPECT_EQ(SQLGetStmtAttr(stmt, attribute, &value, 0, nullptr), SQL_SUCCESS);
    return value;
}

SQLPOINTER stmt_pointer(SQLHSTMT stmt, SQLINTEGER attribute) {
    SQLPOINTER value = bits(0xDEAD);
    EXPECT_EQ(SQLGetStmtAttr(stmt, attribute, &value, 0, nullptr), SQL_SUCCESS);
    return value;
}

}  // namespace

TEST(StatementAttributes, IntegerRowsAreSqlulenWide) {
    support::handles h;
    const auto written = [&](SQLINTEGER attribute) {
        support::sentinel_buffer<16> buffer;
        EXPECT_EQ(SQLGetStmtAttr(h.stmt, attribute, buffer.data(), 16, nullptr), SQL_SUCCESS);
        return buffer.written();
    };
    EXPECT_EQ(written(SQL_ATTR_ROW_ARRAY_SIZE), 8u);
    EXPECT_EQ(written(SQL_ATTR_QUERY_TIMEOUT), 8u);
    EXPECT_EQ(written(SQL_ATTR_CURSOR_TYPE), 8u);
    EXPECT_EQ(written(SQL_ATTR_RETRIEVE_DATA), 8u);
    EXPECT_EQ(written(SQL_ATTR_ROW_NUMBER), 8u);
    EXPECT_EQ(written(SQL_ATTR_ENABLE_AUTO_IPD), 4u);  // SQLUINTEGER in ODBC
    EXPECT_EQ(written(SQL_ATTR_ROW_BIND_OFFSET_PTR), 8u);
}

TEST(StatementAttributes, FetchSettingsReachTheStatement) {
    support::captured_log log(logger::level::debug);
    support::handles h;
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_ROW_ARRAY_SIZE), 1u);
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_ROW_ARRAY_SIZE, bits(0x100000002), 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_ROW_ARRAY_SIZE), 0x100000002u) << "all 64 bits are kept";
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_ROW_ARRAY_SIZE, bits(0), 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_ROW_ARRAY_SIZE), 0u);

    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_MAX_ROWS, bits(10), 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_MAX_ROWS), 10u);

    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_ROW_BIND_TYPE, bits(24), 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_ROW_BIND_TYPE), 24u);
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_ROW_BIND_TYPE, bits(SQL_BIND_BY_COLUMN), 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_ROW_BIND_TYPE), SQLULEN{SQL_BIND_BY_COLUMN});

    SQLLEN offset = 16;
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_pointer(h.stmt, SQL_ATTR_ROW_BIND_OFFSET_PTR), &offset);

    SQLUSMALLINT statuses[4];
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_ROW_STATUS_PTR, statuses, 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_pointer(h.stmt, SQL_ATTR_ROW_STATUS_PTR), statuses);

    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] Array size: 4294967298\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] Bind by size: 24\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] Bind by column\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] set SQL_ATTR_ROW_STATUS_PTR\n"), std::string::npos) << text;
}

TEST(StatementAttributes, RowsFetchedPointerIsOnlyKept) {
    support::captured_log log(logger::level::debug);
    support::store_statement s;
    s.direct("CREATE TABLE t (v INT64)");
    s.direct("INSERT INTO t (v, $timestamp) VALUES (1, 1), (2, 2), (3, 3)");
    ASSERT_EQ(s.exec("select v from t"), SQL_SUCCESS) << s.diag_message();
    SQLULEN fetched = 0xDEAD;
    EXPECT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    EXPECT_EQ(fetched, 0xDEADu) << "only a fetch writes through it, not the setting with a result of 3 rows";
    EXPECT_EQ(stmt_pointer(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR), &fetched);

    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] set SQL_ATTR_ROWS_FETCHED_PTR\n"), std::string::npos) << text;

    // Setting it back to null writes nothing anywhere.
    EXPECT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_pointer(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR), nullptr);
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(fetched, 0xDEADu);
}

TEST(StatementAttributes, RowNumberIsTheOneBasedCurrentRowOrZero) {
    support::store_statement s;
    s.direct("CREATE TABLE t (v INT64)");
    s.direct("INSERT INTO t (v, $timestamp) VALUES (1, 1), (2, 2), (3, 3)");
    EXPECT_EQ(stmt_ulen(s.stmt(), SQL_ATTR_ROW_NUMBER), 0u) << "without a result";
    ASSERT_EQ(s.exec("select v from t"), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(stmt_ulen(s.stmt(), SQL_ATTR_ROW_NUMBER), 0u) << "before the first row";
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(stmt_ulen(s.stmt(), SQL_ATTR_ROW_NUMBER), 1u);
    ASSERT_EQ(SQLFetchScroll(s.stmt(), SQL_FETCH_ABSOLUTE, 3), SQL_SUCCESS);
    EXPECT_EQ(stmt_ulen(s.stmt(), SQL_ATTR_ROW_NUMBER), 3u);
    EXPECT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_NUMBER, bits(7), 0), SQL_SUCCESS_WITH_INFO) << "read only";
    EXPECT_EQ(stmt_ulen(s.stmt(), SQL_ATTR_ROW_NUMBER), 3u);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
    EXPECT_EQ(stmt_ulen(s.stmt(), SQL_ATTR_ROW_NUMBER), 0u) << "past the last row";
}

TEST(StatementAttributes, CursorTypeAndOtherDefaultsDoNotChange) {
    support::handles h;
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_CURSOR_TYPE, bits(SQL_CURSOR_STATIC), 0), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, h.stmt).sqlstate, "01S02");
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_CURSOR_TYPE), SQL_CURSOR_FORWARD_ONLY);
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_CURSOR_TYPE, bits(SQL_CURSOR_DYNAMIC), 0), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_CURSOR_TYPE), SQL_CURSOR_FORWARD_ONLY);
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_CURSOR_TYPE, bits(SQL_CURSOR_FORWARD_ONLY), 0), SQL_SUCCESS);
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_QUERY_TIMEOUT, bits(30), 0), SQL_SUCCESS) << "honoured";
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_QUERY_TIMEOUT), 30u);
    // The parameter-array rows are answered by the execution of parameter sets, not by 01S02.
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_PARAMSET_SIZE, bits(1), 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_CONCURRENCY), SQL_CONCUR_READ_ONLY);
    EXPECT_EQ(stmt_ulen(h.stmt, SQL_ATTR_PARAMSET_SIZE), 1u);
    EXPECT_EQ(stmt_ulen(h.stmt, 1228), 0u);
}

TEST(StatementAttributes, UnknownIdentifiers) {
    support::handles h;
    support::sentinel_buffer<8> buffer;
    EXPECT_EQ(SQLGetStmtAttr(h.stmt, -3 /* SQL_ATTR_CURSOR_HOLDABLE */, buffer.data(), 0, nullptr), SQL_ERROR);
    EXPECT_TRUE(buffer.untouched());
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, h.stmt).message,
              "[HY092] Invalid attribute/option identifier: Unknown attribute: -3");
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, 1229, bits(0), 0), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, h.stmt).sqlstate, "HY092");
}

TEST(StatementAttributes, ImplicitDescriptorsAreStableDescriptorHandles) {
    support::handles h;
    const SQLINTEGER kinds[] = {SQL_ATTR_APP_PARAM_DESC, SQL_ATTR_APP_ROW_DESC, SQL_ATTR_IMP_PARAM_DESC,
                                SQL_ATTR_IMP_ROW_DESC};
    std::set<SQLPOINTER> seen;
    for (const auto kind : kinds) {
        const SQLPOINTER desc = stmt_pointer(h.stmt, kind);
        ASSERT_NE(desc, nullptr);
        EXPECT_EQ(stmt_pointer(h.stmt, kind), desc) << "the same handle every time";
        seen.insert(desc);
        // A real descriptor handle: the diagnostic functions accept it, and it answers the fields of
        // a statement (the row number) and of a connection (the server name) as a descriptor does,
        // without writing them.
        EXPECT_EQ(support::diag_of(SQL_HANDLE_DESC, desc).sqlstate, "00000");
        SQLLEN row = 7;
        EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_DESC, desc, 1, SQL_DIAG_ROW_NUMBER, &row, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(row, 7);
        support::sentinel_buffer<16> server;
        EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_DESC, desc, 1, SQL_DIAG_SERVER_NAME, server.data(), 16, nullptr),
                  SQL_SUCCESS);
        EXPECT_TRUE(server.untouched());
    }
    EXPECT_EQ(seen.size(), 4u);

    // Setting another descriptor changes nothing, and says so.
    SQLHDESC explicit_desc = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, h.dbc, &explicit_desc), SQL_SUCCESS);
    const SQLPOINTER row_desc = stmt_pointer(h.stmt, SQL_ATTR_APP_ROW_DESC);
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_APP_ROW_DESC, explicit_desc, 0), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(SQLSetStmtAttr(h.stmt, SQL_ATTR_APP_ROW_DESC, row_desc, 0), SQL_SUCCESS);
    EXPECT_EQ(stmt_pointer(h.stmt, SQL_ATTR_APP_ROW_DESC), row_desc);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DESC, explicit_desc), SQL_SUCCESS);

    // The statement owns them: the application cannot free one, and it stays usable.
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DESC, row_desc), SQL_ERROR);
    const auto refusal = support::diag_of(SQL_HANDLE_DESC, row_desc);
    EXPECT_EQ(refusal.sqlstate, "HY017");
    EXPECT_EQ(refusal.message,
              "[HY017] Invalid use of an automatically allocated descriptor handle: an implicit descriptor is freed "
              "with its statement.");
    EXPECT_EQ(stmt_pointer(h.stmt, SQL_ATTR_APP_ROW_DESC), row_desc);

    // Another statement has descriptors of its own.
    SQLHSTMT other = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &other), SQL_SUCCESS);
    EXPECT_EQ(seen.count(stmt_pointer(other, SQL_ATTR_APP_ROW_DESC)), 0u);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, other), SQL_SUCCESS);
}
