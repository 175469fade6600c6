#pragma once
// Column binding, fetching and SQLGetData.

#include <sql.h>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"

namespace fetch_ops {

diag_record bind_col(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT target_type, SQLPOINTER target,
                     SQLLEN buffer_length, SQLLEN* indicator);
diag_record fetch(handle::statement& stmt);
diag_record fetch_scroll(handle::statement& stmt, SQLSMALLINT orientation, SQLLEN offset);
diag_record more_results(handle::statement& stmt);
diag_record get_data(handle::statement& stmt, SQLUSMALLINT number, SQLSMALLINT target_type, SQLPOINTER target,
                     SQLLEN buffer_length, SQLLEN* indicator);

}  // namespace fetch_ops
