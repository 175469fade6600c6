#pragma once
// A connection's client-library handle, owned: closed exactly once, by `close` or when the
// owner goes away.

#include <cstddef>
#include <utility>

struct vdl_handle;

namespace handle {

// The client library's handle as statements copy it: a plain value that opens nothing.
using cluster_handle = vdl_handle*;

class owned_cluster {
public:
    owned_cluster() noexcept = default;
    explicit owned_cluster(cluster_handle h) noexcept : handle_(h) {}
    owned_cluster(owned_cluster&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    owned_cluster& operator=(owned_cluster&& other) noexcept {
        if (this != &other) {
            if (handle_ != nullptr) close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    owned_cluster(const owned_cluster&) = delete;
    owned_cluster& operator=(const owned_cluster&) = delete;
    ~owned_cluster() {
        if (handle_ != nullptr) close();
    }

    [[nodiscard]] cluster_handle get() const noexcept { return handle_; }

    // Hands the handle to vdl_close, null included (the library accepts it), and forgets it.
    void close() noexcept;

    friend bool operator==(const owned_cluster& c, std::nullptr_t) noexcept { return c.handle_ == nullptr; }

private:
    cluster_handle handle_ = nullptr;
};

}  // namespace handle
