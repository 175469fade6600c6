#pragma once
// The driver's process-wide logger: one plain-text file, level-filtered lines with
// an 8-character level prefix, size-based rotation.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#define VDL_EXPORT __attribute__((visibility("default")))

namespace logger {

enum class level : std::int32_t { none = 0, error = 1, info = 2, debug = 3 };

// The base name of the log files: "<base>.log" and rotated "<base>-<seconds>.log"; a second
// rotation within the same second is "<base>-<seconds>-<n>.log" with n counting from 1.
inline constexpr std::string_view log_base_name = "vdl_odbc_driver";

// Maps the numeric `log_level` setting to a level: 0, 1 and 3 stay, anything else is Info.
level level_from_setting(std::uint64_t value) noexcept;

class basic_logger {
public:
    basic_logger() = default;
    ~basic_logger();
    basic_logger(const basic_logger&) = delete;
    basic_logger& operator=(const basic_logger&) = delete;

    // The one cheap test made before any formatting.
    [[nodiscard]] bool enabled(level l) const noexcept {
        return static_cast<std::int32_t>(l) <= level_.load(std::memory_order_relaxed) &&
               open_.load(std::memory_order_relaxed);
    }

    template <typename... Args>
    void log_line(level l, fmt::format_string<Args...> format, Args&&... args) {
        if (!enabled(l)) return;
        write(l, format, fmt::make_format_args(args...));
    }

    // Ends a group of lines, the lines of one export call: what the group wrote reaches the file
    // now, in one write. Costs one atomic load when nothing waits, where taking the mutex would
    // cost about 380 instructions more per row in scenario b of bench/ (6 %).
    void end_group() noexcept {
        if (pending_lines_.load(std::memory_order_relaxed)) write_pending();
    }

    void set_level(level l) noexcept { level_.store(static_cast<std::int32_t>(l), std::memory_order_relaxed); }
    [[nodiscard]] level get_level() const noexcept {
        return static_cast<level>(level_.load(std::memory_order_relaxed));
    }

    // Stores the directory, keep count and maximum size; opens "<dir>/vdl_odbc_driver.log"
    // for appending when no file is open yet. Returns whether a file is open afterwards.
    bool configure(const std::filesystem::path& directory, std::int64_t keep_count, std::int64_t max_size);
    void close_file();

    // The environments of the process share the one file: each environment is counted from its
    // allocation to its release, and releasing the last one closes the file, so that freeing one
    // environment does not silence the connections of another still at work.
    void add_user();
    void remove_user();
    [[nodiscard]] std::int64_t users() const noexcept { return users_.load(std::memory_order_relaxed); }

    [[nodiscard]] bool is_open() const noexcept { return open_.load(std::memory_order_relaxed); }
    [[nodiscard]] std::filesystem::path current_file() const;

private:
    void write(level l, fmt::string_view format, fmt::format_args args);
    void write_pending() noexcept;
    void write_out() noexcept;                                                 // called with mutex_ held
    void rotate_if_needed();                                                   // called with mutex_ held
    void open_current();                                                       // called with mutex_ held
    void close_current() noexcept;                                             // called with mutex_ held
    void remove_oldest_rotated(const std::filesystem::path& directory) const;  // called with mutex_ held

    std::atomic<std::int32_t> level_{static_cast<std::int32_t>(level::info)};
    std::atomic<bool> open_{false};
    std::atomic<std::int64_t> users_{0};
    mutable std::mutex mutex_;  // serialises rotation and every written line
    std::ofstream output_;
    // Whole lines not yet handed to the stream: a line is never split between two writes, and a
    // call's lines go out in one write when the call ends (end_group).
    std::string pending_;
    std::atomic<bool> pending_lines_{false};
    std::uintmax_t written_ = 0;  // size of the current file
    std::filesystem::path directory_;
    std::filesystem::path open_path_;  // the file output_ was opened on
    std::int64_t keep_count_ = 0;
    std::int64_t max_size_ = 0;
};

namespace detail {
// The exported accessor: one logger for the process, also for the programs that load the driver.
// Code reaches it through logger::instance().
VDL_EXPORT basic_logger& get_logger();

// How many guarded calls the thread is inside (guarded_scope). Initial-exec: the driver is loaded
// once and early enough for its thread-local to live in the static TLS block, which saves a
// __tls_get_addr call on every export (about 130 instructions per row in scenario b of bench/, 2 %);
// constinit lets every use read it directly instead of through the thread-local's initialisation
// function.
[[gnu::tls_model("initial-exec")]] extern thread_local constinit int guarded_depth;

// The logger as every line reaches it: the exported accessor is called once, later lines read a
// reference without a call (about 340 instructions fewer per row in scenario b of bench/, 5 %).
inline basic_logger& the_logger() {
    static basic_logger& instance = get_logger();
    return instance;
}
}  // namespace detail

// The process-wide logger.
inline basic_logger& instance() { return detail::the_logger(); }

// Ends the group of lines of the export call it lives in (basic_logger::end_group).
class line_group {
public:
    line_group() noexcept = default;
    ~line_group() { detail::the_logger().end_group(); }
    line_group(const line_group&) = delete;
    line_group& operator=(const line_group&) = delete;
};

// Marks the calling thread as running inside an export's guarded call. A log call that fails
// (a rotation error) propagates inside such a scope, where the guard turns it into a diagnostic,
// and is swallowed outside, so that no error reaches an application from a plain log line.
class guarded_scope {
public:
    guarded_scope() noexcept { ++detail::guarded_depth; }
    ~guarded_scope() { --detail::guarded_depth; }
    guarded_scope(const guarded_scope&) = delete;
    guarded_scope& operator=(const guarded_scope&) = delete;
    [[nodiscard]] static bool active() noexcept { return detail::guarded_depth > 0; }
};

}  // namespace logger

template <typename... Args>
inline void log_line(logger::level l, fmt::format_string<Args...> format, Args&&... args) {
    auto& lg = logger::detail::the_logger();
    if (!lg.enabled(l)) return;
    lg.log_line(l, format, std::forward<Args>(args)...);
}
