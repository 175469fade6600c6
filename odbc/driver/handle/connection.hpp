#pragma once

#include <cstdint>
#include <string>

#include "connection/connection_settings.hpp"
#include "handle/base.hpp"
#include "handle/child_list.hpp"
#include "handle/owned_cluster.hpp"
#include "handle/record_mutex.hpp"

namespace handle {

struct connection : base {
    // The client library's handle of the open connection; null while not connected.
    owned_cluster cluster;
    // Taken around every call of the client library on `cluster`: a client handle is used by one
    // thread at a time, so the queries of this connection's statements take turns.
    record_mutex client_turns;
    // Seconds; shared by the login and connection timeout attributes.
    std::uint32_t timeout = 60;
    // SQL_ATTR_NOSCAN set on the connection: the default of the statements allocated after.
    bool noscan = false;
    // The merged connection settings; `dsn` also names the server in diagnostics.
    connection_settings settings;
    // The user name of the last secure connect, reported by SQL_USER_NAME.
    std::string user_name;
    // The data source the last connect named (SQLConnect's name, a connection string's DSN),
    // reported by SQL_DATA_SOURCE_NAME and SQL_DIAG_SERVER_NAME; empty when it named none.
    std::string data_source;
    // The statements and descriptors allocated on this connection. Declared last so that they
    // are destroyed before the cluster handle is closed.
    child_list children;
};

}  // namespace handle
