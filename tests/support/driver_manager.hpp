#pragma once
// Tests through the unixODBC Driver Manager: a private configuration with the built driver
// registered as "vdl" (as the driver and as its setup library) and one data source on a store in
// the configuration's directory, seeding that store, and a fixture with one open connection.

#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "diagnostics.hpp"
#include "private_odbc.hpp"
#include "sql_text.hpp"
#include "vdl_api.h"

namespace support {

class private_odbc_config {
public:
    explicit private_odbc_config(const std::string& data_source = "vdl-store") {
        odbc_.write({"--data-home", "--driver", "vdl", VDL_DRIVER_PATH, "--data-source", data_source, "Driver=vdl",
                     "uri=" + store_uri(), "logdir=" + (dir() / "logs").string()});
    }

    [[nodiscard]] const std::filesystem::path& dir() const { return odbc_.dir(); }
    [[nodiscard]] std::string store_uri() const { return "file://" + (dir() / "store.db").string(); }

private:
    private_odbc odbc_;
};

// Writes a test's data into the store through the client library, before the driver sees it.
inline void seed_store(const std::string& uri, std::initializer_list<std::string> statements) {
    vdl_handle* h = vdl_open_tcp();
    ASSERT_EQ(vdl_connect(h, uri.c_str()), 0u) << uri;
    for (const std::string& q : statements) {
        vdl_result* r = nullptr;
        const auto status = vdl_query(h, q.c_str(), &r);
        vdl_release(h, r);
        ASSERT_EQ(status, 0u) << q << ": " << vdl_error(status);
    }
    vdl_close(h);
}

// Allocates an ODBC 3 environment and a connection, connects with the connection text (no
// prompt), and allocates the connection's one statement.
inline void connect_with(const std::string& connection_text, SQLHENV& env, SQLHDBC& dbc, SQLHSTMT& stmt) {
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLDriverConnect(dbc, nullptr, sql_text(connection_text), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)))
        << diag(SQL_HANDLE_DBC, dbc);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
}

// Frees what connect_with allocated, in reverse; a null handle is skipped.
inline void free_connection(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt) noexcept {
    if (stmt != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    if (dbc != nullptr) {
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }
    if (env != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, env);
}

// A test with its own configuration and store: SetUp seeds the store and calls open(); the ODBC 3
// environment, the connection and its one statement are freed in reverse after the test.
class driver_manager_test : public ::testing::Test {
protected:
    void TearDown() override { free_connection(env, dbc, stmt); }

    // Connects to the store with "DRIVER={vdl};URI=..." and `more` (";KEY=value..."), and
    // allocates the statement.
    void open(const std::string& more = "") {
        connect_with("DRIVER={vdl};URI=" + config.store_uri() + more, env, dbc, stmt);
    }

    private_odbc_config config;
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
};

}  // namespace support
