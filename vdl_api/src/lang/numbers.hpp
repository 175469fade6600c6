// The numbers of a query as the engine gets them: bound values read exactly, or, where a value
// would change what the statement means, the text as written.
#pragma once

#include "token.hpp"
#include "translator.hpp"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vdl::lang {

// Whether a number token is decimal digits only (42, 007), or 0x and hexadecimal digits.
bool is_digits(std::string_view text) noexcept;
bool is_hex_number(std::string_view text) noexcept;

// The value of a number token:
//   decimal digits that fit 64 bits  the integer (leading zeros allowed)
//   0x and hexadecimal digits        the 64-bit pattern as a signed integer (0xFFFFFFFFFFFFFFFF is -1)
//   a fraction or an exponent, or
//   digits beyond 64 bits            the nearest double; beyond the doubles' range an infinity, below
//                                    the least one 0
// None for the numbers only the engine reads as it should: 9223372036854775808 (an integer
// under a minus sign, a double otherwise), 0x8000000000000000 (an error under a minus sign) and
// hexadecimal numbers of more than 64 bits (an error).
std::optional<bound_value> number_value(std::string_view text);

// For each token, whether it is a number that must reach the engine as written:
//   - an integer that is a whole term of an ORDER BY, GROUP BY or PARTITION BY list (ORDER BY 2:
//     the second result column, where a bound 2 would be a constant);
//   - a size in a type name (CAST(x AS NUMERIC(10, 2))), where the engine takes no value;
//   - the probability of likelihood(x, 0.9), which the engine wants as a literal.
std::vector<bool> numbers_kept_as_written(std::span<const token> tokens);

}  // namespace vdl::lang
