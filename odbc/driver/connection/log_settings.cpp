#include "connection/log_settings.hpp"

#include <filesystem>
#include <string>

#include "logger/logger.hpp"

namespace settings {

void apply_log_settings(const connection_settings& s) {
    const std::int64_t max_size = std::stoll(std::string(value_of(s, "max_log_file_size")));
    const std::int64_t keep_count = std::stoll(std::string(value_of(s, "keep_log_file_num")));
    auto& lg = logger::instance();
    lg.configure(std::filesystem::path(value_of(s, "logdir")), keep_count, max_size);
    lg.set_level(logger::level_from_setting(std::stoull(std::string(value_of(s, "log_level")))));
}

}  // namespace settings
