#pragma once
// An application buffer of exactly the bytes a test puts in it, on the heap, so that the
// sanitized build reports a read of even one byte past its end.

#include <sql.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "buffers/application_value.hpp"

namespace support {

class exact_buffer {
public:
    template <typename T>
    static exact_buffer of(const T& value) {
        return exact_buffer(&value, sizeof value);
    }
    // The characters of `text`, without a terminating zero unless the view holds one.
    static exact_buffer text(std::string_view text) { return exact_buffer(text.data(), text.size()); }

    [[nodiscard]] void* data() const { return bytes_.get(); }
    [[nodiscard]] std::size_t size() const { return size_; }

    // The reader's view of this buffer.
    [[nodiscard]] buffers::application_buffer as(SQLSMALLINT c_type, std::optional<SQLLEN> indicator,
                                                 SQLLEN buffer_length = 0) const {
        return {c_type, data(), buffer_length, indicator};
    }

private:
    exact_buffer(const void* from, std::size_t size)
        : bytes_(std::make_unique<unsigned char[]>(size == 0 ? 1 : size)), size_(size) {
        if (size != 0) std::memcpy(bytes_.get(), from, size);
    }
    std::unique_ptr<unsigned char[]> bytes_;
    std::size_t size_;
};

}  // namespace support
