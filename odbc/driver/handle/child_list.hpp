#pragma once
// The statements and descriptors allocated on a connection, owned by it. The Driver Manager
// frees a connection after SQLDisconnect without freeing the statements the application left
// allocated, so the connection frees them with itself; a child freed earlier leaves the list.
// Statements of one connection may be allocated and freed from several threads at once: the
// list takes a lock of its own (never held while a child is destroyed).

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

struct variant_handle;

namespace handle {

class child_list {
public:
    child_list() noexcept;
    child_list(child_list&&) noexcept;
    child_list& operator=(child_list&&) noexcept;
    child_list(const child_list&) = delete;
    child_list& operator=(const child_list&) = delete;
    ~child_list();

    // Takes ownership of a new child and returns its handle value.
    variant_handle* adopt(std::unique_ptr<variant_handle> child);
    // Gives up ownership of `child`; null when it is not on the list.
    [[nodiscard]] std::unique_ptr<variant_handle> release(variant_handle* child) noexcept;

    // Applies `f` to every child, in allocation order.
    template <typename F>
    void for_each(F&& f) const {
        const std::scoped_lock held(lock_);
        for (const auto& child : children_) f(*child.get());
    }
    [[nodiscard]] std::size_t size() const {
        const std::scoped_lock held(lock_);
        return children_.size();
    }

private:
    mutable std::mutex lock_;  // a moved list (only while its connection is being made) gets its own
    std::vector<std::unique_ptr<variant_handle>> children_;
};

}  // namespace handle
