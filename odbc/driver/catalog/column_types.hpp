#pragma once
// How SQLColumns describes a column of each type the store's metadata names.

#include <cstdint>
#include <string_view>

namespace catalog {

struct column_type {
    std::int16_t data_type;          // DATA_TYPE
    std::string_view type_name;      // TYPE_NAME
    std::int32_t column_size;        // COLUMN_SIZE and BUFFER_LENGTH
    std::int16_t decimal_digits;     // DECIMAL_DIGITS and NUM_PREC_RADIX
    std::int32_t char_octet_length;  // CHAR_OCTET_LENGTH
};

// The description of a metadata type code (VDL_TYPE_*); a code the driver does not know is
// described with zeros and an empty type name.
const column_type& describe_column_type(std::int32_t code) noexcept;

// TYPE_NAME of a metadata type code.
std::string_view column_type_name(std::int32_t code) noexcept;

}  // namespace catalog
