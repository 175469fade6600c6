#pragma once
// SQLConnect, SQLDriverConnect and SQLDisconnect.

#include <sql.h>

#include <string_view>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"

namespace connection_ops {

diag_record connect(handle::connection& dbc, std::string_view server_name, std::string_view user_name,
                    std::string_view authentication);
diag_record driver_connect(handle::connection& dbc, SQLHWND window, std::string_view connection_string,
                           SQLCHAR* out_connection_string, SQLSMALLINT out_buffer_length, SQLSMALLINT* out_length,
                           SQLUSMALLINT driver_completion);
diag_record disconnect(handle::connection& dbc);

}  // namespace connection_ops
