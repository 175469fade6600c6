#include "setup/attribute_list.hpp"

#include "connection/log_settings.hpp"
#include "connection/settings_parser.hpp"
#include "logger/logger.hpp"

namespace setup_ops {

std::optional<std::string_view> attribute_list_text(const char* list) noexcept {
    if (list[0] == '\0') return std::string_view{};
    // A zero byte is always followed by at least one more byte (the next entry or the final
    // zero), so list[i + 1] is read only where the list still runs.
    for (std::size_t i = 1; i + 1 < attribute_list_limit; ++i) {
        if (list[i] == '\0' && list[i + 1] == '\0') return std::string_view(list, i);
    }
    return std::nullopt;
}

std::optional<connection_settings> setup_settings(const char* list, std::string_view entry_point) {
    connection_settings s;
    if (list == nullptr) {
        s = settings::build_defaults();
    } else {
        const auto text = attribute_list_text(list);
        if (!text) {
            log_line(logger::level::error, "could not properly read attributes, string exceeded 8192 characters.");
            return std::nullopt;
        }
        s = settings::parse_connection_string(*text, '\0');
    }
    if (const auto refusal = settings::apply_log_settings(s)) {
        log_line(logger::level::error, "{}", refusal->message);
        return std::nullopt;
    }
    log_line(logger::level::debug, "{}", entry_point);
    return s;
}

}  // namespace setup_ops
