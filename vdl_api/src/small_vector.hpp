// A growing array whose first N elements live in the object itself: the temporary arrays of a
// small result (a point query's one row) need no allocation, and a large one moves to the heap
// once.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace vdl {

template <class T, std::size_t N>
class small_vector {
public:
    small_vector() = default;
    small_vector(std::size_t count, const T& value) {
        for (std::size_t i = 0; i < count; ++i) push_back(value);
    }

    void push_back(const T& value) {
        if (size_ < N) {
            inline_[size_++] = value;
            return;
        }
        if (size_ == N) heap_.assign(inline_.begin(), inline_.end());
        heap_.push_back(value);
        ++size_;
    }

    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
    [[nodiscard]] T* data() noexcept { return size_ <= N ? inline_.data() : heap_.data(); }
    [[nodiscard]] const T* data() const noexcept { return size_ <= N ? inline_.data() : heap_.data(); }
    T& operator[](std::size_t i) noexcept { return data()[i]; }
    const T& operator[](std::size_t i) const noexcept { return data()[i]; }
    [[nodiscard]] std::span<T> span() noexcept { return {data(), size_}; }
    [[nodiscard]] std::span<const T> span() const noexcept { return {data(), size_}; }

private:
    std::array<T, N> inline_{};
    std::vector<T> heap_;  // all the elements, once there are more than N
    std::size_t size_ = 0;
};

}  // namespace vdl
