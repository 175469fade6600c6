#pragma once
// The value of an attribute or information type, typed as the caller's buffer is.

#include <sql.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>

// The alternative is the type of the caller's buffer: an untyped pointer, a character string,
// 32- and 16-bit integers, and the 64-bit unsigned length (SQLULEN) that ODBC uses for most
// integer statement attributes on this platform. The first six alternatives keep their
// indices as type codes; the length comes last.
using attribute_value =
    std::variant<SQLPOINTER, std::string, std::uint32_t, std::int32_t, std::uint16_t, std::int16_t, SQLULEN>;

static_assert(sizeof(SQLULEN) == 8 && sizeof(SQLPOINTER) == 8, "built for 64-bit ODBC");
static_assert(std::variant_size_v<attribute_value> == 7);
