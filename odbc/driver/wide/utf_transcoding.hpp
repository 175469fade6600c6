#pragma once
// UTF-8 <-> UTF-16 for wide-character buffers: the driver's texts are UTF-8, and unixODBC's
// SQLWCHAR is a 2-byte UTF-16 code unit. Application memory is read and written as bytes, so
// wide buffers need not be aligned for char16_t.
//
// Ill-formed input never stops a conversion: each maximal ill-formed subsequence of UTF-8 (a
// stray continuation byte, a lead byte without its continuation bytes, an overlong form, an
// encoded surrogate, a value past U+10FFFF) and each unpaired surrogate of UTF-16 becomes one
// U+FFFD REPLACEMENT CHARACTER.

#include <sql.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace wide {

// The size in bytes of one UTF-16 code unit in application memory.
inline constexpr std::size_t unit_size = sizeof(SQLWCHAR);
static_assert(unit_size == 2, "unixODBC's SQLWCHAR is a 2-byte UTF-16 code unit");

inline constexpr char32_t replacement_character = 0xFFFD;

// The first character of a non-empty UTF-8 text and the bytes it takes.
struct decoded_character {
    char32_t code_point;
    std::size_t length;
};
decoded_character decode_utf8(std::string_view text) noexcept;

// The number of UTF-16 code units the text takes.
std::size_t utf16_length(std::string_view utf8) noexcept;

struct utf16_written {
    std::size_t units;       // code units written
    std::size_t bytes_read;  // bytes of the text they come from
};

// Writes the UTF-16 form of the text's leading characters at `out`, at most `capacity` code
// units and whole characters only: a character that needs a surrogate pair goes out as both
// units or not at all. `out` may be null when `capacity` is 0. Writes no terminator.
utf16_written write_utf16(std::string_view utf8, std::byte* out, std::size_t capacity) noexcept;

// The UTF-8 form of `count` UTF-16 code units at `units`.
std::string utf8_of_utf16(const std::byte* units, std::size_t count);

// The number of code units before the first zero unit at `units`, looking at no more than
// `limit` units.
std::size_t zero_terminated_units(const std::byte* units, std::size_t limit) noexcept;

}  // namespace wide
