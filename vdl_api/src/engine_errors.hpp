// Turns the engine's failures into the library's error codes, keeping the engine's
// reason as the detail so that the user learns what was wrong.
#pragma once

#include "failure.hpp"

#include <sqlite3.h>

#include <string_view>

namespace vdl {

// extended_code: the engine's extended result code; message: its error message.
failure classify_engine_error(int extended_code, std::string_view message);

// The failure of the most recent engine call on db that returned rc.
failure engine_failure(sqlite3* db, int rc);

}  // namespace vdl
