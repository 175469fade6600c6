#pragma once

#include <sqlext.h>

#include <cstdint>

#include "handle/base.hpp"

namespace handle {

struct environment : base {
    // The ODBC version the application declared through SQL_ATTR_ODBC_VERSION.
    std::int32_t odbc_version = SQL_OV_ODBC3_80;
};

}  // namespace handle
