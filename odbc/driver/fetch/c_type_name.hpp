#pragma once

#include <sql.h>

#include <string_view>

// The symbolic name of a C data type code, for log lines and messages.
std::string_view c_type_name(SQLSMALLINT c_type) noexcept;
