#include "connection/data_source.hpp"

#include <cstring>
#include <string>
#include <vector>

#include "connection/secret_masking.hpp"
#include "logger/logger.hpp"

namespace settings {

void read_data_source(std::string_view dsn, connection_settings& s) {
    read_data_source(dsn, s, installer::functions::loaded().get_private_profile_string);
}

void read_data_source(std::string_view dsn, connection_settings& s,
                      installer::get_private_profile_string_fn* read_profile) {
    // unixODBC answers an empty section name with the first section of the file: some other
    // data source's values, credentials included.
    if (dsn.empty()) return;
    const std::string section(dsn);
    std::vector<char> buffer(profile_buffer_size);
    for (auto& [key, value] : s) {
        buffer[0] = '\0';
        const int length = read_profile != nullptr ? read_profile(section.c_str(), key.c_str(), "", buffer.data(),
                                                                  profile_buffer_size, "ODBC.INI")
                                                   : 0;
        if (length >= profile_buffer_size) {
            log_line(logger::level::error, "[dsn:{}] Could not extract entire value for key '{}'", dsn, key);
        } else if (length > 0) {
            // The text up to its terminating zero, never past the reported length.
            value.assign(buffer.data(), ::strnlen(buffer.data(), static_cast<std::size_t>(length)));
            log_line(logger::level::debug, "[dsn:{}] Read key '{}' with value '{}'", dsn, key,
                     masked_value(key, value));
        } else {
            log_line(logger::level::info, "[dsn:{}] Could not extract key '{}''", dsn, key);
        }
    }
}

}  // namespace settings
