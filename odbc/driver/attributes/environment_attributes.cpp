// The environment's attributes: only the ODBC version reaches real state.

#include <sqlext.h>

#include <array>
#include <cstdint>

#include "attributes/attribute_tables.hpp"
#include "attributes/named_constant.hpp"
#include "logger/logger.hpp"

namespace attributes {

namespace {

using u32 = std::uint32_t;

attribute_value odbc_version(handle::environment& env) { return static_cast<u32>(env.odbc_version); }

// Versions 2, 3 and 3.80 are taken; any other is refused with an Error line, yet the set
// still succeeds and the version stays as it was.
void set_odbc_version(handle::environment& env, const attribute_value& value) {
    const auto* version = std::get_if<u32>(&value);
    if (version == nullptr) return;
    if (*version == SQL_OV_ODBC2 || *version == SQL_OV_ODBC3 || *version == SQL_OV_ODBC3_80) {
        env.odbc_version = static_cast<std::int32_t>(*version);
        log_line(logger::level::info, "application version is {}", *version);
    } else {
        log_line(logger::level::error, "application version {} is not supported", *version);
    }
}

// In order of name, one row per attribute.
constexpr auto environment_rows = std::to_array<attribute_row<handle::environment>>({
    {VDL_NAMED(SQL_ATTR_CONNECTION_POOLING), u32{0}},
    {VDL_NAMED(SQL_ATTR_CP_MATCH), u32{0}},
    {VDL_NAMED_ID(SQL_ATTR_ODBC_VERSION), .value = u32{380}, .getter = odbc_version, .setter = set_odbc_version},
    {VDL_NAMED(SQL_ATTR_OUTPUT_NTS), u32{0}},
});
static_assert(named::ids_unique(environment_rows), "each attribute has one row");
static_assert(named::names_unique(environment_rows), "each name is written once");

}  // namespace

template <>
const attribute_table<handle::environment>& prepare_attributes<handle::environment>() {
    static const attribute_table<handle::environment> table{environment_rows};
    return table;
}

}  // namespace attributes
