#include "catalog/column_types.hpp"

#include <sql.h>
#include <sqlext.h>

#include <array>

#include "vdl_api.h"

namespace catalog {

namespace {

// Indexed by the metadata type code.
constexpr std::array<column_type, 5> known_types{{
    {SQL_DOUBLE, "SQL_DOUBLE", 24, 12, 0},                 // VDL_TYPE_DOUBLE
    {SQL_CHAR, "SQL_VARCHAR", 256, 0, 1},                  // VDL_TYPE_BLOB
    {SQL_BIGINT, "SQL_BIGINT", 20, 0, 0},                  // VDL_TYPE_INT64
    {SQL_TYPE_TIMESTAMP, "SQL_TYPE_TIMESTAMP", 32, 9, 0},  // VDL_TYPE_TIMESTAMP
    {SQL_CHAR, "SQL_VARCHAR", 256, 0, 1},                  // VDL_TYPE_STRING
}};
static_assert(VDL_TYPE_DOUBLE == 0 && VDL_TYPE_BLOB == 1 && VDL_TYPE_INT64 == 2 && VDL_TYPE_TIMESTAMP == 3 &&
              VDL_TYPE_STRING == 4);

constexpr column_type unknown_type{0, "", 0, 0, 0};

}  // namespace

const column_type& describe_column_type(std::int32_t code) noexcept {
    if (code < 0 || static_cast<std::size_t>(code) >= known_types.size()) return unknown_type;
    return known_types[static_cast<std::size_t>(code)];
}

std::string_view column_type_name(std::int32_t code) noexcept { return describe_column_type(code).type_name; }

}  // namespace catalog
