#pragma once
// SQLSetPos: update or delete of the current row.

#include <sql.h>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"

namespace setpos_ops {

diag_record set_pos(handle::statement& stmt, SQLSETPOSIROW row_number, SQLUSMALLINT operation, SQLUSMALLINT lock_type);

}  // namespace setpos_ops
