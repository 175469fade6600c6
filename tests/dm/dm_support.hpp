#pragma once
// A private unixODBC configuration with the built driver registered as "vdl", as the driver and as
// its setup library, and one data source on a store in the configuration's directory.

#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "private_odbc.hpp"
#include "vdl_api.h"

namespace dm {

class private_odbc_config {
public:
    explicit private_odbc_config(const std::string& data_source = "vdl-store") {
        odbc_.write({"--data-home", "--driver", "vdl", VDL_DRIVER_PATH, "--data-source", data_source, "Driver=vdl",
                     "uri=" + store_uri(), "logdir=" + (dir() / "logs").string()});
    }

    [[nodiscard]] const std::filesystem::path& dir() const { return odbc_.dir(); }
    [[nodiscard]] std::string store_uri() const { return "file://" + (dir() / "store.db").string(); }

private:
    support::private_odbc odbc_;
};

inline std::string diag(SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, h, 1, state, nullptr, message, sizeof message, &length);
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
}

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

// An ODBC 3 environment, a connection made with `connection_text` and one statement on it, through
// the Driver Manager; close_connection frees them in reverse.
inline void open_connection(const std::string& connection_text, SQLHENV& env, SQLHDBC& dbc, SQLHSTMT& stmt) {
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr,
                                               reinterpret_cast<SQLCHAR*>(const_cast<char*>(connection_text.c_str())),
                                               SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)))
        << diag(SQL_HANDLE_DBC, dbc);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
}

inline void close_connection(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt) {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

}  // namespace dm
