#pragma once
// SQLAllocHandle and SQLFreeHandle: creation and destruction of the handle objects.

#include <sql.h>

#include "diagnostics/diag_record.hpp"

namespace handle {

diag_record allocate_handle(SQLSMALLINT handle_type, SQLHANDLE input, SQLHANDLE* output);
diag_record free_handle(SQLSMALLINT handle_type, SQLHANDLE h);

}  // namespace handle
