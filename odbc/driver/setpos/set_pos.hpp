#pragma once
// SQLSetPos: positioning on, updating and deleting the first row of the rowset. An update or a
// delete runs a generated statement (setpos/positioned_change.hpp) that must change exactly that
// row in the store; the fetched result stays as it was.

#include <sql.h>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"

namespace setpos_ops {

diag_record set_pos(handle::statement& stmt, SQLSETPOSIROW row_number, SQLUSMALLINT operation, SQLUSMALLINT lock_type);

}  // namespace setpos_ops
