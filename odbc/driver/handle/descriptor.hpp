#pragma once

#include "handle/base.hpp"

namespace handle {

// An explicitly allocated descriptor: descriptor functions are not offered, so it only
// serves as a handle value.
struct descriptor : base {};

}  // namespace handle
