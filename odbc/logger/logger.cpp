#include "logger/logger.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <vector>

namespace logger {

namespace fs = std::filesystem;

[[gnu::tls_model("initial-exec")]] constinit thread_local int detail::guarded_depth = 0;

namespace {

// The most bytes of whole lines held back before they are written.
constexpr std::size_t pending_capacity = 64 * 1024;

constexpr std::string_view prefix(level l) noexcept {
    switch (l) {
    case level::none: return "[None]  ";
    case level::error: return "[Error] ";
    case level::info: return "[Info]  ";
    case level::debug: return "[Debug] ";
    }
    return "[Info]  ";
}

// Creates the file if needed with owner read/write and whatever the umask allows for the
// rest, and never leaves it writable by group or others: it records connection details.
void create_private_file(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        const mode_t wanted = (st.st_mode | S_IRUSR | S_IWUSR) & ~(S_IWGRP | S_IWOTH);
        if ((st.st_mode & 07777) != (wanted & 07777)) (void)::fchmod(fd, wanted & 07777);
    }
    ::close(fd);
}

// The name a file rotated at `seconds` takes: the first of the second has no counter, later
// ones count from 1.
fs::path rotated_name(const fs::path& directory, std::int64_t seconds, int counter) {
    if (counter == 0) return directory / fmt::format("{}-{}.log", log_base_name, seconds);
    return directory / fmt::format("{}-{}-{}.log", log_base_name, seconds, counter);
}

// Moves `from` to a rotated name that no file has yet: a rotated file is never replaced, by
// this process or by another one writing into the same directory. Returns the name taken.
fs::path move_to_unused_name(const fs::path& from, std::int64_t seconds) {
    constexpr int most_per_second = 1'000'000;
    for (int counter = 0; counter < most_per_second; ++counter) {
        const fs::path to = rotated_name(from.parent_path(), seconds, counter);
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return to;
        const int error = errno;
        if (error == EEXIST) continue;
        if (error != EINVAL && error != ENOSYS)
            throw fs::filesystem_error("rename", from, to, std::error_code(error, std::generic_category()));
        // A file system without the no-replace move: test first, then move.
        std::error_code ec;
        if (fs::exists(to, ec)) continue;
        fs::rename(from, to, ec);
        if (ec) throw fs::filesystem_error("rename", from, to, ec);
        return to;
    }
    throw fs::filesystem_error("rename", from, std::make_error_code(std::errc::file_exists));
}

}  // namespace

level level_from_setting(std::uint64_t value) noexcept {
    switch (value) {
    case 0: return level::none;
    case 1: return level::error;
    case 3: return level::debug;
    default: return level::info;
    }
}

basic_logger::~basic_logger() {
    std::lock_guard lock(mutex_);
    close_current();
}

fs::path basic_logger::current_file() const {
    std::lock_guard lock(mutex_);
    return directory_ / fmt::format("{}.log", log_base_name);
}

bool basic_logger::configure(const fs::path& directory, std::int64_t keep_count, std::int64_t max_size) {
    std::lock_guard lock(mutex_);
    directory_ = directory;
    keep_count_ = keep_count;
    max_size_ = max_size;
    if (open_.load(std::memory_order_relaxed)) return true;
    std::error_code ec;
    fs::create_directories(directory_, ec);
    if (ec && !fs::is_directory(directory_)) return false;
    open_current();
    return open_.load(std::memory_order_relaxed);
}

void basic_logger::close_file() {
    std::lock_guard lock(mutex_);
    close_current();
}

void basic_logger::add_user() {
    std::lock_guard lock(mutex_);
    users_.fetch_add(1, std::memory_order_relaxed);
}

void basic_logger::remove_user() {
    std::lock_guard lock(mutex_);
    // A release without an allocation (never expected) must not leave the count below zero.
    if (users_.fetch_sub(1, std::memory_order_relaxed) <= 1) {
        users_.store(0, std::memory_order_relaxed);
        close_current();
    }
}

void basic_logger::open_current() {
    // A directory configured while the previous file was open may not exist yet.
    std::error_code dir_ec;
    fs::create_directories(directory_, dir_ec);
    const fs::path path = directory_ / fmt::format("{}.log", log_base_name);
    create_private_file(path);
    output_.clear();
    output_.open(path, std::ios::out | std::ios::app | std::ios::binary);
    if (!output_.is_open()) {
        output_.setstate(std::ios::failbit);
        return;
    }
    open_path_ = path;
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    written_ = ec ? 0 : size;
    open_.store(true, std::memory_order_relaxed);
}

void basic_logger::close_current() noexcept {
    write_out();
    open_.store(false, std::memory_order_relaxed);
    if (output_.is_open()) {
        output_.flush();
        output_.close();  // sets failbit itself when closing fails
    }
}

void basic_logger::remove_oldest_rotated(const fs::path& directory) const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (!entry.is_regular_file()) continue;
        if (entry.path().filename().string().starts_with(log_base_name)) files.push_back(entry.path());
    }
    if (static_cast<std::int64_t>(files.size()) <= keep_count_) return;
    std::vector<std::pair<fs::file_time_type, fs::path>> by_age;
    by_age.reserve(files.size());
    for (auto& f : files) by_age.emplace_back(fs::last_write_time(f), std::move(f));
    // Files written within one tick of the clock: the one with the lower counter is older.
    std::sort(by_age.begin(), by_age.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        const auto as = a.second.filename().string();
        const auto bs = b.second.filename().string();
        return as.size() != bs.size() ? as.size() < bs.size() : as < bs;
    });
    const auto excess = by_age.size() - static_cast<std::size_t>(keep_count_);
    for (std::size_t i = 0; i < excess; ++i) {
        std::error_code ec;
        if (!fs::remove(by_age[i].second, ec) && ec) throw fs::filesystem_error("remove", by_age[i].second, ec);
    }
}

void basic_logger::rotate_if_needed() {
    if (max_size_ <= 0) return;
    if (written_ < static_cast<std::uintmax_t>(max_size_)) return;
    close_current();
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    // The file that is rotated is the one that was open, in the directory it was opened in: a
    // directory configured while it was open takes effect only when the file is opened again.
    const fs::path current = open_path_;
    try {
        move_to_unused_name(current, static_cast<std::int64_t>(seconds));
    } catch (...) {
        open_current();  // keep logging into the current file
        throw;
    }
    if (keep_count_ > 0) {
        try {
            remove_oldest_rotated(current.parent_path());
        } catch (...) {
            open_current();
            throw;
        }
    }
    open_current();
}

void basic_logger::write(level l, fmt::string_view format, fmt::format_args args) {
    try {
        std::lock_guard lock(mutex_);
        if (!open_.load(std::memory_order_relaxed)) return;
        rotate_if_needed();
        if (!open_.load(std::memory_order_relaxed)) return;
        fmt::memory_buffer line;
        const auto p = prefix(l);
        line.append(p.data(), p.data() + p.size());
        fmt::vformat_to(std::back_inserter(line), format, args);
        line.push_back('\n');
        if (pending_.size() + line.size() > pending_capacity) write_out();
        pending_.append(line.data(), line.size());
        written_ += line.size();
        // The lines of an export call reach the file when the call returns (end_group), at any
        // level: an error line must be there for a user reading the log while the application
        // runs, and must survive the application's crash after the call.
        pending_lines_.store(true, std::memory_order_relaxed);
    } catch (...) {
        if (guarded_scope::active()) throw;
    }
}

void basic_logger::write_pending() noexcept {
    std::lock_guard lock(mutex_);
    write_out();
}

void basic_logger::write_out() noexcept {
    pending_lines_.store(false, std::memory_order_relaxed);
    if (pending_.empty()) return;
    if (output_.is_open()) {
        output_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
        output_.flush();
    }
    pending_.clear();
}

namespace detail {
basic_logger& get_logger() {
    static basic_logger instance;
    return instance;
}
}  // namespace detail

}  // namespace logger
