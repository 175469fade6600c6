#pragma once
// Points the process-wide driver log at a temporary directory for one test and reads it back.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files.hpp"
#include "logger/logger.hpp"

namespace support {

class captured_log {
public:
    explicit captured_log(logger::level l = logger::level::debug, std::int64_t keep = 0, std::int64_t max_size = 0) {
        auto& lg = logger::instance();
        lg.close_file();
        lg.set_level(l);
        lg.configure(dir_.path(), keep, max_size);
    }
    ~captured_log() {
        auto& lg = logger::instance();
        lg.close_file();
        lg.set_level(logger::level::info);
    }
    captured_log(const captured_log&) = delete;
    captured_log& operator=(const captured_log&) = delete;

    [[nodiscard]] std::string text() const {
        auto& lg = logger::instance();
        lg.close_file();  // flushes; reopened for further lines
        const std::string t = read_file(dir_.path() / "vdl_odbc_driver.log");
        lg.configure(dir_.path(), 0, 0);
        return t;
    }
    [[nodiscard]] std::vector<std::string> lines() const { return lines_of(text()); }
    // The texts sent to the store, in order, as the "query: '...'" lines (at Debug) give them (of
    // a text of several lines, its first line).
    [[nodiscard]] std::vector<std::string> queries_sent() const {
        constexpr std::string_view prefix = "[Debug] query: '";
        std::vector<std::string> sent;
        for (const auto& line : lines()) {
            if (!line.starts_with(prefix)) continue;
            std::string_view text = std::string_view(line).substr(prefix.size());
            if (text.ends_with('\'')) text.remove_suffix(1);
            sent.emplace_back(text);
        }
        return sent;
    }
    [[nodiscard]] const std::filesystem::path& dir() const { return dir_.path(); }

private:
    temp_dir dir_;
};

}  // namespace support
