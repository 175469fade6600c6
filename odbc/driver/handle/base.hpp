#pragma once
// The members every handle kind begins with.

#include "diagnostics/diag_record.hpp"

struct variant_handle;

namespace handle {

struct base {
    // The environment of a connection, the connection of a statement or descriptor;
    // null for an environment.
    variant_handle* parent = nullptr;
    // The outcome of the last guarded call on this handle.
    diag_record diagnostics;
};

}  // namespace handle
