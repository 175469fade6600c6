// SQLSetEnvAttr / SQLGetEnvAttr and SQLSetConnectAttr / SQLGetConnectAttr through the exports.

#include <gtest/gtest.h>

#include <cstdint>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "sentinel_buffer.hpp"

namespace {

using support::bits;

SQLUINTEGER env_u32(SQLHENV env, SQLINTEGER attribute) {
    SQLUINTEGER value = 0xDEAD;
    EXPECT_EQ(SQLGetEnvAttr(env, attribute, &value, 0, nullptr), SQL_SUCCESS);
    return value;
}

SQLUINTEGER connect_u32(SQLHDBC dbc, SQLINTEGER attribute) {
    SQLUINTEGER value = 0xDEAD;
    EXPECT_EQ(SQLGetConnectAttr(dbc, attribute, &value, 0, nullptr), SQL_SUCCESS);
    return value;
}

}  // namespace

TEST(EnvironmentAttributes, OdbcVersionAcceptsTwoThreeAndThreeEighty) {
    support::captured_log log(logger::level::info);
    support::handles h(false);
    EXPECT_EQ(env_u32(h.env, SQL_ATTR_ODBC_VERSION), 380u);
    EXPECT_EQ(env_u32(h.env, SQL_ATTR_OUTPUT_NTS), 0u);

    EXPECT_EQ(SQLSetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, bits(SQL_OV_ODBC2), 0), SQL_SUCCESS);
    EXPECT_EQ(env_u32(h.env, SQL_ATTR_ODBC_VERSION), 2u);
    // An unsupported version is logged and not kept: the set says so with 01S02.
    EXPECT_EQ(SQLSetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, bits(5), 0), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_ENV, h.env).sqlstate, "01S02");
    EXPECT_EQ(env_u32(h.env, SQL_ATTR_ODBC_VERSION), 2u);
    EXPECT_EQ(SQLSetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, bits(SQL_OV_ODBC3), 0), SQL_SUCCESS);
    EXPECT_EQ(env_u32(h.env, SQL_ATTR_ODBC_VERSION), 3u);
    EXPECT_EQ(SQLSetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, bits(SQL_OV_ODBC3_80), 0), SQL_SUCCESS);
    EXPECT_EQ(env_u32(h.env, SQL_ATTR_ODBC_VERSION), 380u);

    const auto text = log.text();
    EXPECT_NE(text.find("[Info]  application version is 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Error] application version 5 is not supported\n"), std::string::npos) << text;
    EXPECT_EQ(support::diag_of(SQL_HANDLE_ENV, h.env).sqlstate, "00000");
}

TEST(EnvironmentAttributes, UnknownIdentifierIsRefusedAndPosted) {
    support::handles h(false);
    support::sentinel_buffer<8> buffer;
    EXPECT_EQ(SQLGetEnvAttr(h.env, 9999, buffer.data(), 0, nullptr), SQL_ERROR);
    EXPECT_TRUE(buffer.untouched());
    const auto d = support::diag_of(SQL_HANDLE_ENV, h.env);
    EXPECT_EQ(d.sqlstate, "HY092");
    EXPECT_EQ(d.message, "[HY092] Invalid attribute/option identifier: Unknown attribute: 9999");
}

TEST(ConnectionAttributes, AValueTheDriverCannotHonourGives01S02AndReadsBackTheValueInForce) {
    support::handles h(false);
    // No transactions: autocommit stays on.
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_AUTOCOMMIT, bits(SQL_AUTOCOMMIT_OFF), 0), SQL_SUCCESS_WITH_INFO);
    const auto d = support::diag_of(SQL_HANDLE_DBC, h.dbc);
    EXPECT_EQ(d.sqlstate, "01S02");
    EXPECT_EQ(d.message, "[01S02] Option value changed: 102(SQL_ATTR_AUTOCOMMIT) cannot be 0; it stays 1");
    EXPECT_EQ(connect_u32(h.dbc, SQL_ATTR_AUTOCOMMIT), 1u);
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_ACCESS_MODE, bits(SQL_MODE_READ_ONLY), 0), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(connect_u32(h.dbc, SQL_ATTR_ACCESS_MODE), static_cast<SQLUINTEGER>(SQL_MODE_READ_WRITE));
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_PACKET_SIZE, bits(4096), 0), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(connect_u32(h.dbc, SQL_ATTR_PACKET_SIZE), 128000000u);
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_TRACEFILE, const_cast<char*>("/tmp/trace"), SQL_NTS),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).message,
              "[01S02] Option value changed: 105(SQL_ATTR_TRACEFILE) cannot be '/tmp/trace'; it stays ''");

    // The value in force, asked for again, is accepted as it is.
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_AUTOCOMMIT, bits(SQL_AUTOCOMMIT_ON), 0), SQL_SUCCESS);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).sqlstate, "00000");
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_LOGIN_TIMEOUT, bits(5), 0), SQL_SUCCESS) << "a kept value";
}

TEST(ConnectionAttributes, LoginAndConnectionTimeoutShareOneField) {
    support::handles h(false);
    EXPECT_EQ(connect_u32(h.dbc, SQL_ATTR_LOGIN_TIMEOUT), 60u);
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_LOGIN_TIMEOUT, bits(15), 0), SQL_SUCCESS);
    EXPECT_EQ(connect_u32(h.dbc, SQL_ATTR_LOGIN_TIMEOUT), 15u);
    EXPECT_EQ(connect_u32(h.dbc, SQL_ATTR_CONNECTION_TIMEOUT), 15u);
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_CONNECTION_TIMEOUT, bits(30), 0), SQL_SUCCESS);
    EXPECT_EQ(connect_u32(h.dbc, SQL_ATTR_LOGIN_TIMEOUT), 30u);
}

TEST(ConnectionAttributes, WidthsFollowTheOdbcTypes) {
    support::handles h(false);
    const auto written = [&](SQLINTEGER attribute) {
        support::sentinel_buffer<16> buffer;
        EXPECT_EQ(SQLGetConnectAttr(h.dbc, attribute, buffer.data(), 16, nullptr), SQL_SUCCESS);
        return buffer;
    };
    EXPECT_EQ(written(SQL_ATTR_LOGIN_TIMEOUT).written(), 4u);  // SQLUINTEGER
    EXPECT_EQ(written(SQL_ATTR_QUIET_MODE).written(), 8u);     // pointer
    EXPECT_EQ(written(SQL_ATTR_QUIET_MODE).as<SQLPOINTER>(), nullptr);
    EXPECT_EQ(written(SQL_ATTR_ASYNC_ENABLE).written(), 8u);      // SQLULEN
    EXPECT_EQ(written(SQL_ATTR_ODBC_CURSORS).as<SQLULEN>(), 2u);  // SQLULEN

    support::sentinel_buffer<16> env_buffer;
    EXPECT_EQ(SQLGetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, env_buffer.data(), 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(env_buffer.written(), 4u);
}

TEST(ConnectionAttributes, CurrentCatalogIsOptional) {
    support::handles h(false);
    char catalog[8] = "x";
    EXPECT_EQ(SQLGetConnectAttr(h.dbc, SQL_ATTR_CURRENT_CATALOG, catalog, sizeof catalog, nullptr), SQL_ERROR);
    EXPECT_STREQ(catalog, "x");
    auto d = support::diag_of(SQL_HANDLE_DBC, h.dbc);
    EXPECT_EQ(d.sqlstate, "HYC00");
    EXPECT_EQ(d.message, "[HYC00] Optional feature not implemented: Optional attribute: 109(SQL_ATTR_CURRENT_CATALOG)");
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, SQL_ATTR_CURRENT_CATALOG, catalog, SQL_NTS), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).sqlstate, "HYC00");
}

TEST(ConnectionAttributes, AppWcharTypeAcceptsOnlyTwo) {
    support::handles h(false);
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, 1061, bits(2), 0), SQL_SUCCESS);
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, 1061, bits(1), 0), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).message,
              "[HYC00] Optional feature not implemented: Optional attribute: 1061(SQL_ATTR_APP_WCHAR_TYPE)");
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, 1061, bits(3), 0), SQL_ERROR);
    const auto d = support::diag_of(SQL_HANDLE_DBC, h.dbc);
    EXPECT_EQ(d.sqlstate, "HY024");
    EXPECT_EQ(d.message, "[HY024] Invalid attribute value: Unknown value: 1061(SQL_ATTR_APP_WCHAR_TYPE):3");
    EXPECT_EQ(connect_u32(h.dbc, 1061), 2u);
    // The screen belongs to that identifier only: 1064 is merely not kept.
    EXPECT_EQ(SQLSetConnectAttr(h.dbc, 1064, bits(3), 0), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).sqlstate, "01S02");
}

TEST(ConnectionAttributes, EmptyTraceFileIntoSmallBuffers) {
    support::handles h(false);
    support::sentinel_buffer<4> one;
    SQLINTEGER length = -7;
    EXPECT_EQ(SQLGetConnectAttr(h.dbc, SQL_ATTR_TRACEFILE, one.data(), 1, &length), SQL_SUCCESS);
    EXPECT_EQ(one.written(), 1u);
    EXPECT_EQ(one.bytes[0], 0);
    EXPECT_EQ(length, 0);

    support::sentinel_buffer<4> none;
    length = -7;
    EXPECT_EQ(SQLGetConnectAttr(h.dbc, SQL_ATTR_TRACEFILE, none.data(), 0, &length), SQL_SUCCESS);
    EXPECT_TRUE(none.untouched());
    EXPECT_EQ(length, 0);
}
