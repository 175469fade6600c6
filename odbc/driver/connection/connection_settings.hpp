#pragma once
// The settings of a connection: a map from lower-case setting key to its value text, as
// written. Data sources and connection strings share the one fixed set of keys below.

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>

using connection_settings = std::map<std::string, std::string, std::less<>>;

namespace settings {

// Every key a data source or connection string may set.
inline constexpr std::array<std::string_view, 13> accepted_keys{
    "driver",    "dsn", "description", "uri", "maxinbuffersize",   "maxparallelism",
    "logdir",    "uid", "pwd",         "key", "keep_log_file_num", "max_log_file_size",
    "log_level",
};

// The cluster address used when no `uri` is set.
inline constexpr std::string_view default_uri = "vdl://127.0.0.1:2836";

[[nodiscard]] bool is_accepted_key(std::string_view key) noexcept;

// `$XDG_DATA_HOME/vdl`, else `$HOME/.local/share/vdl`, else `/tmp/vdl`.
[[nodiscard]] std::string default_log_directory();

// The thirteen accepted keys with their defaults.
[[nodiscard]] connection_settings build_defaults();

// The value of `key`, empty when it is absent.
[[nodiscard]] std::string_view value_of(const connection_settings& s, std::string_view key) noexcept;

}  // namespace settings
