#pragma once
// A byte buffer prefilled with a sentinel, to see exactly which bytes a call wrote.

#include <sql.h>

#include <cstdint>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace support {

// An integer attribute value as ODBC passes it: in the pointer argument.
inline SQLPOINTER bits(std::uintptr_t value) { return reinterpret_cast<SQLPOINTER>(value); }

template <std::size_t N = 32>
struct sentinel_buffer {
    static constexpr unsigned char sentinel = 0xAB;
    alignas(8) std::array<unsigned char, N> bytes{};

    sentinel_buffer() { bytes.fill(sentinel); }

    [[nodiscard]] void* data() { return bytes.data(); }
    // Bytes changed from the sentinel, counted from the end of the last changed one.
    [[nodiscard]] std::size_t written() const {
        std::size_t last = 0;
        for (std::size_t i = 0; i < N; ++i)
            if (bytes[i] != sentinel) last = i + 1;
        return last;
    }
    [[nodiscard]] bool untouched() const { return written() == 0; }
    template <typename T>
    [[nodiscard]] T as() const {
        T value;
        std::memcpy(&value, bytes.data(), sizeof value);
        return value;
    }
};

}  // namespace support
