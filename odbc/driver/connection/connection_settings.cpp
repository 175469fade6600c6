#include "connection/connection_settings.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace settings {

namespace {

// An environment variable that names an absolute directory, as the XDG base-directory rules
// require; anything else counts as unset.
const char* absolute_directory_from(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0' || !std::filesystem::path(value).is_absolute()) return nullptr;
    return value;
}

}  // namespace

bool is_accepted_key(std::string_view key) noexcept {
    return std::find(accepted_keys.begin(), accepted_keys.end(), key) != accepted_keys.end();
}

std::string default_log_directory() {
    if (const char* data_home = absolute_directory_from("XDG_DATA_HOME"))
        return (std::filesystem::path(data_home) / "vdl").string();
    if (const char* home = absolute_directory_from("HOME"))
        return (std::filesystem::path(home) / ".local" / "share" / "vdl").string();
    return "/tmp/vdl";
}

connection_settings build_defaults() {
    return {
        {"driver", "vdl_odbc_driver"},
        {"dsn", "vdl_odbc_driver"},
        {"description", "Vandrel ODBC Driver"},
        {"uri", std::string(default_uri)},
        {"maxinbuffersize", "134217728"},
        {"maxparallelism", "1"},
        {"logdir", default_log_directory()},
        {"uid", ""},
        {"pwd", ""},
        {"key", ""},
        {"keep_log_file_num", "0"},
        {"max_log_file_size", "0"},
        {"log_level", "2"},
    };
}

std::string_view value_of(const connection_settings& s, std::string_view key) noexcept {
    const auto it = s.find(key);
    return it == s.end() ? std::string_view{} : std::string_view(it->second);
}

}  // namespace settings
