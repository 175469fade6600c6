#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include <fmt/ranges.h>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "frame.hpp"
#include "logger/logger.hpp"

namespace fs = std::filesystem;
using logger::level;

namespace {

// Counts how often it is formatted, to prove that filtered lines are never formatted.
struct counted {
    static inline std::atomic<int> formatted{0};
};

}  // namespace

template <>
struct fmt::formatter<counted> : fmt::formatter<std::string_view> {
    auto format(const counted&, fmt::format_context& ctx) const {
        ++counted::formatted;
        return fmt::formatter<std::string_view>::format("counted", ctx);
    }
};

TEST(Logger, WritesNothingAndCreatesNothingBeforeConfigure) {
    support::temp_dir dir;
    auto& lg = logger::instance();
    lg.close_file();
    log_line(level::error, "dropped {}", 1);
    EXPECT_FALSE(lg.is_open());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(Logger, PrefixesAndLevelFiltering) {
    support::captured_log log(level::info);
    counted::formatted = 0;
    log_line(level::error, "e {}", 1);
    log_line(level::info, "i {}", 2);
    log_line(level::debug, "d {}", counted{});
    EXPECT_EQ(counted::formatted, 0) << "a filtered line must not be formatted";
    EXPECT_EQ(log.text(), "[Error] e 1\n[Info]  i 2\n");

    logger::instance().set_level(level::none);
    log_line(level::error, "never");
    EXPECT_EQ(log.text(), "[Error] e 1\n[Info]  i 2\n");

    logger::instance().set_level(level::debug);
    log_line(level::debug, "{}", counted{});
    EXPECT_EQ(counted::formatted, 1);
    EXPECT_EQ(support::lines_of(log.text()).back(), "[Debug] counted");
}

TEST(Logger, LevelSettingMapsUnknownValuesToInfo) {
    EXPECT_EQ(logger::level_from_setting(0), level::none);
    EXPECT_EQ(logger::level_from_setting(1), level::error);
    EXPECT_EQ(logger::level_from_setting(2), level::info);
    EXPECT_EQ(logger::level_from_setting(3), level::debug);
    EXPECT_EQ(logger::level_from_setting(5), level::info);
}

TEST(Logger, ClosedFileDropsLinesUntilConfiguredAgain) {
    support::captured_log log(level::debug);
    log_line(level::info, "one");
    auto& lg = logger::instance();
    lg.close_file();
    log_line(level::info, "dropped");
    lg.configure(log.dir(), 0, 0);
    log_line(level::info, "two");
    EXPECT_EQ(log.text(), "[Info]  one\n[Info]  two\n");
}

TEST(Logger, ConfigureCreatesMissingDirectoriesAndAppends) {
    support::temp_dir dir;
    const auto nested = dir.path() / "a" / "b";
    auto& lg = logger::instance();
    lg.close_file();
    lg.set_level(level::info);
    ASSERT_TRUE(lg.configure(nested, 0, 0));
    log_line(level::info, "first");
    lg.close_file();
    ASSERT_TRUE(lg.configure(nested, 0, 0));
    log_line(level::info, "second");
    lg.close_file();
    EXPECT_EQ(support::read_file(nested / "vdl_odbc_driver.log"), "[Info]  first\n[Info]  second\n");
}

TEST(Logger, ConfigureFailsQuietlyWhenTheDirectoryCannotBeMade) {
    support::temp_dir dir;
    std::ofstream(dir.path() / "file") << "x";
    auto& lg = logger::instance();
    lg.close_file();
    EXPECT_FALSE(lg.configure(dir.path() / "file" / "sub", 0, 0));
    EXPECT_FALSE(lg.is_open());
    log_line(level::error, "dropped");
}

TEST(Logger, FileIsNeverWritableByOthers) {
    support::temp_dir dir;
    const mode_t old = ::umask(0);
    auto& lg = logger::instance();
    lg.close_file();
    lg.configure(dir.path(), 0, 0);
    ::umask(old);
    lg.close_file();
    struct stat st {};
    ASSERT_EQ(::stat((dir.path() / "vdl_odbc_driver.log").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_IWGRP | S_IWOTH), 0u);
    EXPECT_EQ(st.st_mode & (S_IRUSR | S_IWUSR), static_cast<mode_t>(S_IRUSR | S_IWUSR));
}

TEST(Logger, RotationKeepsTheNewestFilesAndLeavesOthersAlone) {
    support::captured_log log(level::debug, 2, 1000);
    // Older rotated files, with ages the cleanup sorts by.
    const auto now = fs::file_time_type::clock::now();
    for (int i = 1; i <= 3; ++i) {
        const auto p = log.dir() / fmt::format("vdl_odbc_driver-{}.log", i);
        std::ofstream(p) << "old";
        fs::last_write_time(p, now - std::chrono::hours(10 - i));
    }
    std::ofstream(log.dir() / "unrelated.log") << "keep me";

    for (int i = 0; i < 40; ++i) log_line(level::debug, "line {:040d}", i);

    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(log.dir())) names.insert(e.path().filename().string());
    EXPECT_TRUE(names.count("vdl_odbc_driver.log"));
    EXPECT_TRUE(names.count("unrelated.log"));
    EXPECT_FALSE(names.count("vdl_odbc_driver-1.log"));
    EXPECT_FALSE(names.count("vdl_odbc_driver-2.log"));
    // The current file, the unrelated file and the two newest rotated files.
    EXPECT_EQ(names.size(), 4u) << fmt::format("{}", fmt::join(names, ", "));
    EXPECT_LT(fs::file_size(log.dir() / "vdl_odbc_driver.log"), 1100u);
}

TEST(Logger, RotationWithoutKeepCountKeepsEverything) {
    support::captured_log log(level::debug, 0, 100);
    for (int i = 1; i <= 3; ++i) std::ofstream(log.dir() / fmt::format("vdl_odbc_driver-{}.log", i)) << "old";
    for (int i = 0; i < 10; ++i) log_line(level::debug, "line {:040d}", i);
    int count = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(log.dir())) ++count;
    // Two 54-byte lines fill a file: three old files, this run's four rotated files, the current one.
    EXPECT_EQ(count, 8);
}

// Every line of a run, read back from the current file and all rotated ones.
std::vector<std::string> all_lines(const fs::path& dir) {
    std::vector<std::string> lines;
    for (const auto& e : fs::directory_iterator(dir))
        for (auto& line : support::lines_of(support::read_file(e.path()))) lines.push_back(std::move(line));
    return lines;
}

TEST(Logger, RotationsWithinOneSecondNeverOverwriteEachOther) {
    support::captured_log log(level::debug, 0, 100);
    // A file rotated earlier in this very second, by another process, keeps its content.
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::ofstream(log.dir() / fmt::format("vdl_odbc_driver-{}.log", seconds)) << "[Info]  earlier\n";
    std::ofstream(log.dir() / fmt::format("vdl_odbc_driver-{}.log", seconds + 1)) << "[Info]  earlier\n";
    constexpr int count = 200;
    for (int i = 0; i < count; ++i) log_line(level::debug, "statement {:0100d}", i);
    (void)log.text();  // flushes the current file

    const auto lines = all_lines(log.dir());
    std::set<std::string> statements;
    for (const auto& line : lines)
        if (line.starts_with("[Debug] statement ")) statements.insert(line);
    EXPECT_EQ(statements.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[Info]  earlier"), 2);
}

TEST(Logger, RotationKeepCountRemovesTheOldestOfOneSecondFirst) {
    support::captured_log log(level::debug, 3, 100);
    for (int i = 0; i < 40; ++i) log_line(level::debug, "statement {:0100d}", i);
    (void)log.text();
    std::vector<int> kept;
    for (const auto& line : all_lines(log.dir()))
        if (line.starts_with("[Debug] statement ")) kept.push_back(std::stoi(line.substr(18)));
    std::sort(kept.begin(), kept.end());
    // One line per file: the current one and the three newest rotated ones remain.
    EXPECT_EQ(kept, (std::vector<int>{36, 37, 38, 39}));
}

TEST(Logger, RotationMovesTheOpenFileWhenTheDirectoryChangedMeanwhile) {
    support::temp_dir dir;
    auto& lg = logger::instance();
    lg.close_file();
    lg.set_level(level::info);
    ASSERT_TRUE(lg.configure(dir.path() / "first", 0, 10));
    log_line(level::info, "fills the first file past its limit");
    // A second connection names another directory while the file is open.
    ASSERT_TRUE(lg.configure(dir.path() / "second", 0, 10));
    const diag_record r = frame::run_guarded(std::source_location::current(), [] {
        log_line(logger::level::info, "after the rotation");
        return diag_record::success();
    });
    lg.close_file();
    lg.set_level(level::info);
    EXPECT_EQ(r.sqlstate, "00000") << r.message;

    // The full file was rotated where it was written; the new file opened in the new directory.
    std::vector<std::string> first;
    for (const auto& e : fs::directory_iterator(dir.path() / "first")) first.push_back(e.path().filename().string());
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].starts_with("vdl_odbc_driver-")) << first[0];
    EXPECT_NE(support::read_file(dir.path() / "first" / first[0]).find("fills the first file"), std::string::npos);
    EXPECT_EQ(support::read_file(dir.path() / "second" / "vdl_odbc_driver.log"), "[Info]  after the rotation\n");
}

TEST(Logger, RotationFailureIsSwallowedOutsideAGuardedCallAndReportedInside) {
    support::temp_dir dir;
    auto& lg = logger::instance();
    lg.close_file();
    lg.set_level(level::info);
    ASSERT_TRUE(lg.configure(dir.path() / "logs", 0, 10));
    log_line(level::info, "fills the file past its limit");
    fs::remove_all(dir.path() / "logs");  // the next rotation cannot rename the file

    EXPECT_NO_THROW(log_line(level::info, "outside"));

    ASSERT_TRUE(lg.configure(dir.path() / "logs", 0, 10));
    fs::create_directories(dir.path() / "logs");
    lg.close_file();
    ASSERT_TRUE(lg.configure(dir.path() / "logs", 0, 10));
    log_line(level::info, "fills the file past its limit");
    fs::remove_all(dir.path() / "logs");
    const diag_record r = frame::run_guarded(std::source_location::current(), [] {
        log_line(logger::level::info, "inside");
        return diag_record::success();
    });
    EXPECT_EQ(r.sqlstate, "HY000");
    EXPECT_NE(r.message.find("rename"), std::string::npos) << r.message;
    lg.close_file();
    lg.set_level(level::info);
}

TEST(Logger, ConcurrentLinesNeverInterleave) {
    support::captured_log log(level::info);
    constexpr int threads = 4;
    constexpr int per_thread = 500;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([t] {
            for (int i = 0; i < per_thread; ++i) log_line(level::info, "thread {} line {} {:->60}", t, i, "|");
        });
    for (auto& w : workers) w.join();

    const auto lines = log.lines();
    std::set<std::string> seen;
    for (const auto& line : lines) {
        ASSERT_TRUE(line.starts_with("[Info]  thread ")) << line;
        ASSERT_TRUE(line.ends_with(std::string(59, '-') + "|")) << line;
        seen.insert(line);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(threads * per_thread));
}
