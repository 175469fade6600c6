#include "statement/library_column_kinds.hpp"

#include <cstdint>

#include "statement/result_table.hpp"

// Weak: the driver also runs with a library from before the call was added, where its address is
// null.
#pragma weak vdl_result_column_kinds

namespace execution {

std::vector<std::size_t> library_column_kinds(const vdl_result& result) {
    if (&vdl_result_column_kinds == nullptr || result.column_count == 0) return {};
    std::vector<std::int32_t> told(result.column_count, VDL_CELL_NULL);
    if (vdl_result_column_kinds(&result, told.data(), result.column_count) != VDL_OK) return {};
    std::vector<std::size_t> kinds(told.size(), 0);
    for (std::size_t c = 0; c < told.size(); ++c) {
        switch (told[c]) {
        case VDL_CELL_DOUBLE: kinds[c] = double_cells::kind; break;
        case VDL_CELL_BLOB:
        case VDL_CELL_STRING: kinds[c] = text_view_cells::kind; break;
        case VDL_CELL_INT64:
        case VDL_CELL_COUNT: kinds[c] = bigint_cells::kind; break;
        case VDL_CELL_TIMESTAMP: kinds[c] = timestamp_cells::kind; break;
        default: break;
        }
    }
    return kinds;
}

}  // namespace execution
