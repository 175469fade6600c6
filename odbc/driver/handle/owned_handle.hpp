#pragma once
// A handle object owned by another handle rather than by the application.

#include <memory>

struct variant_handle;

namespace handle {

// Destroys a handle object; defined where the handle object is a complete type, so that
// records can own handle objects without a cycle in their declarations.
struct handle_deleter {
    void operator()(variant_handle* h) const noexcept;
};

using owned_handle = std::unique_ptr<variant_handle, handle_deleter>;

}  // namespace handle
