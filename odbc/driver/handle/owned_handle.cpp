#include "handle/owned_handle.hpp"

#include "handle/variant_handle.hpp"

namespace handle {

void handle_deleter::operator()(variant_handle* h) const noexcept { std::default_delete<variant_handle>{}(h); }

}  // namespace handle
