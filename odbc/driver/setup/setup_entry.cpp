#include "setup/setup_entry.hpp"

#include <string>
#include <string_view>

#include <fmt/format.h>

#include "logger/logger.hpp"
#include "setup/attribute_list.hpp"
#include "setup/profile_writer.hpp"

namespace setup_ops {

namespace {

using logger::level;

// The installer's Boolean results (the headers define TRUE and FALSE for C only).
constexpr BOOL yes = 1;
constexpr BOOL no = 0;

std::string_view text_or_empty(LPCSTR text) noexcept {
    return text != nullptr ? std::string_view(text) : std::string_view{};
}

// unixODBC drops an error posted without a message, so every error carries one.
void post_error(const installer::functions& fns, DWORD code, const std::string& message) {
    if (fns.post_installer_error != nullptr) fns.post_installer_error(code, message.c_str());
}

}  // namespace

BOOL config_dsn(HWND, WORD request, LPCSTR driver, LPCSTR attributes) {
    return config_dsn(request, driver, attributes, installer::functions::loaded());
}

BOOL config_dsn(WORD request, LPCSTR driver, LPCSTR attributes, const installer::functions& fns) {
    auto s = setup_settings(attributes, "ConfigDSN");
    if (!s) return no;
    if (driver != nullptr) s->insert_or_assign("driver", std::string(driver));
    const std::string dsn(settings::value_of(*s, "dsn"));

    if (request == ODBC_REMOVE_DSN) {
        const BOOL removed = fns.remove_dsn_from_ini != nullptr ? fns.remove_dsn_from_ini(dsn.c_str()) : no;
        if (!removed) log_line(level::error, "could not remove DSN from INI.");
        return removed;
    }

    const std::string driver_setting(settings::value_of(*s, "driver"));
    const BOOL registered =
        fns.write_dsn_to_ini != nullptr ? fns.write_dsn_to_ini(dsn.c_str(), driver_setting.c_str()) : no;
    if (!registered) log_line(level::error, "could not write DSN to INI.");
    if (write_profile(driver, *s, fns.write_private_profile_string) != 0) {
        log_line(level::error, "could not write DSN info to INI.");
        return no;
    }
    return registered;
}

BOOL config_driver(HWND, WORD request, LPCSTR driver, LPCSTR arguments, LPSTR message, WORD message_max,
                   WORD* message_out) {
    return config_driver(request, driver, arguments, message, message_max, message_out, installer::functions::loaded());
}

BOOL config_driver(WORD request, LPCSTR driver, LPCSTR arguments, LPSTR message, WORD message_max, WORD* message_out,
                   const installer::functions& fns) {
    if (message != nullptr && message_max != 0) message[0] = '\0';
    if (message_out != nullptr) *message_out = 0;

    const auto s = setup_settings(arguments != nullptr && arguments[0] != '\0' ? arguments : nullptr, "ConfigDriver");
    if (!s) return no;

    switch (request) {
    case ODBC_INSTALL_DRIVER: {
        log_line(level::info, "Installing driver {}", text_or_empty(driver));
        const DWORD failure = write_profile(driver, *s, fns.write_private_profile_string);
        if (failure == ODBC_ERROR_INVALID_NAME) {
            post_error(fns, ODBC_ERROR_REQUEST_FAILED, "could not install a driver without a name");
        } else if (failure != 0) {
            post_error(fns, ODBC_ERROR_REQUEST_FAILED,
                       fmt::format("could not write the profile of driver {} to ODBC.INI", text_or_empty(driver)));
        }
        return yes;
    }
    case ODBC_REMOVE_DRIVER: log_line(level::info, "Removing driver {}", text_or_empty(driver)); return yes;
    default:
        post_error(fns, ODBC_ERROR_INVALID_REQUEST_TYPE, fmt::format("request {} is not supported", request));
        return no;
    }
}

}  // namespace setup_ops
