#pragma once

#include "diagnostics/diag_record.hpp"

// The answer of an operation whose work is not built yet.
inline diag_record not_implemented_yet() { return diag_record(diag::state::general_error, "not implemented yet"); }
