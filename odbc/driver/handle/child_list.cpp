#include "handle/child_list.hpp"

#include <algorithm>

#include "handle/variant_handle.hpp"

namespace handle {

child_list::child_list() noexcept = default;
child_list::child_list(child_list&& other) noexcept : children_(std::move(other.children_)) {}
child_list& child_list::operator=(child_list&& other) noexcept {
    children_ = std::move(other.children_);
    return *this;
}
child_list::~child_list() = default;

variant_handle* child_list::adopt(std::unique_ptr<variant_handle> child) {
    const std::scoped_lock held(lock_);
    children_.push_back(std::move(child));
    return children_.back().get();
}

std::unique_ptr<variant_handle> child_list::release(variant_handle* child) noexcept {
    const std::scoped_lock held(lock_);
    const auto it = std::find_if(children_.begin(), children_.end(), [&](const auto& c) { return c.get() == child; });
    if (it == children_.end()) return nullptr;
    auto owned = std::move(*it);
    children_.erase(it);
    return owned;
}

}  // namespace handle
