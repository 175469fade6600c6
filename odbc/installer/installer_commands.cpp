#include "installer_commands.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include <fmt/format.h>

namespace installer_tool {

namespace {

constexpr std::string_view usage_text =
    "Usage:\n"
    "    --help                                  Prints help about the odbc installer\n"
    "    --remove [driver_name]                  Remove the driver\n"
    "    --install [driver_name] [driver_path]   Install the driver\n"
    "\n"
    "    The ODBC integration is documented in README.md of the Vandrel ODBC driver, section "
    "\"Registering the driver and a data source\".\n";

// The size of the buffer the installer writes the target directory into.
constexpr WORD path_out_size = 8192;

// The size of the buffer an installer error message is read into. unixODBC writes the
// message's terminating zero at the index it is given as the maximum, so it is given one less.
constexpr WORD error_message_size = 256;

void print_usage() { fmt::print("{}", usage_text); }

// The installer's error records, from the first, until there are no more or eight are printed.
void print_installer_errors(const odbcinst_library& odbcinst) {
    if (odbcinst.installer_error == nullptr) return;
    for (WORD record = 1; record <= max_error_records; ++record) {
        DWORD code = 0;
        std::array<char, error_message_size> message{};
        WORD length = 0;
        const RETCODE rc = odbcinst.installer_error(record, &code, message.data(), error_message_size - 1, &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return;
        // A message of 256 bytes or more is reported with its full length but arrives cut.
        const std::size_t kept = ::strnlen(message.data(), std::min<std::size_t>(length, error_message_size - 1));
        fmt::print("error: {} - {}\n", code, std::string_view(message.data(), kept));
    }
}

int install(std::string_view name, std::string_view path, const odbcinst_library& odbcinst) {
    fmt::print("Installing driver '{}' with library '{}'.\n", name, path);
    const std::string keywords = driver_keywords(name, path);
    // One byte more than the installer is told of, so that a terminating zero written at the
    // given size stays inside the buffer.
    std::array<char, path_out_size + 1> target{};
    WORD target_length = 0;
    DWORD usage_count = 0;
    const bool installed = odbcinst.install_driver_ex != nullptr &&
                           odbcinst.install_driver_ex(keywords.c_str(), nullptr, target.data(), path_out_size,
                                                      &target_length, ODBC_INSTALL_COMPLETE, &usage_count);
    if (!installed) {
        print_installer_errors(odbcinst);
        return exit_failure;
    }
    const std::size_t kept = ::strnlen(target.data(), std::min<std::size_t>(target_length, path_out_size));
    fmt::print("Driver '{}' successfully installed in '{}'.\n", name, std::string_view(target.data(), kept));
    fmt::print("Usage count: {}\n", usage_count);
    return exit_success;
}

int remove(const char* name, const odbcinst_library& odbcinst) {
    DWORD usage_count = 0;
    const bool removed = odbcinst.remove_driver != nullptr && odbcinst.remove_driver(name, 1, &usage_count);
    if (!removed) {
        fmt::print("something went wrong while removing driver {}\n", name);
        print_installer_errors(odbcinst);
        return exit_failure;
    }
    fmt::print("Driver '{}' successfully removed.\n", name);
    fmt::print("Usage count: {}\n", usage_count);
    return exit_success;
}

}  // namespace

std::string driver_keywords(std::string_view name, std::string_view path) {
    const std::string description = fmt::format(
        "Description=Vandrel ODBC Driver|Driver={0}|Setup={0}|APILevel=1|ConnectFunctions=YYY|DriverODBCVer=03.80|"
        "FileUsage=0|SQLLevel=1||",
        path);
    std::string keywords = fmt::format("{0}|{1}", name, description);
    std::replace(keywords.begin(), keywords.end(), '|', '\0');
    return keywords;
}

int run(std::span<const char* const> args, const odbcinst_library& odbcinst) {
    const std::string_view command = args.empty() ? std::string_view{} : std::string_view(args[0]);
    if (command == "--help") {
        print_usage();
        return exit_success;
    }
    if (command == "--install") {
        if (args.size() != 3) {
            fmt::print("expecting 3 parameters got {}\n", args.size());
            print_usage();
            return exit_failure;
        }
        return install(args[1], args[2], odbcinst);
    }
    if (command == "--remove") {
        if (args.size() != 2) {
            fmt::print("expecting 2 parameters got {}\n", args.size());
            print_usage();
            return exit_failure;
        }
        return remove(args[1], odbcinst);
    }
    print_usage();
    return exit_failure;
}

}  // namespace installer_tool
