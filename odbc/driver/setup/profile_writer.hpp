#pragma once
// Writes a driver's profile and settings into a section of ODBC.INI.

#include <odbcinst.h>

#include <array>

#include "connection/connection_settings.hpp"
#include "connection/installer_library.hpp"

namespace setup_ops {

struct profile_key {
    const char* key;
    const char* value;
};

// The keys that describe the driver's conformance, written first, in this order.
inline constexpr std::array<profile_key, 5> driver_profile_keys{{
    {"APILevel", "1"},
    {"ConnectFunctions", "YYY"},
    {"DriverODBCVer", "03.80"},
    {"FileUsage", "0"},
    {"SQLLevel", "1"},
}};

// Writes the driver profile keys, then every setting of `s` in the map's order, into the
// section of ODBC.INI that the `dsn` setting names. Returns 0, ODBC_ERROR_INVALID_NAME for a
// null or empty `driver` (nothing written), or ODBC_ERROR_REQUEST_FAILED at the first write
// that fails (a missing writer fails every write). Writes made before a failure stay.
[[nodiscard]] DWORD write_profile(const char* driver, const connection_settings& s,
                                  installer::write_private_profile_string_fn* write);

}  // namespace setup_ops
