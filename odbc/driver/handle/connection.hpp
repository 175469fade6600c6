#pragma once

#include <cstdint>
#include <string>

#include "connection/connection_settings.hpp"
#include "handle/base.hpp"

struct vdl_handle;

namespace handle {

using cluster_handle = vdl_handle*;

struct connection : base {
    // The client library's handle of the open connection; null while not connected.
    cluster_handle cluster = nullptr;
    // Seconds; shared by the login and connection timeout attributes.
    std::uint32_t timeout = 60;
    // The `key` setting kept by connecting.
    std::string key;
    // The merged connection settings; `dsn` also names the server in diagnostics.
    connection_settings settings;
    // The user name of the last secure connect, reported by SQL_USER_NAME.
    std::string user_name;
};

}  // namespace handle
