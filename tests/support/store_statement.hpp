#pragma once
// A statement connected to a real embedded store in a temporary directory.

#include <gtest/gtest.h>

#include <string>

#include "driver_handles.hpp"
#include "files.hpp"
#include "sql_text.hpp"
#include "vdl_api.h"

namespace support {

class store_statement {
public:
    store_statement() : handles_(false) {
        cluster_ = vdl_open_tcp();
        const std::string uri = "file://" + (dir_.path() / "store.db").string();
        EXPECT_EQ(vdl_connect(cluster_, uri.c_str()), 0u) << vdl_error(vdl_connect(cluster_, uri.c_str()));
        handles_.mark_connected(cluster_);
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, handles_.dbc, &handles_.stmt), SQL_SUCCESS);
    }
    ~store_statement() {
        // Freeing the connection closes the cluster handle.
    }
    store_statement(const store_statement&) = delete;
    store_statement& operator=(const store_statement&) = delete;

    [[nodiscard]] SQLHENV env() const { return handles_.env; }
    [[nodiscard]] SQLHDBC dbc() const { return handles_.dbc; }
    [[nodiscard]] SQLHSTMT stmt() const { return handles_.stmt; }
    [[nodiscard]] vdl_handle* cluster() const { return cluster_; }

    // Runs a text through SQLExecDirect.
    SQLRETURN exec(std::string_view text) const {
        return SQLExecDirect(stmt(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.data())),
                             static_cast<SQLINTEGER>(text.size()));
    }
    SQLRETURN prepare(std::string_view text) const {
        return SQLPrepare(stmt(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.data())),
                          static_cast<SQLINTEGER>(text.size()));
    }
    // Runs a text directly through the client library, bypassing the driver.
    void direct(const std::string& text) const {
        vdl_result* r = nullptr;
        const auto rc = vdl_query(cluster_, text.c_str(), &r);
        ASSERT_EQ(rc, 0u) << text << ": " << vdl_error(rc);
        vdl_release(nullptr, r);
    }
    [[nodiscard]] std::string diag_message() const { return diag_of(SQL_HANDLE_STMT, stmt()).message; }

private:
    temp_dir dir_;
    handles handles_;
    vdl_handle* cluster_ = nullptr;
};

}  // namespace support
