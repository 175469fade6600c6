#pragma once

#include <cstdint>
#include <string>

#include "connection/connection_settings.hpp"
#include "handle/base.hpp"
#include "handle/child_list.hpp"
#include "handle/owned_cluster.hpp"

namespace handle {

struct connection : base {
    // The client library's handle of the open connection; null while not connected.
    owned_cluster cluster;
    // Seconds; shared by the login and connection timeout attributes.
    std::uint32_t timeout = 60;
    // The `key` setting kept by connecting.
    std::string key;
    // The merged connection settings; `dsn` also names the server in diagnostics.
    connection_settings settings;
    // The user name of the last secure connect, reported by SQL_USER_NAME.
    std::string user_name;
    // The statements and descriptors allocated on this connection. Declared last so that they
    // are destroyed before the cluster handle is closed.
    child_list children;
};

}  // namespace handle
