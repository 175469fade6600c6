#include "connection/log_settings.hpp"

#include <filesystem>
#include <string>

#include "connection/setting_numbers.hpp"
#include "logger/logger.hpp"

namespace settings {

std::optional<diag_record> apply_log_settings(const connection_settings& s) {
    const auto max_size = signed_setting(s, "max_log_file_size");
    if (const auto* refusal = std::get_if<diag_record>(&max_size)) return *refusal;
    const auto keep_count = signed_setting(s, "keep_log_file_num");
    if (const auto* refusal = std::get_if<diag_record>(&keep_count)) return *refusal;
    const auto level = unsigned_setting(s, "log_level");
    if (const auto* refusal = std::get_if<diag_record>(&level)) return *refusal;
    auto& lg = logger::instance();
    lg.configure(std::filesystem::path(value_of(s, "logdir")), std::get<std::int64_t>(keep_count),
                 std::get<std::int64_t>(max_size));
    lg.set_level(logger::level_from_setting(std::get<std::uint64_t>(level)));
    return std::nullopt;
}

}  // namespace settings
