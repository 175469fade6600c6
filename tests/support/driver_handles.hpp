#pragma once
// A driver's environment, connection and statement allocated through its exports, for tests
// linked with the driver's code.

#include <sql.h>
#include <sqlext.h>

#include "diagnostics.hpp"
#include "handle/variant_handle.hpp"
#include "vdl_api.h"

namespace support {

// Handles allocated through the exports, freed in reverse order. The connection can be marked
// connected, without reaching a cluster, so that statements can be allocated.
struct handles {
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;

    explicit handles(bool with_statement = true) {
        SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &env);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        if (with_statement) {
            mark_connected();
            SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        }
    }
    ~handles() {
        if (stmt != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (dbc != nullptr) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    handles(const handles&) = delete;
    handles& operator=(const handles&) = delete;

    // The connection's record: for marking it connected, and for which statements it owns, which
    // no export shows. Everything else tests observe through the exports, the log and the library.
    [[nodiscard]] handle::connection& connection() const {
        return *static_cast<variant_handle*>(dbc)->get_if<handle::connection>();
    }
    // Marks the connection connected to `cluster`, which it closes when freed; by default a library
    // handle that was opened but never connected: enough to allocate statements that send nothing.
    void mark_connected(vdl_handle* cluster = vdl_open_tcp()) const {
        connection().cluster = handle::owned_cluster(cluster);
    }
};

}  // namespace support
