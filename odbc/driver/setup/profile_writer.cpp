#include "setup/profile_writer.hpp"

#include <string>

namespace setup_ops {

DWORD write_profile(const char* driver, const connection_settings& s,
                    installer::write_private_profile_string_fn* write) {
    if (driver == nullptr || *driver == '\0') return ODBC_ERROR_INVALID_NAME;
    if (write == nullptr) return ODBC_ERROR_REQUEST_FAILED;
    const std::string section(settings::value_of(s, "dsn"));
    for (const auto& [key, value] : driver_profile_keys) {
        if (!write(section.c_str(), key, value, "ODBC.INI")) return ODBC_ERROR_REQUEST_FAILED;
    }
    for (const auto& [key, value] : s) {
        if (!write(section.c_str(), key.c_str(), value.c_str(), "ODBC.INI")) return ODBC_ERROR_REQUEST_FAILED;
    }
    return 0;
}

}  // namespace setup_ops
