// SQLGetFunctions through the export: the ODBC 3 bitmap, the ODBC 2 array and single queries.

#include <gtest/gtest.h>

#include <array>
#include <bit>

#include "test_support.hpp"

namespace {

bool exists(const std::array<SQLUSMALLINT, 260>& words, SQLUSMALLINT id) {
    return SQL_FUNC_EXISTS(words.data(), id) == SQL_TRUE;
}

}  // namespace

TEST(GetFunctions, Odbc3BitmapHasExactlyTheSupportedFunctions) {
    test::handles h(false);
    std::array<SQLUSMALLINT, 260> words;
    words.fill(0xFFFF);  // stale bits must be cleared
    ASSERT_EQ(SQLGetFunctions(h.dbc, SQL_API_ODBC3_ALL_FUNCTIONS, words.data()), SQL_SUCCESS);

    int set = 0;
    for (std::size_t i = 0; i < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE; ++i) set += std::popcount(words[i]);
    EXPECT_EQ(set, 70);
    EXPECT_EQ(words[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE], 0xFFFF) << "nothing past the 250 words";

    // SQLCancelHandle and SQLCompleteAsync by their ODBC 3.80 numbers.
    for (int id : {SQL_API_SQLFETCH, SQL_API_SQLALLOCHANDLE, SQL_API_SQLGETINFO, SQL_API_SQLCOLATTRIBUTE,
                   SQL_API_SQLBULKOPERATIONS, SQL_API_SQLFETCHSCROLL, 1550, 1551})
        EXPECT_TRUE(exists(words, static_cast<SQLUSMALLINT>(id))) << id;
    // Named but not supported: the ODBC 2 handle functions, SQLBindParam and others.
    for (int id : {1, 2, 14, 15, 22, 46, 51, 73, 79, 1002})
        EXPECT_FALSE(exists(words, static_cast<SQLUSMALLINT>(id))) << id;
    for (int id = 1552; id < 16 * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE; ++id)
        ASSERT_FALSE(exists(words, static_cast<SQLUSMALLINT>(id))) << id;
}

TEST(GetFunctions, Odbc2ArrayAndSingleQueries) {
    test::captured_log log(logger::level::debug);
    test::handles h(false);
    std::array<SQLUSMALLINT, 101> all;
    all.fill(0);
    ASSERT_EQ(SQLGetFunctions(h.dbc, SQL_API_ALL_FUNCTIONS, all.data()), SQL_SUCCESS);
    for (std::size_t i = 0; i < 100; ++i) ASSERT_EQ(all[i], 0xFFFF) << i;
    EXPECT_EQ(all[100], 0) << "exactly 100 words";

    // A single identifier always reads as supported, named or not.
    for (int id : {SQL_API_SQLALLOCENV, SQL_API_SQLFETCH, 500}) {
        SQLUSMALLINT supported = 0xABCD;
        ASSERT_EQ(SQLGetFunctions(h.dbc, static_cast<SQLUSMALLINT>(id), &supported), SQL_SUCCESS);
        EXPECT_EQ(supported, SQL_TRUE) << id;
    }
    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] get_functions - id: SQL_API_SQLFETCH\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] get_functions - id: \n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] get_functions - id: SQL_API_ALL_FUNCTIONS\n"), std::string::npos) << text;
}

TEST(GetFunctions, NullSupportedPointerIsRefused) {
    test::handles h(false);
    EXPECT_EQ(SQLGetFunctions(h.dbc, SQL_API_SQLFETCH, nullptr), SQL_ERROR);
    EXPECT_EQ(test::diag_of(SQL_HANDLE_DBC, h.dbc).sqlstate, "HY009");
}
