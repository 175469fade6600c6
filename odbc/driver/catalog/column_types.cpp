#include "catalog/column_types.hpp"

#include <sql.h>
#include <sqlext.h>

#include <array>

#include "vdl_api.h"

namespace catalog {

namespace {

// The width SQLColumns gives texts and byte strings: the store limits neither, and clients size
// their buffers by it.
constexpr std::int64_t text_width = 256;

// Indexed by the metadata type code. A timestamp is written yyyy-mm-dd hh:mm:ss.fffffffff.
constexpr std::array<column_type, 5> known_types{{
    {SQL_DOUBLE, "DOUBLE", 15, 8, null, 10, SQL_DOUBLE, null, null},                               // VDL_TYPE_DOUBLE
    {SQL_VARBINARY, "BLOB", text_width, text_width, null, null, SQL_VARBINARY, null, text_width},  // VDL_TYPE_BLOB
    {SQL_BIGINT, "INT64", 19, 8, 0, 10, SQL_BIGINT, null, null},                                   // VDL_TYPE_INT64
    {SQL_TYPE_TIMESTAMP, "TIMESTAMP", 29, 16, 9, null, SQL_DATETIME, SQL_CODE_TIMESTAMP, null},    // VDL_TYPE_TIMESTAMP
    {SQL_CHAR, "STRING", text_width, text_width, null, null, SQL_CHAR, null, text_width},          // VDL_TYPE_STRING
}};
static_assert(VDL_TYPE_DOUBLE == 0 && VDL_TYPE_BLOB == 1 && VDL_TYPE_INT64 == 2 && VDL_TYPE_TIMESTAMP == 3 &&
              VDL_TYPE_STRING == 4);

constexpr column_type unknown_type{0, "", 0, 0, null, null, 0, null, null};

}  // namespace

const column_type& describe_column_type(std::int32_t code) noexcept {
    if (code < 0 || static_cast<std::size_t>(code) >= known_types.size()) return unknown_type;
    return known_types[static_cast<std::size_t>(code)];
}

std::string_view column_type_name(std::int32_t code) noexcept { return describe_column_type(code).type_name; }

}  // namespace catalog
