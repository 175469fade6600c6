// The catalog functions and SQLGetTypeInfo through the unixODBC Driver Manager, on a store of
// three tables. Each function's whole answer (its described columns, then its rows, for several
// arguments) is compared with an expected-output file in tests/expected, so that a reviewer reads
// the answer itself. VDL_UPDATE_EXPECTED=1 rewrites the files from what the driver answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver_manager.hpp"
#include "files.hpp"
#include "vdl_api.h"

namespace {

// A text argument: the text, or a null pointer.
struct arg {
    const char* text = nullptr;
    [[nodiscard]] SQLCHAR* ptr() const { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)); }
    [[nodiscard]] std::string shown() const { return text == nullptr ? "NULL" : "\"" + std::string(text) + "\""; }
};
constexpr arg none{};

std::string read_expected(const std::string& name) {
    return support::read_file(std::string(VDL_EXPECTED_DIR) + "/" + name);
}

using support::lines_of;

// Names the first line that differs, rather than printing both texts whole.
void expect_matches_file(const std::string& name, const std::string& actual) {
    if (const char* update = std::getenv("VDL_UPDATE_EXPECTED"); update != nullptr && std::string(update) == "1")
        std::ofstream(std::string(VDL_EXPECTED_DIR) + "/" + name, std::ios::binary) << actual;
    const auto got = lines_of(actual);
    const auto expected = lines_of(read_expected(name));
    for (std::size_t i = 0; i < std::max(got.size(), expected.size()); ++i) {
        const std::string want = i < expected.size() ? expected[i] : "<end of file>";
        const std::string have = i < got.size() ? got[i] : "<end of answer>";
        if (want != have) {
            ADD_FAILURE() << "tests/expected/" << name << " line " << i + 1 << "\n  expected: " << want
                          << "\n  answered: " << have;
            return;
        }
    }
}

std::string return_name(SQLRETURN rc) {
    switch (rc) {
    case SQL_SUCCESS: return "SQL_SUCCESS";
    case SQL_SUCCESS_WITH_INFO: return "SQL_SUCCESS_WITH_INFO";
    case SQL_NO_DATA: return "SQL_NO_DATA";
    case SQL_ERROR: return "SQL_ERROR";
    default: return std::to_string(rc);
    }
}

// tables: cpu ($timestamp, usage DOUBLE, host STRING) with three rows, cpu_load ($timestamp,
// load INT64, payload BLOB, core STRING), mem ($timestamp, free INT64).
class Catalog : public support::driver_manager_test {
protected:
    void SetUp() override {
        support::seed_store(config.store_uri(), {"CREATE TABLE cpu (usage DOUBLE, host STRING)",
                                                 "CREATE TABLE cpu_load (load INT64, payload BLOB, core STRING)",
                                                 "CREATE TABLE mem (free INT64)",
                                                 "INSERT INTO cpu ($timestamp, usage, host) VALUES (1, 0.5, 'alpha'), "
                                                 "(2, 0.25, 'beta'), (3, 0.75, 'gamma')"});
        open();
    }

    SQLRETURN exec(const char* text) const {
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
    }
    SQLRETURN tables(arg table, arg type = none) const {
        return SQLTables(stmt, nullptr, 0, nullptr, 0, table.ptr(), SQL_NTS, type.ptr(), SQL_NTS);
    }
    SQLRETURN columns(arg table) const {
        return SQLColumns(stmt, nullptr, 0, nullptr, 0, table.ptr(), SQL_NTS, nullptr, 0);
    }
    std::string state() const { return support::diag(SQL_HANDLE_STMT, stmt).substr(0, 5); }

    // What a call answered: its failure, or its columns as described and its rows as fetched
    // (every cell read as text, NULL written NULL, texts of character columns in quotes). The
    // cursor is closed afterwards, ready for the next call.
    std::string answer(const std::string& call, SQLRETURN rc) const {
        std::ostringstream out;
        out << "== " << call << "\n";
        if (!SQL_SUCCEEDED(rc)) {
            out << return_name(rc) << " " << support::diag(SQL_HANDLE_STMT, stmt) << "\n\n";
            return out.str();
        }
        SQLSMALLINT count = -1;
        SQLNumResultCols(stmt, &count);
        out << "columns: " << count << "\n";
        std::vector<bool> quoted;
        for (SQLUSMALLINT c = 1; c <= count; ++c) {
            SQLCHAR name[128] = {}, type_name[64] = {};
            SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0, type_name_length = 0;
            SQLULEN size = 0;
            SQLDescribeCol(stmt, c, name, sizeof name, &name_length, &type, &size, &digits, &nullable);
            SQLColAttribute(stmt, c, SQL_DESC_TYPE_NAME, type_name, sizeof type_name, &type_name_length, nullptr);
            out << "  " << c << " " << name << ": " << type_name << " (SQL type " << type << ", size " << size
                << ", digits " << digits << ", nullable " << nullable << ")\n";
            quoted.push_back(type == SQL_CHAR);
        }
        out << "rows:\n";
        SQLRETURN fetched = SQL_SUCCESS;
        while ((fetched = SQLFetch(stmt)) == SQL_SUCCESS) {
            out << " ";
            for (SQLUSMALLINT c = 1; c <= count; ++c) {
                char cell[256] = {};
                SQLLEN indicator = 0;
                const SQLRETURN got = SQLGetData(stmt, c, SQL_C_CHAR, cell, sizeof cell, &indicator);
                out << (c == 1 ? " " : " | ");
                if (!SQL_SUCCEEDED(got)) {
                    out << "<" << return_name(got) << " " << support::diag(SQL_HANDLE_STMT, stmt) << ">";
                } else if (indicator == SQL_NULL_DATA) {
                    out << "NULL";
                } else {
                    out << (quoted[c - 1] ? "\"" + std::string(cell) + "\"" : std::string(cell));
                }
            }
            out << "\n";
        }
        if (fetched != SQL_NO_DATA)
            out << "fetch: " << return_name(fetched) << " " << support::diag(SQL_HANDLE_STMT, stmt) << "\n";
        out << "\n";
        SQLFreeStmt(stmt, SQL_CLOSE);
        return out.str();
    }
};

}  // namespace

TEST_F(Catalog, Tables) {
    std::string all;
    for (const arg table : {arg{"%"}, arg{""}, none, arg{"cpu_load"}, arg{"cpu%"}, arg{"CPU"}, arg{"cp"}})
        all += answer("SQLTables table " + table.shown(), tables(table));
    // Views asked for, tables given: the store has no views.
    all += answer("SQLTables table \"%\", type \"VIEW\"", tables(arg{"%"}, arg{"VIEW"}));
    expect_matches_file("catalog_tables.txt", all);
}

TEST_F(Catalog, Columns) {
    std::string all;
    for (const arg table : {arg{"cpu"}, arg{"cpu_load"}, arg{"mem"}, arg{""}, arg{"missing"}, arg{"%"}})
        all += answer("SQLColumns table " + table.shown(), columns(table));
    expect_matches_file("catalog_columns.txt", all);
}

TEST_F(Catalog, PrimaryKeys) {
    std::string all;
    for (const arg table : {arg{"cpu"}, arg{"missing"}, arg{""}})
        all += answer("SQLPrimaryKeys table " + table.shown(),
                      SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, table.ptr(), SQL_NTS));
    expect_matches_file("catalog_primary_keys.txt", all);
}

TEST_F(Catalog, ForeignKeys) {
    std::string all;
    for (const auto& [pk, fk] :
         {std::pair{arg{"cpu"}, arg{""}}, std::pair{arg{""}, arg{"mem"}}, std::pair{arg{""}, arg{""}}})
        all += answer(
            "SQLForeignKeys pktable " + pk.shown() + ", fktable " + fk.shown(),
            SQLForeignKeys(stmt, nullptr, 0, nullptr, 0, pk.ptr(), SQL_NTS, nullptr, 0, nullptr, 0, fk.ptr(), SQL_NTS));
    expect_matches_file("catalog_foreign_keys.txt", all);
}

TEST_F(Catalog, Statistics) {
    std::string all;
    for (const arg table : {arg{"%"}, arg{"mem"}, arg{"cpux"}})
        all += answer("SQLStatistics table " + table.shown(),
                      SQLStatistics(stmt, nullptr, 0, nullptr, 0, table.ptr(), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK));
    expect_matches_file("catalog_statistics.txt", all);
}

TEST_F(Catalog, TablePrivileges) {
    std::string all;
    for (const arg table : {arg{""}, arg{"mem"}, arg{"memo"}})
        all += answer("SQLTablePrivileges table " + table.shown(),
                      SQLTablePrivileges(stmt, nullptr, 0, nullptr, 0, table.ptr(), SQL_NTS));
    expect_matches_file("catalog_table_privileges.txt", all);
}

TEST_F(Catalog, ColumnPrivileges) {
    std::string all;
    for (const arg table : {arg{"cpu_load"}, arg{""}, arg{"missing"}})
        all += answer("SQLColumnPrivileges table " + table.shown(),
                      SQLColumnPrivileges(stmt, nullptr, 0, nullptr, 0, table.ptr(), SQL_NTS, nullptr, 0));
    expect_matches_file("catalog_column_privileges.txt", all);
}

TEST_F(Catalog, Procedures) {
    std::string all =
        answer("SQLProcedures procedure \"%\"", SQLProcedures(stmt, nullptr, 0, nullptr, 0, arg{"%"}.ptr(), SQL_NTS));
    all += answer("SQLProcedureColumns procedure \"%\", column \"%\"",
                  SQLProcedureColumns(stmt, nullptr, 0, nullptr, 0, arg{"%"}.ptr(), SQL_NTS, arg{"%"}.ptr(), SQL_NTS));
    expect_matches_file("catalog_procedures.txt", all);
}

TEST_F(Catalog, TypeInfo) {
    std::string all;
    for (const auto& [name, type] : {std::pair{"SQL_ALL_TYPES", SQL_ALL_TYPES}, std::pair{"SQL_NUMERIC", SQL_NUMERIC},
                                     std::pair{"SQL_TYPE_DATE", SQL_TYPE_DATE}, std::pair{"SQL_BIGINT", SQL_BIGINT},
                                     std::pair{"SQL_WVARCHAR", SQL_WVARCHAR}, std::pair{"SQL_GUID", SQL_GUID}})
        all += answer(std::string("SQLGetTypeInfo ") + name, SQLGetTypeInfo(stmt, static_cast<SQLSMALLINT>(type)));
    expect_matches_file("catalog_type_info.txt", all);
}

// Qt asks for SQL_TIMESTAMP (11) to learn how many fraction digits a timestamp keeps.
TEST_F(Catalog, TypeInfoOfOdbc2DateAndTimeCodesIsThatOfTheirOdbc3Codes) {
    for (const auto& [odbc2, odbc3] : {std::pair{SQL_DATE, SQL_TYPE_DATE}, std::pair{SQL_TIME, SQL_TYPE_TIME},
                                       std::pair{SQL_TIMESTAMP, SQL_TYPE_TIMESTAMP}}) {
        const std::string expected = answer("type", SQLGetTypeInfo(stmt, static_cast<SQLSMALLINT>(odbc3)));
        EXPECT_EQ(answer("type", SQLGetTypeInfo(stmt, static_cast<SQLSMALLINT>(odbc2))), expected) << odbc2;
    }
    ASSERT_EQ(SQLGetTypeInfo(stmt, SQL_TIMESTAMP), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLINTEGER size = 0;
    ASSERT_EQ(SQLGetData(stmt, 3, SQL_C_SLONG, &size, 0, nullptr), SQL_SUCCESS);
    EXPECT_GT(size, 20) << "a timestamp keeps a fraction";
}

TEST_F(Catalog, ACatalogColumnIsReadByItsKind) {
    ASSERT_EQ(columns(arg{"cpu"}), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLSMALLINT data_type = 0;
    ASSERT_EQ(SQLGetData(stmt, 5, SQL_C_SSHORT, &data_type, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(data_type, SQL_TYPE_TIMESTAMP);
    SQLINTEGER ordinal = 0;
    ASSERT_EQ(SQLGetData(stmt, 17, SQL_C_SLONG, &ordinal, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(ordinal, 1);
    // SQL_DATA_TYPE is a SMALLINT: the verbose type, SQL_DATETIME for a timestamp.
    SQLSMALLINT sql_data_type = -7;
    EXPECT_EQ(SQLGetData(stmt, 14, SQL_C_SSHORT, &sql_data_type, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(sql_data_type, SQL_DATETIME);
}

TEST_F(Catalog, TypeInfoColumnSizeIsAnIntegerAndEmptyTextsAreNotNull) {
    ASSERT_EQ(SQLGetTypeInfo(stmt, SQL_LONGVARCHAR), SQL_SUCCESS);
    SQLSMALLINT type = 0, digits = 0, nullable = 0, name_length = 0;
    SQLULEN size = 0;
    SQLCHAR name[32];
    ASSERT_EQ(SQLDescribeCol(stmt, 3, name, sizeof name, &name_length, &type, &size, &digits, &nullable), SQL_SUCCESS);
    EXPECT_EQ(type, SQL_INTEGER);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLINTEGER column_size = 0;
    ASSERT_EQ(SQLGetData(stmt, 3, SQL_C_SLONG, &column_size, 0, nullptr), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(column_size, 2147483647);
    ASSERT_EQ(SQLFetch(stmt), SQL_NO_DATA);
    SQLFreeStmt(stmt, SQL_CLOSE);

    ASSERT_EQ(SQLGetTypeInfo(stmt, SQL_INTEGER), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    char prefix[8] = "x";
    SQLLEN length = -7;
    ASSERT_EQ(SQLGetData(stmt, 4, SQL_C_CHAR, prefix, sizeof prefix, &length), SQL_SUCCESS);
    EXPECT_EQ(length, 0) << "an empty text, not NULL";
    EXPECT_STREQ(prefix, "");
}

TEST_F(Catalog, RowCountsAndBoundColumnsOfCatalogAnswers) {
    char name[32] = {};
    SQLLEN length = 0;
    ASSERT_EQ(SQLBindCol(stmt, 3, SQL_C_CHAR, name, sizeof name, &length), SQL_SUCCESS);
    ASSERT_EQ(tables(arg{"%"}), SQL_SUCCESS);
    SQLLEN rows = 0;
    ASSERT_EQ(SQLRowCount(stmt, &rows), SQL_SUCCESS);
    EXPECT_EQ(rows, 3);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    EXPECT_STREQ(name, "cpu");
    SQLFreeStmt(stmt, SQL_CLOSE);

    // The binding stays for the next catalog call: column 3 is the table name there too.
    ASSERT_EQ(SQLStatistics(stmt, nullptr, 0, nullptr, 0, arg{"mem"}.ptr(), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK),
              SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    EXPECT_STREQ(name, "mem");
    EXPECT_EQ(length, 3);
    SQLFreeStmt(stmt, SQL_CLOSE);

    ASSERT_EQ(SQLProcedures(stmt, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLRowCount(stmt, &rows), SQL_SUCCESS);
    EXPECT_EQ(rows, -1) << "no rows";
    SQLSMALLINT count = 0;
    ASSERT_EQ(SQLNumResultCols(stmt, &count), SQL_SUCCESS);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
}

TEST_F(Catalog, ACatalogCallAfterAQueryStartsAtItsFirstRowOnceTheCursorIsClosed) {
    ASSERT_EQ(exec("select host from cpu order by $timestamp"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    // The Driver Manager refuses a catalog call while the query's cursor is open.
    EXPECT_EQ(tables(arg{"%"}), SQL_ERROR);
    EXPECT_EQ(state(), "24000");

    ASSERT_EQ(SQLFreeStmt(stmt, SQL_CLOSE), SQL_SUCCESS);
    ASSERT_EQ(tables(arg{"%"}), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    char name[32] = {};
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt, 3, SQL_C_CHAR, name, sizeof name, nullptr), SQL_SUCCESS);
    EXPECT_STREQ(name, "cpu");
}

TEST_F(Catalog, AfterAQueryReadToItsEndACatalogAnswerStartsAtItsFirstRow) {
    ASSERT_EQ(exec("select host from cpu order by $timestamp"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    while (SQLFetch(stmt) == SQL_SUCCESS) {
    }
    // Once the query has answered SQL_NO_DATA the Driver Manager lets a catalog call through
    // without a close; the answer is then read from its first row, not from past its end.
    ASSERT_EQ(tables(arg{"%"}), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    std::string names;
    char name[32] = {};
    while (SQLFetch(stmt) == SQL_SUCCESS) {
        ASSERT_EQ(SQLGetData(stmt, 3, SQL_C_CHAR, name, sizeof name, nullptr), SQL_SUCCESS);
        names += std::string(name) + " ";
    }
    EXPECT_EQ(names, "cpu cpu_load mem ");
}

TEST_F(Catalog, TheCatalogFunctionsAreReportedSupported) {
    for (const SQLUSMALLINT id : std::to_array<SQLUSMALLINT>(
             {SQL_API_SQLTABLES, SQL_API_SQLCOLUMNS, SQL_API_SQLSTATISTICS, SQL_API_SQLPRIMARYKEYS,
              SQL_API_SQLFOREIGNKEYS, SQL_API_SQLTABLEPRIVILEGES, SQL_API_SQLCOLUMNPRIVILEGES, SQL_API_SQLPROCEDURES,
              SQL_API_SQLPROCEDURECOLUMNS, SQL_API_SQLGETTYPEINFO})) {
        SQLUSMALLINT supported = 7;
        ASSERT_EQ(SQLGetFunctions(dbc, id, &supported), SQL_SUCCESS);
        EXPECT_EQ(supported, SQL_TRUE) << id;
    }
    SQLUSMALLINT supported = 7;
    ASSERT_EQ(SQLGetFunctions(dbc, SQL_API_SQLSPECIALCOLUMNS, &supported), SQL_SUCCESS);
    EXPECT_EQ(supported, SQL_FALSE);
}

// Search patterns: `%`, `_` and the escape `\` (SQL_SEARCH_PATTERN_ESCAPE), in table and column
// arguments, beside a table cpuxload that `_` matches in the place of cpu_load's underscore, and
// tables that do not exist (empty answers, never errors).
TEST_F(Catalog, SearchPatternsAndMissingTables) {
    ASSERT_EQ(exec("CREATE TABLE cpuxload (n INT64)"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    SQLFreeStmt(stmt, SQL_CLOSE);
    const auto columns_of = [&](arg table, arg column) {
        return SQLColumns(stmt, nullptr, 0, nullptr, 0, table.ptr(), SQL_NTS, column.ptr(), SQL_NTS);
    };
    std::string all;
    for (const arg table : {arg{"cpu_load"}, arg{"cpu\\_load"}, arg{"c_u"}, arg{"c\\_u"}, arg{"%load"}, arg{"_pu%"},
                            arg{"missing"}, arg{"cpu\\%"}})
        all += answer("SQLTables table " + table.shown(), tables(table));
    for (const auto& [table, column] :
         {std::pair{arg{"cpu\\_load"}, arg{"%o%"}}, std::pair{arg{"cpu_load"}, arg{"_"}},
          std::pair{arg{"%"}, arg{"l_ad"}}, std::pair{arg{"missing"}, arg{"%"}}, std::pair{arg{"cpu"}, arg{"missing"}}})
        all += answer("SQLColumns table " + table.shown() + ", column " + column.shown(), columns_of(table, column));
    all += answer("SQLPrimaryKeys table \"missing\"",
                  SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, arg{"missing"}.ptr(), SQL_NTS));
    // The table of SQLPrimaryKeys and SQLStatistics is a name, not a pattern.
    all += answer("SQLPrimaryKeys table \"cpu%\"",
                  SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, arg{"cpu%"}.ptr(), SQL_NTS));
    all += answer("SQLStatistics table \"missing\"",
                  SQLStatistics(stmt, nullptr, 0, nullptr, 0, arg{"missing"}.ptr(), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK));
    all += answer("SQLStatistics table \"cpu_load\"", SQLStatistics(stmt, nullptr, 0, nullptr, 0, arg{"cpu_load"}.ptr(),
                                                                    SQL_NTS, SQL_INDEX_UNIQUE, SQL_ENSURE));
    expect_matches_file("catalog_patterns.txt", all);
}

// SQL_ATTR_METADATA_ID on: every argument is an identifier, compared without regard to case unless
// quoted, and `%`, `_` and `\` are themselves.
TEST_F(Catalog, MetadataIdTakesIdentifiers) {
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_METADATA_ID, reinterpret_cast<SQLPOINTER>(SQL_TRUE), 0), SQL_SUCCESS);
    SQLULEN on = 0;
    ASSERT_EQ(SQLGetStmtAttr(stmt, SQL_ATTR_METADATA_ID, &on, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(on, SQL_TRUE);
    std::string all;
    for (const arg table :
         {arg{"CPU"}, arg{"Cpu_Load"}, arg{"\"CPU\""}, arg{"\"cpu\""}, arg{"cpu%"}, arg{"c_u"}, arg{"mem  "}})
        all += answer("SQLTables table " + table.shown(), tables(table));
    all += answer("SQLColumns table \"CPU_LOAD\", column \"LOAD\"",
                  SQLColumns(stmt, nullptr, 0, nullptr, 0, arg{"CPU_LOAD"}.ptr(), SQL_NTS, arg{"LOAD"}.ptr(), SQL_NTS));
    all += answer("SQLColumns table \"cpu\", column \"\\\"HOST\\\"\"",
                  SQLColumns(stmt, nullptr, 0, nullptr, 0, arg{"cpu"}.ptr(), SQL_NTS, arg{"\"HOST\""}.ptr(), SQL_NTS));
    all +=
        answer("SQLPrimaryKeys table \"MEM\"", SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, arg{"MEM"}.ptr(), SQL_NTS));
    // Off again: patterns, case counts.
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_METADATA_ID, reinterpret_cast<SQLPOINTER>(SQL_FALSE), 0), SQL_SUCCESS);
    all += answer("metadata id off: SQLTables table \"CPU\"", tables(arg{"CPU"}));
    all += answer("metadata id off: SQLTables table \"c_u\"", tables(arg{"c_u"}));
    expect_matches_file("catalog_metadata_id.txt", all);
}

// The enumerations of SQLTables (SQL_ALL_CATALOGS, SQL_ALL_SCHEMAS, SQL_ALL_TABLE_TYPES) and
// lists of table types.
TEST_F(Catalog, EnumerationsAndTableTypeLists) {
    const auto tables_of = [&](arg catalog, arg schema, arg table, arg type) {
        return SQLTables(stmt, catalog.ptr(), SQL_NTS, schema.ptr(), SQL_NTS, table.ptr(), SQL_NTS, type.ptr(),
                         SQL_NTS);
    };
    std::string all;
    all +=
        answer("SQL_ALL_CATALOGS: catalog \"%\", schema \"\", table \"\"", tables_of(arg{"%"}, arg{""}, arg{""}, none));
    all +=
        answer("SQL_ALL_SCHEMAS: catalog \"\", schema \"%\", table \"\"", tables_of(arg{""}, arg{"%"}, arg{""}, none));
    all += answer("SQL_ALL_TABLE_TYPES: catalog \"\", schema \"\", table \"\", type \"%\"",
                  tables_of(arg{""}, arg{""}, arg{""}, arg{"%"}));
    for (const arg type : {arg{"TABLE"}, arg{"'TABLE'"}, arg{"'VIEW','TABLE'"}, arg{"VIEW, TABLE"}, arg{"SYSTEM TABLE"},
                           arg{"'SYSTEM TABLE','ALIAS','SYNONYM'"}, arg{"%"}, arg{""}})
        all += answer("SQLTables table \"%\", type " + type.shown(), tables(arg{"%"}, type));
    expect_matches_file("catalog_enumerations.txt", all);
}
