#pragma once
// The four descriptors every statement owns implicitly.

#include "handle/statement.hpp"

struct variant_handle;

namespace handle {

// The statement's implicit descriptor of the given role, created on the first request; the
// same handle object is returned for the statement's whole life.
variant_handle& implicit_descriptor_of(statement& stmt, implicit_descriptor role);

}  // namespace handle
