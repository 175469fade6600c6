#pragma once

#include "handle/base.hpp"

namespace handle {

// A descriptor: descriptor functions are not offered, so it only serves as a handle value.
// An explicitly allocated one belongs to the application; an implicit one belongs to its
// statement, which reports it through the descriptor attributes and frees it with itself.
struct descriptor : base {
    bool implicit = false;
};

}  // namespace handle
