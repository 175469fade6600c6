// The cell kind of every column of a result, also of a result without rows: what a reader needs
// to describe a column whose cells are all NULL, or that has none.
#pragma once

#include "arena.hpp"
#include "result_layout.hpp"
#include "vdl_api.h"

#include <sqlite3.h>

#include <cstdint>
#include <span>

namespace vdl {

// One VDL_CELL_* per column, in the record's arena: the kind of the column's first non-NULL cell;
// for a column without one, the kind its rule or its declared type in the store gives
// (VDL_CELL_NULL for an expression the engine cannot type).
const std::int32_t* result_column_kinds(arena& memory, sqlite3_stmt* statement, std::span<const column_rule> rules,
                                        const vdl_result& record);

}  // namespace vdl
