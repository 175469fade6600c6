#include "statement/parameter_binding.hpp"

#include <sqlext.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "attributes/named_constant.hpp"
#include "fetch/application_slots.hpp"

namespace {

constexpr auto sql_type_names = std::to_array<named::constant<SQLSMALLINT>>({
    {VDL_NAMED(SQL_CHAR)},
    {VDL_NAMED(SQL_VARCHAR)},
    {VDL_NAMED(SQL_LONGVARCHAR)},
    {VDL_NAMED(SQL_WCHAR)},
    {VDL_NAMED(SQL_WVARCHAR)},
    {VDL_NAMED(SQL_WLONGVARCHAR)},
    {VDL_NAMED(SQL_DECIMAL)},
    {VDL_NAMED(SQL_NUMERIC)},
    {VDL_NAMED(SQL_SMALLINT)},
    {VDL_NAMED(SQL_INTEGER)},
    {VDL_NAMED(SQL_REAL)},
    {VDL_NAMED(SQL_FLOAT)},
    {VDL_NAMED(SQL_DOUBLE)},
    {VDL_NAMED(SQL_BIT)},
    {VDL_NAMED(SQL_TINYINT)},
    {VDL_NAMED(SQL_BIGINT)},
    {VDL_NAMED(SQL_BINARY)},
    {VDL_NAMED(SQL_VARBINARY)},
    {VDL_NAMED(SQL_LONGVARBINARY)},
    {VDL_NAMED(SQL_TYPE_DATE)},
    {VDL_NAMED(SQL_TYPE_TIME)},
    {VDL_NAMED(SQL_TYPE_TIMESTAMP)},
    {VDL_NAMED(SQL_INTERVAL_MONTH)},
    {VDL_NAMED(SQL_INTERVAL_YEAR)},
    {VDL_NAMED(SQL_INTERVAL_YEAR_TO_MONTH)},
    {VDL_NAMED(SQL_INTERVAL_DAY)},
    {VDL_NAMED(SQL_INTERVAL_HOUR)},
    {VDL_NAMED(SQL_INTERVAL_MINUTE)},
    {VDL_NAMED(SQL_INTERVAL_SECOND)},
    {VDL_NAMED(SQL_INTERVAL_DAY_TO_HOUR)},
    {VDL_NAMED(SQL_INTERVAL_DAY_TO_MINUTE)},
    {VDL_NAMED(SQL_INTERVAL_DAY_TO_SECOND)},
    {VDL_NAMED(SQL_INTERVAL_HOUR_TO_MINUTE)},
    {VDL_NAMED(SQL_INTERVAL_HOUR_TO_SECOND)},
    {VDL_NAMED(SQL_INTERVAL_MINUTE_TO_SECOND)},
    {VDL_NAMED(SQL_GUID)},
    {VDL_NAMED(SQL_DATE)},
    {VDL_NAMED(SQL_TIME)},
    {VDL_NAMED(SQL_TIMESTAMP)},
});
static_assert(named::ids_unique(sql_type_names), "each SQL type has one name");
static_assert(named::names_unique(sql_type_names), "each name is written once");

}  // namespace

bool is_accepted_parameter_type(SQLSMALLINT sql_type) noexcept {
    switch (sql_type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP: return true;
    default: return false;
    }
}

std::string_view sql_type_name(SQLSMALLINT sql_type) noexcept { return named::name_of(sql_type_names, sql_type); }

buffers::application_buffer buffer_of(const parameter_binding& b, const parameter_sets& sets, SQLULEN set) {
    const SQLULEN offset = sets.bind_offset != nullptr ? *sets.bind_offset : 0;
    // Integer arithmetic: a null value pointer plus an offset is an address, not null plus a
    // number (which C++ leaves undefined).
    const auto shifted = [offset](const void* p) {
        return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(p) + offset);
    };
    void* value = b.value != nullptr || offset != 0 ? shifted(b.value) : nullptr;
    auto* indicator = b.indicator != nullptr ? static_cast<SQLLEN*>(shifted(b.indicator)) : nullptr;
    const application_slots slots(sets.bind_type, b.c_type, value, b.buffer_length, indicator);
    buffers::application_buffer buffer{b.c_type, slots.data(set), b.buffer_length, std::nullopt};
    if (const std::byte* at = slots.indicator(set)) {
        SQLLEN held = 0;
        std::memcpy(&held, at, sizeof held);
        buffer.indicator = held;
    }
    return buffer;
}
