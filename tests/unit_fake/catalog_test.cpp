// The catalog against the fake client library: what it asks the library, and what it answers
// when the library fails or hands back records no embedded store makes.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "fake_vdl_api.hpp"
#include "private_odbc.hpp"
#include "sql_text.hpp"

using strings = std::vector<std::string>;

namespace {

using support::sql_text;

class CatalogOnTheFake : public ::testing::Test {
protected:
    CatalogOnTheFake() {
        fake_vdl::reset();
        logger::instance().close_file();
        const std::string in = "URI=file:one.db;LOG_LEVEL=3;LOGDIR=" + logs.path().string();
        EXPECT_EQ(
            SQLDriverConnect(h.dbc, nullptr, sql_text(in.c_str()), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
            SQL_SUCCESS);
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt), SQL_SUCCESS);
    }
    ~CatalogOnTheFake() override {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(h.dbc);
        fake_vdl::reset();
        logger::instance().close_file();
        logger::instance().set_level(logger::level::info);
    }
    [[nodiscard]] std::vector<std::string> log_lines() const {
        logger::instance().close_file();
        return support::lines_of(support::read_file(logs.path() / "vdl_odbc_driver.log"));
    }
    [[nodiscard]] bool logged(const std::string& line) const {
        const auto lines = log_lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    [[nodiscard]] SQLSMALLINT column_count() const {
        SQLSMALLINT n = -1;
        SQLNumResultCols(stmt, &n);
        return n;
    }
    [[nodiscard]] SQLLEN row_count() const {
        SQLLEN n = -2;
        SQLRowCount(stmt, &n);
        return n;
    }

    support::temp_dir logs;
    support::temp_dir home;
    support::scoped_env xdg{"XDG_DATA_HOME", home.path().string()};
    support::handles h{false};
    SQLHSTMT stmt = nullptr;
};

vdl_cell string_cell(const char* s) {
    vdl_cell c{};
    c.kind = VDL_CELL_STRING;
    c.payload.as_string = {s, static_cast<std::uint32_t>(std::char_traits<char>::length(s))};
    return c;
}

}  // namespace

TEST_F(CatalogOnTheFake, AStoreWithoutATableListAnswersNoTables) {
    ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls_of("vdl_query"), (strings{"vdl_query(#1, show tables;)"}));
    EXPECT_EQ(column_count(), 5);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
    EXPECT_TRUE(logged("[Error] no tables in the database..."));

    // Its error code is not what tells: only the record does.
    fake_vdl::next().query_result = VDL_E_QUERY;
    EXPECT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
}

TEST_F(CatalogOnTheFake, OnlyTextCellsNameTables) {
    std::array<vdl_cell, 5> cells{string_cell("cpu"), vdl_cell{}, vdl_cell{}, vdl_cell{}, string_cell("mem")};
    cells[1].kind = VDL_CELL_INT64;
    cells[1].payload.as_int64 = 0x1234;  // no pointer to read a name through
    cells[2].kind = VDL_CELL_NULL;
    cells[3].kind = VDL_CELL_BLOB;
    cells[3].payload.as_blob = {"disk", 4};
    std::array<vdl_cell*, 5> rows{&cells[0], &cells[1], &cells[2], &cells[3], &cells[4]};
    vdl_column_name name{"name", 4};
    vdl_result listing{&name, 1, rows.data(), 5};
    fake_vdl::next().query_record = &listing;

    ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, sql_text("%"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    std::string names;
    char table[16];
    while (SQLFetch(stmt) == SQL_SUCCESS) {
        ASSERT_EQ(SQLGetData(stmt, 3, SQL_C_CHAR, table, sizeof table, nullptr), SQL_SUCCESS);
        names += std::string(table) + " ";
    }
    EXPECT_EQ(names, "cpu disk mem ");
    EXPECT_EQ(fake_vdl::calls_of("vdl_release"), (strings{"vdl_release(null, record)"})) << "released once listed";

    // A listing without columns names no table.
    vdl_result no_columns{nullptr, 0, rows.data(), 5};
    fake_vdl::next().query_record = &no_columns;
    ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
}

TEST_F(CatalogOnTheFake, FailingMetadataIsLoggedAndAnswersNoColumns) {
    // The store lists the table cpu.
    std::array<vdl_cell, 1> listed{string_cell("cpu")};
    std::array<vdl_cell*, 1> listed_rows{&listed[0]};
    vdl_column_name listed_name{"name", 4};
    vdl_result listing{&listed_name, 1, listed_rows.data(), 1};
    fake_vdl::next().query_record = &listing;
    fake_vdl::next().metadata_result = VDL_E_STORAGE;
    fake_vdl::next().error_text = "disk on fire";
    ASSERT_EQ(SQLColumns(stmt, nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls_of("vdl_ts_get_metadata"), (strings{"vdl_ts_get_metadata(#1, cpu)"}));
    EXPECT_EQ(column_count(), 18);
    EXPECT_EQ(row_count(), -1);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
    EXPECT_TRUE(logged("[Error] could not get metadata for cpu: disk on fire"));

    ASSERT_EQ(SQLColumnPrivileges(stmt, nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(column_count(), 8);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
}

TEST_F(CatalogOnTheFake, MetadataOfAnUnknownTypeAndWithoutANameIsStillDescribed) {
    std::array<vdl_column_meta, 2> described{{{nullptr, VDL_TYPE_DOUBLE, 0}, {"odd", 77, 0}}};
    vdl_metadata metadata{described.data(), 2};
    fake_vdl::next().metadata_record = &metadata;
    // The store lists the table cpu.
    std::array<vdl_cell, 1> listed{string_cell("cpu")};
    std::array<vdl_cell*, 1> listed_rows{&listed[0]};
    vdl_column_name listed_name{"name", 4};
    vdl_result listing{&listed_name, 1, listed_rows.data(), 1};
    fake_vdl::next().query_record = &listing;
    ASSERT_EQ(SQLColumns(stmt, nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls_of("vdl_release"), (strings{"vdl_release(null, record)", "vdl_release(null, record)"}))
        << "the listing and the metadata";

    char name[16] = "x", type_name[16] = "x";
    SQLLEN name_length = 0, type_name_length = 0;
    SQLSMALLINT data_type = -1;
    SQLINTEGER size = -1;
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt, 4, SQL_C_CHAR, name, sizeof name, &name_length), SQL_SUCCESS);
    EXPECT_EQ(name_length, 0) << "no name: an empty one";
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt, 5, SQL_C_SSHORT, &data_type, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt, 6, SQL_C_CHAR, type_name, sizeof type_name, &type_name_length), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt, 7, SQL_C_SLONG, &size, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(data_type, 0);
    EXPECT_EQ(type_name_length, 0) << "an empty type name, not NULL";
    EXPECT_EQ(size, 0);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
}

TEST_F(CatalogOnTheFake, FixedAnswersAskTheLibraryNothing) {
    const auto before = fake_vdl::calls().size();
    ASSERT_EQ(
        SQLForeignKeys(stmt, nullptr, 0, nullptr, 0, sql_text("cpu"), SQL_NTS, nullptr, 0, nullptr, 0, nullptr, 0),
        SQL_SUCCESS);
    ASSERT_EQ(SQLProcedures(stmt, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLProcedureColumns(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLGetTypeInfo(stmt, SQL_ALL_TYPES), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls().size(), before);
}
