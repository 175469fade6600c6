#pragma once
// Reading a data source's settings from ODBC.INI through the installer library.

#include <string_view>

#include "connection/connection_settings.hpp"
#include "connection/installer_library.hpp"

namespace settings {

// The size of the buffer a profile value is read into; a value needs fewer characters.
inline constexpr int profile_buffer_size = 8192;

// Overlays the values that section `dsn` of ODBC.INI holds for the keys present in `s`;
// missing, empty or overlong values leave `s` as it was. Never fails: a data source or an
// installer library that does not exist yields no values. An empty name reads nothing.
void read_data_source(std::string_view dsn, connection_settings& s);

// As above, with the profile reader given; a null reader yields no values.
void read_data_source(std::string_view dsn, connection_settings& s,
                      installer::get_private_profile_string_fn* read_profile);

}  // namespace settings
