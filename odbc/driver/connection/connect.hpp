#pragma once
// SQLConnect, SQLDriverConnect and SQLDisconnect.

#include <sql.h>

#include <string_view>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"

namespace connection_ops {

// Settings: the defaults, the data source named `server_name`, then `user_name` and
// `authentication` as `uid` and `pwd` (empty when not given).
diag_record connect(handle::connection& dbc, std::string_view server_name, std::string_view user_name,
                    std::string_view authentication);
// Settings from the connection string; the complete settings are written to the output
// buffer before the connect is attempted. There is no prompting: the window and the
// completion mode are ignored.
diag_record driver_connect(handle::connection& dbc, SQLHWND window, std::string_view connection_string,
                           SQLCHAR* out_connection_string, SQLSMALLINT out_buffer_length, SQLSMALLINT* out_length,
                           SQLUSMALLINT driver_completion);
// Detaches the connection's statements from the cluster and closes it; a connection that
// never connected succeeds too.
diag_record disconnect(handle::connection& dbc);

}  // namespace connection_ops
