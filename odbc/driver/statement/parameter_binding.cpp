#include "statement/parameter_binding.hpp"

#include <sqlext.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "fetch/application_slots.hpp"

namespace {

constexpr std::array<std::pair<SQLSMALLINT, std::string_view>, 39> sql_type_names{{
    {SQL_CHAR, "SQL_CHAR"},
    {SQL_VARCHAR, "SQL_VARCHAR"},
    {SQL_LONGVARCHAR, "SQL_LONGVARCHAR"},
    {SQL_WCHAR, "SQL_WCHAR"},
    {SQL_WVARCHAR, "SQL_WVARCHAR"},
    {SQL_WLONGVARCHAR, "SQL_WLONGVARCHAR"},
    {SQL_DECIMAL, "SQL_DECIMAL"},
    {SQL_NUMERIC, "SQL_NUMERIC"},
    {SQL_SMALLINT, "SQL_SMALLINT"},
    {SQL_INTEGER, "SQL_INTEGER"},
    {SQL_REAL, "SQL_REAL"},
    {SQL_FLOAT, "SQL_FLOAT"},
    {SQL_DOUBLE, "SQL_DOUBLE"},
    {SQL_BIT, "SQL_BIT"},
    {SQL_TINYINT, "SQL_TINYINT"},
    {SQL_BIGINT, "SQL_BIGINT"},
    {SQL_BINARY, "SQL_BINARY"},
    {SQL_VARBINARY, "SQL_VARBINARY"},
    {SQL_LONGVARBINARY, "SQL_LONGVARBINARY"},
    {SQL_TYPE_DATE, "SQL_TYPE_DATE"},
    {SQL_TYPE_TIME, "SQL_TYPE_TIME"},
    {SQL_TYPE_TIMESTAMP, "SQL_TYPE_TIMESTAMP"},
    {SQL_INTERVAL_MONTH, "SQL_INTERVAL_MONTH"},
    {SQL_INTERVAL_YEAR, "SQL_INTERVAL_YEAR"},
    {SQL_INTERVAL_YEAR_TO_MONTH, "SQL_INTERVAL_YEAR_TO_MONTH"},
    {SQL_INTERVAL_DAY, "SQL_INTERVAL_DAY"},
    {SQL_INTERVAL_HOUR, "SQL_INTERVAL_HOUR"},
    {SQL_INTERVAL_MINUTE, "SQL_INTERVAL_MINUTE"},
    {SQL_INTERVAL_SECOND, "SQL_INTERVAL_SECOND"},
    {SQL_INTERVAL_DAY_TO_HOUR, "SQL_INTERVAL_DAY_TO_HOUR"},
    {SQL_INTERVAL_DAY_TO_MINUTE, "SQL_INTERVAL_DAY_TO_MINUTE"},
    {SQL_INTERVAL_DAY_TO_SECOND, "SQL_INTERVAL_DAY_TO_SECOND"},
    {SQL_INTERVAL_HOUR_TO_MINUTE, "SQL_INTERVAL_HOUR_TO_MINUTE"},
    {SQL_INTERVAL_HOUR_TO_SECOND, "SQL_INTERVAL_HOUR_TO_SECOND"},
    {SQL_INTERVAL_MINUTE_TO_SECOND, "SQL_INTERVAL_MINUTE_TO_SECOND"},
    {SQL_GUID, "SQL_GUID"},
    {SQL_DATE, "SQL_DATE"},
    {SQL_TIME, "SQL_TIME"},
    {SQL_TIMESTAMP, "SQL_TIMESTAMP"},
}};

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

std::string_view sql_type_name(SQLSMALLINT sql_type) noexcept {
    for (const auto& [code, name] : sql_type_names)
        if (code == sql_type) return name;
    return {};
}

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
