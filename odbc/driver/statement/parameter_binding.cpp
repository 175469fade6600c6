#include "statement/parameter_binding.hpp"

#include <sqlext.h>

#include <array>
#include <cstring>
#include <utility>

#include <fmt/format.h>

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

constexpr std::string_view date_time_format = "{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}";

template <typename T>
T read_as(SQLPOINTER value) {
    T v;
    std::memcpy(&v, value, sizeof v);
    return v;
}

// Character and binary values: the indicator's length, else the buffer length; 0 (and
// SQL_NTS) means up to the terminating zero, never past the buffer length when one is given.
std::string_view character_value(const parameter_binding& b) {
    SQLLEN length = b.indicator != nullptr ? *b.indicator : b.buffer_length;
    if (length < 0) length = 0;
    const auto* bytes = static_cast<const char*>(b.value);
    if (length == 0) {
        return b.buffer_length > 0 ? std::string_view(bytes, ::strnlen(bytes, static_cast<std::size_t>(b.buffer_length)))
                                   : std::string_view(bytes);
    }
    return std::string_view(bytes, static_cast<std::size_t>(length));
}

std::string date_time(int year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
    return fmt::format(fmt::runtime(date_time_format), year, month, day, hour, minute, second);
}

// A text literal: the value in single quotes, each quote inside it doubled so that the value
// can neither end the literal early nor add text of its own to the statement.
std::string quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('\'');
    for (const char c : text) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    out.push_back('\'');
    return out;
}

}  // namespace

bool is_accepted_parameter_type(SQLSMALLINT sql_type) noexcept {
    switch (sql_type) {
    case SQL_CHAR: case SQL_VARCHAR: case SQL_LONGVARCHAR:
    case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY:
    case SQL_TINYINT: case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT:
    case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE: case SQL_DECIMAL:
    case SQL_TYPE_DATE: case SQL_TYPE_TIME: case SQL_TYPE_TIMESTAMP:
        return true;
    default:
        return false;
    }
}

std::string_view sql_type_name(SQLSMALLINT sql_type) noexcept {
    for (const auto& [code, name] : sql_type_names)
        if (code == sql_type) return name;
    return {};
}

std::string render(const parameter_binding& b, bool insert_flag) {
    if (b.value == nullptr || (b.indicator != nullptr && *b.indicator == SQL_NULL_DATA)) return "NULL";
    switch (b.sql_type) {
    case SQL_CHAR: case SQL_VARCHAR: case SQL_LONGVARCHAR:
    case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY: {
        const auto text = character_value(b);
        return insert_flag ? quoted(text) : std::string(text);
    }
    case SQL_TINYINT: return fmt::format("{}", read_as<std::uint8_t>(b.value));
    case SQL_SMALLINT: return fmt::format("{}", read_as<std::int16_t>(b.value));
    case SQL_INTEGER: return fmt::format("{}", read_as<std::int32_t>(b.value));
    case SQL_BIGINT: return fmt::format("{}", read_as<std::int64_t>(b.value));
    case SQL_REAL: return fmt::format("{}", read_as<float>(b.value));
    case SQL_FLOAT: case SQL_DOUBLE: case SQL_DECIMAL: return fmt::format("{}", read_as<double>(b.value));
    case SQL_TYPE_DATE: {
        const auto d = read_as<SQL_DATE_STRUCT>(b.value);
        return date_time(d.year, d.month, d.day, 0, 0, 0);
    }
    case SQL_TYPE_TIME: {
        // A time of day has no date: its calendar fields are all zero, which reads 1900-01-00.
        const auto t = read_as<SQL_TIME_STRUCT>(b.value);
        return date_time(1900, 1, 0, t.hour, t.minute, t.second);
    }
    case SQL_TYPE_TIMESTAMP: {
        const auto ts = read_as<SQL_TIMESTAMP_STRUCT>(b.value);
        return date_time(ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second);
    }
    default:
        return {};  // bind accepts only the types above
    }
}
