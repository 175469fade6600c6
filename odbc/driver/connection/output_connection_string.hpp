#pragma once
// The connection string SQLDriverConnect hands back: every setting of the merged map.

#include <string>

#include "connection/connection_settings.hpp"

namespace settings {

// "key=value;" for every setting in the map's order, secrets included: the application
// needs the complete string to connect again.
[[nodiscard]] std::string output_connection_string(const connection_settings& s);

}  // namespace settings
