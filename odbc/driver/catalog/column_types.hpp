#pragma once
// How SQLColumns describes a column of each type the store's metadata names.

#include <cstdint>
#include <string_view>

#include "catalog/catalog_table.hpp"

namespace catalog {

struct column_type {
    std::int16_t data_type;        // DATA_TYPE
    std::string_view type_name;    // TYPE_NAME: the name CREATE TABLE takes and SQLGetTypeInfo lists
    cell_value column_size;        // COLUMN_SIZE
    cell_value buffer_length;      // BUFFER_LENGTH: bytes of the default C type
    cell_value decimal_digits;     // DECIMAL_DIGITS; NULL where it does not apply
    cell_value num_prec_radix;     // NUM_PREC_RADIX: 10 for numbers, NULL for the others
    std::int16_t sql_data_type;    // SQL_DATA_TYPE: the verbose type (SQL_DATETIME for timestamps)
    cell_value sql_datetime_sub;   // SQL_DATETIME_SUB: the subcode of a datetime type, else NULL
    cell_value char_octet_length;  // CHAR_OCTET_LENGTH: for texts and bytes, else NULL
};

// The description of a metadata type code (VDL_TYPE_*); a code the driver does not know is
// described with zeros and an empty type name.
const column_type& describe_column_type(std::int32_t code) noexcept;

// TYPE_NAME of a metadata type code.
std::string_view column_type_name(std::int32_t code) noexcept;

}  // namespace catalog
