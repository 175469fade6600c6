#pragma once
// Copies a text into an application buffer, the one way the driver hands texts out.

#include <sql.h>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

// Logs at Info that a text of `length` bytes is cut to fit a buffer of `buffer_length` bytes:
// the one line every truncating copy writes, wide-character copies included.
void log_truncation(std::int64_t buffer_length, std::int64_t length);

namespace detail {
// Copies at most buffer_length - 1 bytes and a terminating zero when the buffer is usable;
// logs the truncation at Info. Truncation is reported only through the full length.
void copy_text_into(std::string_view text, void* buffer, std::int64_t buffer_length);
}  // namespace detail

// Copies bytes into an application buffer for a binary target: at most buffer_length bytes and
// no terminating zero, since every byte of a binary buffer is data; logs a truncation at Info
// like copy_out_string. Returns the number of bytes copied. The caller reports the full length.
std::size_t copy_out_bytes(std::string_view bytes, void* buffer, std::int64_t buffer_length);

// `length_ptr` receives the full length of the text (saturated to its type), not the
// number of bytes copied; a null buffer or a buffer length below 1 copies nothing.
template <std::integral Length>
void copy_out_string(std::string_view text, void* buffer, std::int64_t buffer_length, Length* length_ptr) {
    detail::copy_text_into(text, buffer, buffer_length);
    if (length_ptr != nullptr) {
        constexpr auto max = static_cast<std::uint64_t>(std::numeric_limits<Length>::max());
        *length_ptr = text.size() > max ? std::numeric_limits<Length>::max() : static_cast<Length>(text.size());
    }
}

inline void copy_out_string(std::string_view text, void* buffer, std::int64_t buffer_length, std::nullptr_t) {
    detail::copy_text_into(text, buffer, buffer_length);
}
