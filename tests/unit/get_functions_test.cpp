// SQLGetFunctions through the export: the ODBC 3 bitmap, the ODBC 2 array and single queries.

#include <gtest/gtest.h>

#include <array>
#include <bit>

#include "captured_log.hpp"
#include "driver_handles.hpp"

namespace {

bool exists(const std::array<SQLUSMALLINT, 260>& words, SQLUSMALLINT id) {
    return SQL_FUNC_EXISTS(words.data(), id) == SQL_TRUE;
}

}  // namespace

namespace {

// Exported, but their work is not offered (or not built yet): none may be reported.
constexpr SQLUSMALLINT not_offered[] = {
    SQL_API_SQLBROWSECONNECT,    SQL_API_SQLBULKOPERATIONS, SQL_API_SQLCANCELHANDLE, SQL_API_SQLCOPYDESC,
    SQL_API_SQLGETCURSORNAME,    SQL_API_SQLGETDESCFIELD,   SQL_API_SQLGETDESCREC,   SQL_API_SQLPARAMDATA,
    SQL_API_SQLPUTDATA,          SQL_API_SQLSETCURSORNAME,  SQL_API_SQLSETDESCFIELD, SQL_API_SQLSETDESCREC,
    SQL_API_SQLSETSCROLLOPTIONS, SQL_API_SQLSPECIALCOLUMNS,
};

constexpr SQLUSMALLINT working[] = {
    SQL_API_SQLFETCH,
    SQL_API_SQLALLOCHANDLE,
    SQL_API_SQLGETINFO,
    SQL_API_SQLCOLATTRIBUTE,
    SQL_API_SQLFETCHSCROLL,
    SQL_API_SQLCLOSECURSOR,
    SQL_API_SQLDESCRIBEPARAM,
    SQL_API_SQLCANCEL,
    SQL_API_SQLGETDIAGFIELD,
    SQL_API_SQLMORERESULTS,
    SQL_API_SQLENDTRAN,
    SQL_API_SQLGETFUNCTIONS,
    SQL_API_SQLPARAMOPTIONS,
    // the catalog and type information
    SQL_API_SQLTABLES,
    SQL_API_SQLCOLUMNS,
    SQL_API_SQLSTATISTICS,
    SQL_API_SQLPRIMARYKEYS,
    SQL_API_SQLFOREIGNKEYS,
    SQL_API_SQLTABLEPRIVILEGES,
    SQL_API_SQLCOLUMNPRIVILEGES,
    SQL_API_SQLPROCEDURES,
    SQL_API_SQLPROCEDURECOLUMNS,
    SQL_API_SQLGETTYPEINFO,
    SQL_API_SQLSETPOS,
};

}  // namespace

TEST(GetFunctions, Odbc3BitmapHasExactlyTheSupportedFunctions) {
    support::handles h(false);
    std::array<SQLUSMALLINT, 260> words;
    words.fill(0xFFFF);  // stale bits must be cleared
    ASSERT_EQ(SQLGetFunctions(h.dbc, SQL_API_ODBC3_ALL_FUNCTIONS, words.data()), SQL_SUCCESS);

    int set = 0;
    for (std::size_t i = 0; i < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE; ++i) set += std::popcount(words[i]);
    EXPECT_EQ(set, 55);
    EXPECT_EQ(words[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE], 0xFFFF) << "nothing past the 250 words";

    for (const auto id : working) EXPECT_TRUE(exists(words, id)) << id;
    for (const auto id : not_offered) EXPECT_FALSE(exists(words, id)) << id;
    // Named but not supported: the ODBC 2 handle functions, SQLBindParam and others.
    for (int id : {1, 2, 14, 15, 22, 46, 51, 73, 79, 1002})
        EXPECT_FALSE(exists(words, static_cast<SQLUSMALLINT>(id))) << id;
    for (int id = 1552; id < 16 * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE; ++id)
        ASSERT_FALSE(exists(words, static_cast<SQLUSMALLINT>(id))) << id;
}

TEST(GetFunctions, TheThreeFormsAgree) {
    support::captured_log log(logger::level::debug);
    support::handles h(false);
    std::array<SQLUSMALLINT, SQL_API_ODBC3_ALL_FUNCTIONS_SIZE> words{};
    ASSERT_EQ(SQLGetFunctions(h.dbc, SQL_API_ODBC3_ALL_FUNCTIONS, words.data()), SQL_SUCCESS);
    std::array<SQLUSMALLINT, 101> all;
    all.fill(0xABCD);
    ASSERT_EQ(SQLGetFunctions(h.dbc, SQL_API_ALL_FUNCTIONS, all.data()), SQL_SUCCESS);
    EXPECT_EQ(all[100], 0xABCD) << "exactly 100 flags";
    for (SQLUSMALLINT id = 1; id < 100; ++id) {
        const SQLUSMALLINT expected = SQL_FUNC_EXISTS(words.data(), id) ? SQL_TRUE : SQL_FALSE;
        EXPECT_EQ(all[id], expected) << id;
        SQLUSMALLINT one = 0xABCD;
        ASSERT_EQ(SQLGetFunctions(h.dbc, id, &one), SQL_SUCCESS);
        EXPECT_EQ(one, expected) << id;
    }
    for (const SQLUSMALLINT id :
         std::to_array<SQLUSMALLINT>({SQL_API_SQLCLOSECURSOR, SQL_API_SQLFETCHSCROLL, SQL_API_SQLGETDIAGREC})) {
        SQLUSMALLINT one = 0;
        ASSERT_EQ(SQLGetFunctions(h.dbc, id, &one), SQL_SUCCESS);
        EXPECT_EQ(one, SQL_TRUE) << id;
    }
    for (const SQLUSMALLINT id :
         std::to_array<SQLUSMALLINT>({SQL_API_SQLALLOCENV, SQL_API_SQLBULKOPERATIONS, SQL_API_SQLCOPYDESC, 500})) {
        SQLUSMALLINT one = 0xABCD;
        ASSERT_EQ(SQLGetFunctions(h.dbc, id, &one), SQL_SUCCESS);
        EXPECT_EQ(one, SQL_FALSE) << id;
    }
    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] get_functions - id: SQL_API_SQLFETCHSCROLL\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] get_functions - id: \n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] get_functions - id: SQL_API_ALL_FUNCTIONS\n"), std::string::npos) << text;
}

TEST(GetFunctions, NullSupportedPointerIsRefused) {
    support::handles h(false);
    EXPECT_EQ(SQLGetFunctions(h.dbc, SQL_API_SQLFETCH, nullptr), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).sqlstate, "HY009");
}
