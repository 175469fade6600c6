#pragma once
// What the client library tells of each result column's kind, beyond the cells themselves: a
// column without rows or with only NULL cells is then described by what it is. A library that
// does not offer the call leaves the description to the cells, as before it had one.

#include <cstddef>
#include <vector>

#include "vdl_api.h"

namespace execution {

// The driver's column kind (result_table's kind numbers) for each column of the result, as the
// library tells it; 0 where it cannot tell. Empty when the library does not offer the call.
std::vector<std::size_t> library_column_kinds(const vdl_result& result);

}  // namespace execution
