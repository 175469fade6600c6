#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

// One SQLBindCol call: where the cells of a column go at fetch time.
struct column_binding {
    std::uint16_t column_index = 0;  // zero-based
    SQLSMALLINT c_type = SQL_C_DEFAULT;
    SQLPOINTER buffer = nullptr;  // slot of the first row
    SQLLEN buffer_length = 0;
    SQLLEN* indicator = nullptr;  // length/indicator of the first row; may be null
};
