#include "handle/owned_cluster.hpp"

#include "vdl_api.h"

namespace handle {

void owned_cluster::close() noexcept { vdl_close(std::exchange(handle_, nullptr)); }

}  // namespace handle
