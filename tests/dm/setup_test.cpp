// Data sources added and removed through unixODBC's installer library, which loads the built
// driver as the setup library of "vdl" and calls its ConfigDSN; then connected to through the
// Driver Manager.

#include <gtest/gtest.h>

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <fstream>
#include <sstream>
#include <string>

#include "driver_manager.hpp"
#include "vdl_api.h"

using namespace std::literals;

namespace {

// The section `name` of an ini file, from its header to the next blank line.
std::string section_of(const std::filesystem::path& ini, const std::string& name) {
    std::stringstream ss;
    ss << std::ifstream(ini).rdbuf();
    const std::string text = ss.str();
    const auto start = text.find("[" + name + "]\n");
    if (start == std::string::npos) return {};
    return text.substr(start, text.find("\n\n", start) - start + 1);
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

TEST(DriverManagerSetup, ConfigDsnAddsADataSourceThatConnects) {
    support::private_odbc_config config;
    vdl_handle* store = vdl_open_tcp();
    ASSERT_EQ(vdl_connect(store, config.store_uri().c_str()), 0u);
    for (const char* q : {"CREATE TABLE t (v INT64)", "INSERT INTO t ($timestamp, v) VALUES (1, 10), (2, 20)"}) {
        vdl_result* r = nullptr;
        ASSERT_EQ(vdl_query(store, q, &r), 0u);
        vdl_release(store, r);
    }
    vdl_close(store);

    const std::string attributes = "DSN=prod\0URI="s + config.store_uri() + "\0\0"s;
    ASSERT_TRUE(SQLConfigDataSource(nullptr, ODBC_ADD_DSN, "vdl", attributes.c_str()));
    std::stringstream expected;
    expected << std::ifstream(VDL_EXPECTED_DIR "/config_dsn_prod.ini").rdbuf();
    std::string section = expected.str();
    replace_all(section, "@DIR@", config.dir().string());
    replace_all(section, "@STORE_URI@", config.store_uri());
    EXPECT_EQ(section_of(config.dir() / "odbc.ini", "prod"), section);

    // The data source reaches the store its uri names.
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    ASSERT_EQ(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>("DSN=prod")), SQL_NTS,
                               nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
              SQL_SUCCESS)
        << support::diag(SQL_HANDLE_DBC, dbc);
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    EXPECT_EQ(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>("select count(*) from t")), SQL_NTS),
              SQL_SUCCESS);
    SQLBIGINT rows = 0;
    EXPECT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_SBIGINT, &rows, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(rows, 2);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);

    ASSERT_TRUE(SQLConfigDataSource(nullptr, ODBC_REMOVE_DSN, "vdl", "DSN=prod\0"));
    EXPECT_EQ(section_of(config.dir() / "odbc.ini", "prod"), "");
    EXPECT_NE(section_of(config.dir() / "odbc.ini", "vdl-store"), "") << "other data sources stay";
}
