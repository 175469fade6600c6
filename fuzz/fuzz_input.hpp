#pragma once
// Reads a fuzz input as a sequence of choices: fixed-size numbers first, texts of a chosen
// length, and the rest. Reading past the end gives zeros and empty texts, so every input is a
// valid sequence of choices.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace fuzz {

class input {
public:
    input(const std::uint8_t* data, std::size_t size) : data_(reinterpret_cast<const char*>(data)), size_(size) {}

    template <typename T>
    requires std::is_trivially_copyable_v<T> T take()
    noexcept {
        T value{};
        const std::size_t n = sizeof(T) < size_ ? sizeof(T) : size_;
        if (n > 0) std::memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }

    // A number in [0, bound), bound > 0.
    template <typename T = std::uint8_t>
    std::size_t below(std::size_t bound) noexcept {
        return static_cast<std::size_t>(take<T>()) % bound;
    }

    // A text of at most `most` bytes, its length chosen by the next byte.
    std::string_view text(std::size_t most) noexcept {
        std::size_t n = below(most + 1);
        if (n > size_) n = size_;
        const std::string_view t(data_, n);
        data_ += n;
        size_ -= n;
        return t;
    }

    std::string_view rest() noexcept {
        const std::string_view t(data_, size_);
        data_ += size_;
        size_ = 0;
        return t;
    }

    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }

private:
    const char* data_;
    std::size_t size_;
};

}  // namespace fuzz

// A property of the code under test that failed: reported and turned into a crash, which the
// fuzzer keeps as a finding.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
