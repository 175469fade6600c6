// The catalog's pieces (answer tables, table selection, the type table) and the catalog
// functions called through the exports on an embedded store, where the Driver Manager's own
// checks do not stand between the application and the driver.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "captured_log.hpp"
#include "catalog/catalog_table.hpp"
#include "catalog/table_sources.hpp"
#include "catalog/type_table.hpp"
#include "store_statement.hpp"

using namespace catalog;
using strings = std::vector<std::string>;

namespace {

using support::sql_text;

constexpr column_spec three_kinds[] = {{"N", cell_kind::sshort}, {"L", cell_kind::slong}, {"T", cell_kind::text}};

}  // namespace

TEST(CatalogTable, ColumnsAreDescribedByTheirKinds) {
    catalog_table t(three_kinds);
    t.add_row({1, 70000, "abc"});
    t.add_row({null, null, "a"});
    EXPECT_EQ(t.row_count(), 2u);
    const auto columns = t.take_columns();
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0].name, "N");
    EXPECT_EQ(columns[0].sql_type, SQL_SMALLINT);
    EXPECT_EQ(columns[0].c_type, SQL_C_SSHORT);
    EXPECT_EQ(columns[1].sql_type, SQL_INTEGER);
    EXPECT_EQ(columns[1].type_name, "SQL_LONG");
    EXPECT_EQ(columns[2].sql_type, SQL_CHAR);
    EXPECT_EQ(columns[2].column_size, 3) << "the longest text";
    EXPECT_EQ(std::get<slong_cells>(columns[1].data).values, (std::vector<std::optional<std::int32_t>>{70000, {}}));
    EXPECT_EQ(std::get<text_cells>(columns[2].data).values, (std::vector<std::optional<std::string>>{"abc", "a"}));
}

TEST(CatalogTable, AValueThatDoesNotFitItsColumnIsAFaultOfTheDriver) {
    catalog_table t(three_kinds);
    EXPECT_THROW(t.add_row({1, 2}), std::logic_error) << "one value short";
    EXPECT_THROW(t.add_row({1, 2, "x", "y"}), std::logic_error) << "one value over";
    EXPECT_THROW(t.add_row({"1", 2, "x"}), std::logic_error) << "a text in a number column";
    EXPECT_THROW(t.add_row({1, 2, 3}), std::logic_error) << "a number in a text column";
    EXPECT_THROW(t.add_row({32768, 2, "x"}), std::logic_error) << "too big for 16 bits";
    EXPECT_THROW(t.add_row({1, 2147483648LL, "x"}), std::logic_error) << "too big for 32 bits";
    t.add_row({-32768, -2147483648LL, ""});
    EXPECT_EQ(t.row_count(), 1u);
}

TEST(CatalogTable, TextViewsAreNotCopied) {
    static constexpr std::string_view fixed = "fixed";
    constexpr column_spec views[] = {{"V", cell_kind::text_view}, {"B", cell_kind::bigint}};
    catalog_table t(views);
    t.add_row({fixed, 2147483647});
    const auto columns = t.take_columns();
    EXPECT_EQ(std::get<text_view_cells>(columns[0].data).values[0]->data(), fixed.data());
    EXPECT_EQ(columns[1].sql_type, SQL_BIGINT);
}

TEST(SelectTable, EmptyOrPercentKeepsEveryTableAnyOtherTextNamesExactlyOne) {
    const strings listed{"cpu", "cpu_load", "mem"};
    for (const std::string_view all : {"", "%"}) {
        auto tables = listed;
        EXPECT_EQ(select_table(tables, all).return_code, SQL_SUCCESS);
        EXPECT_EQ(tables, listed) << all;
    }
    auto tables = listed;
    EXPECT_EQ(select_table(tables, "cpu_load").return_code, SQL_SUCCESS);
    EXPECT_EQ(tables, strings{"cpu_load"});

    using namespace std::string_view_literals;
    for (const auto missing : {"cpu%"sv, "CPU"sv, "cp"sv, "cpu "sv, "%%"sv, "_"sv, "cpu_loa_"sv, "cpu\0"sv}) {
        tables = listed;
        const auto r = select_table(tables, missing);
        EXPECT_EQ(r.sqlstate, "HY000") << missing;
        EXPECT_EQ(r.message, "[HY000] General error: Could not find table " + std::string(missing) + ".");
        EXPECT_EQ(tables, listed) << "the list stays as it was";
    }
}

TEST(TypeTable, EachRowIsFoundByItsDataTypeAlsoWhenThreadsAskFirstTogether) {
    std::vector<std::thread> threads;
    std::vector<const type_row*> found(8);
    for (std::size_t i = 0; i < found.size(); ++i) threads.emplace_back([&, i] { found[i] = find_type(SQL_NUMERIC); });
    for (auto& t : threads) t.join();
    for (const auto* row : found) {
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->type_name, "DOUBLE");
        EXPECT_EQ(row->column_size, 19);
    }
    ASSERT_EQ(type_rows().size(), 13u);
    for (const auto& row : type_rows()) EXPECT_EQ(find_type(row.data_type), &row) << row.data_type;
    for (const int not_offered : {SQL_BIGINT, SQL_WVARCHAR, SQL_GUID, SQL_DATE, SQL_TIMESTAMP, SQL_ALL_TYPES})
        EXPECT_EQ(find_type(static_cast<std::int16_t>(not_offered)), nullptr) << not_offered;
}

namespace {

// A store with the tables cpu ($timestamp, usage DOUBLE, host STRING; three rows), disk and mem.
class CatalogCalls : public ::testing::Test {
protected:
    CatalogCalls() {
        s.direct("CREATE TABLE cpu (usage DOUBLE, host STRING)");
        s.direct("CREATE TABLE disk (used INT64)");
        s.direct("CREATE TABLE mem (free INT64)");
        s.direct(
            "INSERT INTO cpu ($timestamp, usage, host) VALUES (1, 0.5, 'alpha'), (2, 0.25, 'beta'), "
            "(3, 0.75, 'gamma')");
    }
    [[nodiscard]] SQLRETURN tables(const char* table = "%") const {
        return SQLTables(s.stmt(), nullptr, 0, nullptr, 0, sql_text(table), SQL_NTS, nullptr, 0);
    }
    [[nodiscard]] std::string cell(SQLUSMALLINT column) const {
        char value[64] = {};
        SQLLEN length = 0;
        const SQLRETURN rc = SQLGetData(s.stmt(), column, SQL_C_CHAR, value, sizeof value, &length);
        if (!SQL_SUCCEEDED(rc)) return "<" + std::to_string(rc) + ">";
        return length == SQL_NULL_DATA ? "NULL" : value;
    }
    [[nodiscard]] SQLSMALLINT column_count() const {
        SQLSMALLINT n = -1;
        SQLNumResultCols(s.stmt(), &n);
        return n;
    }
    [[nodiscard]] SQLLEN row_count() const {
        SQLLEN n = -2;
        SQLRowCount(s.stmt(), &n);
        return n;
    }

    support::store_statement s;
};

}  // namespace

TEST_F(CatalogCalls, AnUnclosedCursorCarriesOverAClosedOneStartsAtTheFirstRow) {
    ASSERT_EQ(s.exec("select host from cpu order by $timestamp"), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);  // on the query's second row
    ASSERT_EQ(tables(), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(cell(3), "mem") << "continues after the second row";

    ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_CLOSE), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(cell(3), "cpu");
}

TEST_F(CatalogCalls, ACursorPastTheEndStartsTheNextAnswerAtItsFirstRow) {
    ASSERT_EQ(s.exec("select host from cpu"), SQL_SUCCESS) << s.diag_message();
    while (SQLFetch(s.stmt()) == SQL_SUCCESS) {
    }
    ASSERT_EQ(SQLPrimaryKeys(s.stmt(), nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(cell(4), "$timestamp");
}

TEST_F(CatalogCalls, TypeInfoAlwaysStartsBeforeItsFirstRow) {
    ASSERT_EQ(s.exec("select host from cpu"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLGetTypeInfo(s.stmt(), SQL_ALL_TYPES), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(cell(1), "STRING");
    EXPECT_EQ(cell(2), "12");
    EXPECT_EQ(row_count(), 13);
}

TEST_F(CatalogCalls, ACatalogAnswerNeverContinuesAValueOfTheQueryBeforeIt) {
    ASSERT_EQ(s.exec("select usage, $timestamp, host from cpu order by $timestamp"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    char piece[4] = {};
    SQLLEN length = 0;
    ASSERT_EQ(SQLGetData(s.stmt(), 3, SQL_C_CHAR, piece, sizeof piece, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(piece, "alp") << "the first piece of \"alpha\"";

    // Same column, same row number: without a fresh start it would hand out "ha" of "alpha",
    // or the rest of "cpu" from its fourth byte.
    ASSERT_EQ(tables(), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(s.stmt(), 3, SQL_C_CHAR, piece, sizeof piece, &length), SQL_SUCCESS);
    EXPECT_STREQ(piece, "cpu");
    EXPECT_EQ(length, 3);
}

TEST_F(CatalogCalls, AFailedLookupLeavesThePreviousAnswerInPlace) {
    ASSERT_EQ(tables(), SQL_SUCCESS);
    ASSERT_EQ(tables("nope"), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY000] General error: Could not find table nope.");
    EXPECT_EQ(SQLStatistics(s.stmt(), nullptr, 0, nullptr, 0, sql_text("nope"), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK),
              SQL_ERROR);
    EXPECT_EQ(SQLTablePrivileges(s.stmt(), nullptr, 0, nullptr, 0, sql_text("nope"), SQL_NTS), SQL_ERROR);
    EXPECT_EQ(column_count(), 5);
    EXPECT_EQ(row_count(), 3);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(cell(3), "cpu");
}

TEST_F(CatalogCalls, AnAnswerForNoTableKeepsTheColumnsAndDropsTheRows) {
    struct refusal {
        const char* function;
        std::string message;
    };
    const auto refused = [&](SQLRETURN rc, const refusal& expected) {
        EXPECT_EQ(rc, SQL_ERROR) << expected.function;
        EXPECT_EQ(s.diag_message(), "[HY000] General error: " + expected.message) << expected.function;
        EXPECT_EQ(column_count(), 5) << expected.function << ": the columns of SQLTables stay";
        EXPECT_EQ(row_count(), -1) << expected.function;
        EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA) << expected.function;
        ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_CLOSE), SQL_SUCCESS);
    };
    ASSERT_EQ(tables(), SQL_SUCCESS);
    refused(SQLColumns(s.stmt(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
            {"SQLColumns", "Can't retrieve columns on all tables"});
    refused(SQLPrimaryKeys(s.stmt(), nullptr, 0, nullptr, 0, sql_text(""), SQL_NTS),
            {"SQLPrimaryKeys", "Can't retrieve primary keys on all tables"});
    refused(SQLForeignKeys(s.stmt(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
            {"SQLForeignKeys", "Can't retrieve primary keys on all tables"});
    refused(SQLColumnPrivileges(s.stmt(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
            {"SQLColumnPrivileges", "Can't retrieve column privileges on all tables"});
}

TEST_F(CatalogCalls, ANameIsTakenByItsLength) {
    // "cpu" followed by more bytes: not the table cpu, whose columns the store would give for it.
    ASSERT_EQ(SQLColumns(s.stmt(), nullptr, 0, nullptr, 0, sql_text("cpu\0usage"), 9, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
    ASSERT_EQ(SQLColumns(s.stmt(), nullptr, 0, nullptr, 0, sql_text("cpuX"), 3, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(cell(3), "cpu");
    ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_CLOSE), SQL_SUCCESS);
    ASSERT_EQ(tables("memo"), SQL_ERROR);
    ASSERT_EQ(SQLTables(s.stmt(), nullptr, 0, nullptr, 0, sql_text("memo"), 3, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(cell(3), "mem");
}

TEST_F(CatalogCalls, AStatementWhoseConnectionClosedAsksTheStoreNothing) {
    ASSERT_EQ(SQLDisconnect(s.dbc()), SQL_SUCCESS);
    const std::string refused = "[08003] Connection not open: statement needs a working connection.";
    EXPECT_EQ(tables(), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), refused);
    EXPECT_EQ(SQLColumns(s.stmt(), nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS, nullptr, 0), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), refused);
    EXPECT_EQ(SQLStatistics(s.stmt(), nullptr, 0, nullptr, 0, nullptr, 0, SQL_INDEX_ALL, SQL_QUICK), SQL_ERROR);
    EXPECT_EQ(SQLTablePrivileges(s.stmt(), nullptr, 0, nullptr, 0, nullptr, 0), SQL_ERROR);
    EXPECT_EQ(SQLColumnPrivileges(s.stmt(), nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS, nullptr, 0), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), refused);
    // The fixed answers need no store.
    EXPECT_EQ(SQLGetTypeInfo(s.stmt(), SQL_ALL_TYPES), SQL_SUCCESS);
}

TEST_F(CatalogCalls, OnlyAFetchWritesTheRowsFetched) {
    SQLULEN fetched = 99;
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(2), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLColumns(s.stmt(), nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(fetched, 99u);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(fetched, 2u);
    ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_CLOSE), SQL_SUCCESS);
    ASSERT_EQ(
        SQLForeignKeys(s.stmt(), nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS, nullptr, 0, nullptr, 0, nullptr, 0),
        SQL_SUCCESS);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
    EXPECT_EQ(fetched, 0u);
}

TEST_F(CatalogCalls, EachCallTracesItsArguments) {
    support::captured_log log;
    ASSERT_EQ(SQLTables(s.stmt(), sql_text("cat"), SQL_NTS, sql_text("sch"), SQL_NTS, sql_text("%"), SQL_NTS,
                        sql_text("VIEW"), SQL_NTS),
              SQL_SUCCESS);
    ASSERT_EQ(SQLForeignKeys(s.stmt(), sql_text("a"), SQL_NTS, sql_text("b"), SQL_NTS, sql_text("cpu"), SQL_NTS,
                             sql_text("d"), SQL_NTS, sql_text("e"), SQL_NTS, sql_text("f"), SQL_NTS),
              SQL_SUCCESS);
    ASSERT_EQ(SQLProcedureColumns(s.stmt(), nullptr, 0, nullptr, 0, sql_text("p"), SQL_NTS, sql_text("c"), SQL_NTS),
              SQL_SUCCESS);
    ASSERT_EQ(SQLColumns(s.stmt(), nullptr, 0, nullptr, 0, sql_text("missing"), SQL_NTS, sql_text("x"), SQL_NTS),
              SQL_SUCCESS);
    ASSERT_EQ(SQLGetTypeInfo(s.stmt(), SQL_BIGINT), SQL_SUCCESS);
    const auto lines = log.lines();
    const strings expected{
        "[Debug] SQLTables",
        "[Debug] catalog: cat",
        "[Debug] schema: sch",
        "[Debug] table: %",
        "[Debug] table: VIEW",
        "[Debug] call 'SHOW TABLES;'",
        "[Debug] return SQL_SUCCESS - [00000], ",
        "[Debug] SQLForeignKeys",
        "[Debug] pkcatalog: a",
        "[Debug] pkschema: b",
        "[Debug] pktable: cpu",
        "[Debug] fkcatalog: d",
        "[Debug] fkschema: e",
        "[Debug] fktable: f",
        "[Debug] return SQL_SUCCESS - [00000], ",
        "[Debug] SQLProcedureColumns",
        "[Debug] catalog: ",
        "[Debug] schema: ",
        "[Debug] procedure: p",
        "[Debug] column: c",
        "[Debug] return SQL_SUCCESS - [00000], ",
        "[Debug] SQLColumns",
        "[Debug] catalog: ",
        "[Debug] schema: ",
        "[Debug] table: missing",
        "[Debug] column: x",
        "[Error] could not get metadata for missing: ",  // then the library's text of its failure
    };
    ASSERT_GE(lines.size(), expected.size());
    for (std::size_t i = 0; i + 1 < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << i;
    EXPECT_TRUE(lines[expected.size() - 1].starts_with(expected.back())) << lines[expected.size() - 1];
    EXPECT_EQ(lines[expected.size()], "[Debug] return SQL_SUCCESS - [00000], ");
    EXPECT_EQ(lines[expected.size() + 1], "[Debug] SQLGetTypeInfo -5");
}
