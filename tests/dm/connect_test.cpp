// Connecting through the unixODBC Driver Manager: the built driver, the real client library and
// an embedded store in a temporary directory, with a private odbcinst.ini and odbc.ini.

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <filesystem>
#include <string>

#include "driver_manager.hpp"

namespace fs = std::filesystem;

namespace {

using support::sql_text;

class DriverManagerConnect : public ::testing::Test {
protected:
    DriverManagerConnect() {
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_), SQL_SUCCESS);
        EXPECT_EQ(SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_SUCCESS);
    }
    ~DriverManagerConnect() override {
        if (dbc_ != nullptr) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    SQLRETURN driver_connect(const std::string& in, std::string* out = nullptr) const {
        SQLCHAR buffer[2048] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc =
            SQLDriverConnect(dbc_, nullptr, sql_text(in), SQL_NTS, buffer, sizeof buffer, &length, SQL_DRIVER_NOPROMPT);
        if (out != nullptr) *out = reinterpret_cast<char*>(buffer);
        return rc;
    }

    support::private_odbc_config config_{"vdl_e2e"};
    const fs::path& dir_ = config_.dir();
    const std::string store_uri_ = config_.store_uri();
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
};

}  // namespace

TEST_F(DriverManagerConnect, ByDataSourceName) {
    ASSERT_EQ(SQLConnect(dbc_, sql_text("vdl_e2e"), SQL_NTS, nullptr, 0, nullptr, 0), SQL_SUCCESS)
        << support::diag_of(SQL_HANDLE_DBC, dbc_).message;
    SQLCHAR name[64] = {};
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetInfo(dbc_, SQL_DATA_SOURCE_NAME, name, sizeof name, &length), SQL_SUCCESS)
        << support::diag_of(SQL_HANDLE_DBC, dbc_).message;
    EXPECT_STREQ(reinterpret_cast<char*>(name), "vdl_e2e");

    SQLHSTMT stmt = nullptr;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_SUCCESS)
        << support::diag_of(SQL_HANDLE_DBC, dbc_).message;
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
    EXPECT_EQ(SQLDisconnect(dbc_), SQL_SUCCESS);
    EXPECT_TRUE(fs::exists(dir_ / "logs" / "vdl_odbc_driver.log")) << "the log follows the data source's logdir";
}

TEST_F(DriverManagerConnect, ByConnectionString) {
    std::string out;
    ASSERT_EQ(driver_connect("DRIVER={vdl};URI=" + store_uri_ + ";PWD=;", &out), SQL_SUCCESS)
        << support::diag_of(SQL_HANDLE_DBC, dbc_).message;
    EXPECT_NE(out.find("uri=" + store_uri_ + ";"), std::string::npos) << out;

    SQLHSTMT stmt = nullptr;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_SUCCESS)
        << support::diag_of(SQL_HANDLE_DBC, dbc_).message;
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
    EXPECT_EQ(SQLDisconnect(dbc_), SQL_SUCCESS);
}

TEST_F(DriverManagerConnect, DataSourceThroughTheConnectionString) {
    ASSERT_EQ(driver_connect("DSN=vdl_e2e"), SQL_SUCCESS) << support::diag_of(SQL_HANDLE_DBC, dbc_).message;
    EXPECT_EQ(SQLDisconnect(dbc_), SQL_SUCCESS);
}

TEST_F(DriverManagerConnect, UnreachableClusterIs08001WithTheLibrarysReason) {
    EXPECT_EQ(driver_connect("DRIVER={vdl};URI=vdl://127.0.0.1:1"), SQL_ERROR);
    const support::diag_result diagnostic = support::diag_of(SQL_HANDLE_DBC, dbc_);
    const std::string& message = diagnostic.message;
    EXPECT_EQ(diagnostic.sqlstate, "08001") << message;
    const std::string detail = "could not connect to vdl://127.0.0.1:1, error: ";
    const auto at = message.find(detail);
    ASSERT_NE(at, std::string::npos) << message;
    EXPECT_GT(message.size(), at + detail.size()) << "the library's reason follows: " << message;
}

TEST_F(DriverManagerConnect, StatementsLeftAllocatedAreFreedWithTheConnection) {
    // Disconnect with the statement still allocated: the Driver Manager drops its own record of
    // it and frees the driver's connection; the driver frees the statement with it (the
    // sanitizer build reports a leak otherwise).
    ASSERT_EQ(driver_connect("DRIVER={vdl};URI=" + store_uri_), SQL_SUCCESS)
        << support::diag_of(SQL_HANDLE_DBC, dbc_).message;
    SQLHSTMT stmt = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_SUCCESS);
    EXPECT_EQ(SQLDisconnect(dbc_), SQL_SUCCESS);

    // The connection handle can connect again afterwards.
    ASSERT_EQ(driver_connect("DRIVER={vdl};URI=" + store_uri_), SQL_SUCCESS)
        << support::diag_of(SQL_HANDLE_DBC, dbc_).message;
    EXPECT_EQ(SQLDisconnect(dbc_), SQL_SUCCESS);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DBC, dbc_), SQL_SUCCESS);
    dbc_ = nullptr;
}
