#include "result_column_kinds.hpp"

#include "column_types.hpp"

namespace vdl {
namespace {

std::int32_t kind_of_declared(const char* declared) noexcept {
    if (declared == nullptr) return VDL_CELL_NULL;
    switch (type_from_declared(declared)) {
    case column_type::double_: return VDL_CELL_DOUBLE;
    case column_type::blob: return VDL_CELL_BLOB;
    case column_type::int64: return VDL_CELL_INT64;
    case column_type::timestamp: return VDL_CELL_TIMESTAMP;
    case column_type::string: return VDL_CELL_STRING;
    }
    return VDL_CELL_NULL;
}

std::int32_t kind_of_rule(sqlite3_stmt* statement, int column, column_rule rule) noexcept {
    switch (rule) {
    case column_rule::count: return VDL_CELL_COUNT;
    case column_rule::timestamp: return VDL_CELL_TIMESTAMP;
    case column_rule::blob: return VDL_CELL_BLOB;
    case column_rule::integer: return VDL_CELL_INT64;
    case column_rule::real: return VDL_CELL_DOUBLE;
    case column_rule::text: return VDL_CELL_STRING;
    case column_rule::plain: break;
    }
    return kind_of_declared(sqlite3_column_decltype(statement, column));
}

}  // namespace

const std::int32_t* result_column_kinds(arena& memory, sqlite3_stmt* statement, std::span<const column_rule> rules,
                                        const vdl_result& record) {
    auto* kinds = memory.make_filled<std::int32_t>(record.column_count, VDL_CELL_NULL);
    for (std::uint32_t c = 0; c < record.column_count; ++c) {
        for (std::uint32_t r = 0; r < record.row_count && kinds[c] == VDL_CELL_NULL; ++r)
            kinds[c] = record.rows[r][c].kind;
        if (kinds[c] == VDL_CELL_NULL && c < rules.size())
            kinds[c] = kind_of_rule(statement, static_cast<int>(c), rules[c]);
    }
    return kinds;
}

}  // namespace vdl
