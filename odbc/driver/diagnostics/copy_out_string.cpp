#include "diagnostics/copy_out_string.hpp"

#include <cstring>

#include "logger/logger.hpp"

void log_truncation(std::int64_t buffer_length, std::int64_t length) {
    log_line(logger::level::info, "buffer [{}] too small for message [{}], truncating...", buffer_length, length);
}

namespace detail {

void copy_text_into(std::string_view text, void* buffer, std::int64_t buffer_length) {
    const auto n = static_cast<std::int64_t>(text.size());
    auto c = n;
    if (n >= buffer_length && buffer_length > 0) {
        log_truncation(buffer_length, n);
        c = buffer_length - 1;
    }
    if (buffer != nullptr && buffer_length > 0) {
        auto* out = static_cast<char*>(buffer);
        // Cells are mostly short texts (symbols, names), copied here rather than by a call.
        constexpr std::int64_t short_text = 16;
        if (c <= short_text) {
            for (std::int64_t i = 0; i < c; ++i) out[i] = text[static_cast<std::size_t>(i)];
        } else {
            std::memcpy(out, text.data(), static_cast<std::size_t>(c));
        }
        out[c] = '\0';
    }
}

}  // namespace detail

std::size_t copy_out_bytes(std::string_view bytes, void* buffer, std::int64_t buffer_length) {
    const auto n = static_cast<std::int64_t>(bytes.size());
    if (buffer_length <= 0) return 0;
    auto c = n;
    if (n > buffer_length) {
        log_truncation(buffer_length, n);
        c = buffer_length;
    }
    if (buffer == nullptr) return 0;
    if (c > 0) std::memcpy(buffer, bytes.data(), static_cast<std::size_t>(c));
    return static_cast<std::size_t>(c);
}
