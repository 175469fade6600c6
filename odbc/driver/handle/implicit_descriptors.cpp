#include "handle/implicit_descriptors.hpp"

#include <memory>
#include <utility>

#include "handle/variant_handle.hpp"

namespace handle {

variant_handle& implicit_descriptor_of(statement& stmt, implicit_descriptor role) {
    auto& slot = stmt.implicit_descriptors[static_cast<std::size_t>(role)];
    if (!slot) {
        // Like an explicit descriptor, its parent is the statement's connection; the statement
        // owns it, so the application cannot free it.
        descriptor desc;
        desc.parent = stmt.parent;
        desc.implicit = true;
        slot = owned_handle(std::make_unique<variant_handle>(std::move(desc)).release());
    }
    return *slot;
}

}  // namespace handle
