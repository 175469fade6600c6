#pragma once
// The SQL data types the driver offers, as SQLGetTypeInfo reports them: the store's five value
// types, each under the ODBC data types it serves.

#include <cstdint>
#include <span>
#include <string_view>

namespace catalog {

struct type_row {
    std::string_view type_name;
    std::int16_t data_type;
    std::int32_t column_size;
    std::string_view literal_prefix;
    std::string_view literal_suffix;
    std::string_view create_params;
    std::int16_t nullable;
    std::int16_t case_sensitive;
    std::int16_t searchable;
    std::int16_t unsigned_attribute;
    std::int16_t fixed_prec_scale;
    std::int16_t auto_unique_value;
    std::string_view local_type_name;
    std::int16_t minimum_scale;
    std::int16_t maximum_scale;
    std::int16_t sql_data_type;
    std::int16_t sql_datetime_sub;
    std::int16_t num_prec_radix;
    std::int16_t interval_precision;
};

// Every row, in the order a request for all types returns them. The texts are of static storage.
std::span<const type_row> type_rows() noexcept;

// The row of one DATA_TYPE; null when the driver offers no type of that code.
const type_row* find_type(std::int16_t data_type);

}  // namespace catalog
