#pragma once
// The commands of vdl_odbc_installer: --help, --install NAME PATH, --remove NAME.

#include <span>
#include <string>
#include <string_view>

#include "odbcinst_library.hpp"

namespace installer_tool {

// The exit statuses (the shell sees the failure as 255).
inline constexpr int exit_success = 0;
inline constexpr int exit_failure = -1;

// At most this many installer error records are printed after a failure.
inline constexpr int max_error_records = 8;

// The keyword list SQLInstallDriverEx takes for driver `name` at `path` (both the driver and
// its setup library): zero-terminated keyword strings ended by an empty one. A '|' in the
// name or the path is turned into a zero byte as well.
[[nodiscard]] std::string driver_keywords(std::string_view name, std::string_view path);

// Runs the command in `args` (the arguments after the program name) and returns the exit status.
int run(std::span<const char* const> args, const odbcinst_library& odbcinst);

}  // namespace installer_tool
