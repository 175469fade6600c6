#pragma once

#include <sql.h>

#include <cstdint>
#include <string>

#include "handle/connection.hpp"

namespace handle {

struct statement : base {
    // A copy of the connection's cluster handle taken at allocation; opens nothing.
    cluster_handle cluster = nullptr;
    std::string prepared_text;
    std::uint16_t parameter_count = 0;
    bool executed_flag = false;
    bool insert_flag = false;
    bool wrapped_flag = false;
    SQLUSMALLINT* row_status_ptr = nullptr;
    SQLULEN* rows_fetched_ptr = nullptr;
    SQLULEN row_array_size = 1;
    SQLULEN bind_type = SQL_BIND_BY_COLUMN;
    // Zero-based cursor; -1 before the first row.
    std::int64_t current_row = -1;
    std::int64_t row_count = 0;
    SQLULEN max_rows = 0;
};

}  // namespace handle
