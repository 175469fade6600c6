// SQLGetInfo through the export: widths, truncation, the live rows and the ODBC 2 names.

#include <gtest/gtest.h>

#include <string>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "sentinel_buffer.hpp"

namespace {

struct info_text {
    SQLRETURN rc;
    std::string text;
    SQLSMALLINT length;
};

info_text info_string(SQLHDBC dbc, SQLUSMALLINT type) {
    char buffer[256] = {};
    SQLSMALLINT length = -7;
    const SQLRETURN rc = SQLGetInfo(dbc, type, buffer, sizeof buffer, &length);
    return {rc, buffer, length};
}

}  // namespace

TEST(GetInfo, StringsTruncateButReportTheFullLength) {
    support::handles h(false);
    support::sentinel_buffer<8> buffer;
    SQLSMALLINT length = -7;
    ASSERT_EQ(SQLGetInfo(h.dbc, SQL_DBMS_NAME, buffer.data(), 4, &length), SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.bytes.data()), buffer.written()),
              std::string("Van\0", 4));
    EXPECT_EQ(length, 7);

    const auto version = info_string(h.dbc, SQL_DRIVER_ODBC_VER);
    EXPECT_EQ(version.text, "03.80");
    EXPECT_EQ(version.length, 5);
    EXPECT_EQ(info_string(h.dbc, SQL_IDENTIFIER_QUOTE_CHAR).text, "\"");
    EXPECT_EQ(info_string(h.dbc, SQL_CATALOG_NAME_SEPARATOR).length, 0);

    // No buffer, or none to write into: nothing is written, the length is still reported.
    length = -7;
    ASSERT_EQ(SQLGetInfo(h.dbc, SQL_DBMS_NAME, nullptr, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(length, 7);
    support::sentinel_buffer<8> negative;
    length = -7;
    ASSERT_EQ(SQLGetInfo(h.dbc, SQL_DBMS_NAME, negative.data(), -104, &length), SQL_SUCCESS);
    EXPECT_TRUE(negative.untouched());
    EXPECT_EQ(length, 7);
}

TEST(GetInfo, NumbersHaveTheirOdbcWidths) {
    support::handles h(false);
    const auto read = [&](SQLUSMALLINT type) {
        support::sentinel_buffer<8> buffer;
        SQLSMALLINT length = -7;
        EXPECT_EQ(SQLGetInfo(h.dbc, type, buffer.data(), 8, &length), SQL_SUCCESS);
        EXPECT_EQ(static_cast<std::size_t>(length), buffer.written()) << "the length is the width written";
        return buffer;
    };
    EXPECT_EQ(read(SQL_MAX_CONCURRENT_ACTIVITIES).written(), 2u);
    EXPECT_EQ(read(SQL_MAX_CONCURRENT_ACTIVITIES).as<SQLUSMALLINT>(), 1);
    EXPECT_EQ(read(SQL_MAX_COLUMN_NAME_LEN).as<SQLUSMALLINT>(), 1024);
    EXPECT_EQ(read(SQL_GETDATA_EXTENSIONS).written(), 4u);
    EXPECT_EQ(read(SQL_GETDATA_EXTENSIONS).as<SQLUINTEGER>(),
              static_cast<SQLUINTEGER>(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND))
        << "no output parameters to read, no row of a block but the first";
    // CONVERT takes a text to the character types, a timestamp and a date.
    EXPECT_EQ(read(SQL_CONVERT_VARCHAR).as<SQLUINTEGER>(),
              static_cast<SQLUINTEGER>(SQL_CVT_CHAR | SQL_CVT_VARCHAR | SQL_CVT_LONGVARCHAR | SQL_CVT_WCHAR |
                                       SQL_CVT_WVARCHAR | SQL_CVT_TIMESTAMP | SQL_CVT_DATE));
    EXPECT_EQ(read(SQL_SQL_CONFORMANCE).written(), 4u);
    EXPECT_EQ(read(SQL_SQL_CONFORMANCE).as<SQLUINTEGER>(), static_cast<SQLUINTEGER>(SQL_SC_SQL92_ENTRY));
    EXPECT_EQ(read(SQL_POS_OPERATIONS).as<SQLUINTEGER>(),
              static_cast<SQLUINTEGER>(SQL_POS_POSITION | SQL_POS_UPDATE | SQL_POS_DELETE));
    // An SQLUINTEGER in ODBC: all four bytes are written.
    EXPECT_EQ(read(SQL_MAX_CHAR_LITERAL_LEN).written(), 4u);
}

TEST(GetInfo, Odbc2NamesAreAnsweredByTheOdbc3Rows) {
    support::captured_log log(logger::level::debug);
    support::handles h(false);
    support::sentinel_buffer<8> buffer;
    ASSERT_EQ(SQLGetInfo(h.dbc, SQL_ACTIVE_STATEMENTS, buffer.data(), 8, nullptr), SQL_SUCCESS);
    EXPECT_EQ(buffer.written(), 2u);
    EXPECT_EQ(buffer.as<SQLUSMALLINT>(), 1);
    ASSERT_EQ(SQLGetInfo(h.dbc, SQL_QUALIFIER_TERM, buffer.data(), 8, nullptr), SQL_SUCCESS);
    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] Get info: 1(SQL_MAX_CONCURRENT_ACTIVITIES)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug] Get info: 42(SQL_CATALOG_TERM)\n"), std::string::npos) << text;
}

TEST(GetInfo, DataSourceAndUserAreEmptyBeforeAConnect) {
    // The connect tests read them after connects that name them.
    support::handles h(false);
    EXPECT_EQ(info_string(h.dbc, SQL_DATA_SOURCE_NAME).text, "");
    EXPECT_EQ(info_string(h.dbc, SQL_USER_NAME).length, 0);
}

TEST(GetInfo, UnknownTypeIsRefusedAndWritesNothing) {
    support::handles h(false);
    support::sentinel_buffer<8> buffer;
    SQLSMALLINT length = -7;
    EXPECT_EQ(SQLGetInfo(h.dbc, 5000, buffer.data(), 8, &length), SQL_ERROR);
    EXPECT_TRUE(buffer.untouched());
    EXPECT_EQ(length, -7);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).message,
              "[HY092] Invalid attribute/option identifier: Unknown attribute: 5000");
}
