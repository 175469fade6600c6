// A failure of a library operation: an error code of vdl_api.h and the detail that tells
// the user what exactly went wrong. Operations return outcome<T>: a value or a failure.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace vdl {

struct failure {
    std::uint32_t code;
    std::string detail;
};

template <class T>
class [[nodiscard]] outcome {
public:
    outcome(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    outcome(failure error) : state_(std::in_place_index<1>, std::move(error)) {}

    [[nodiscard]] bool ok() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const failure& error() const& { return std::get<1>(state_); }
    failure&& error() && { return std::get<1>(std::move(state_)); }

private:
    std::variant<T, failure> state_;
};

// For operations that return nothing on success.
struct done {};
using status = outcome<done>;

inline status success() { return done{}; }

}  // namespace vdl
