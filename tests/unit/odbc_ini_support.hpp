#pragma once
// Environment variables and a private ODBC.INI for tests that read data sources.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "test_support.hpp"

namespace test {

// Sets (or with nullopt, unsets) an environment variable and restores it at the end of the test.
class scoped_env {
public:
    scoped_env(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        if (value) {
            ::setenv(name_.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ~scoped_env() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    scoped_env(const scoped_env&) = delete;
    scoped_env& operator=(const scoped_env&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A section name not used before in this process. unixODBC keeps the values it has read for a
// while, keyed by section and key only: a section whose values change between runs of a test
// in one process (a temporary path) needs a fresh name each time.
inline std::string fresh_section(const std::string& base) {
    static int count = 0;
    return base + "_" + std::to_string(++count);
}

// An odbc.ini of its own, found by unixODBC through ODBCINI and ODBCSYSINI. As unixODBC keeps
// the values it has read, every test names its own sections.
class private_odbc_ini {
public:
    explicit private_odbc_ini(const std::string& content)
        : sys_("ODBCSYSINI", dir_.path().string()), user_("ODBCINI", (dir_.path() / "odbc.ini").string()) {
        std::ofstream(dir_.path() / "odbc.ini") << content;
        std::ofstream(dir_.path() / "odbcinst.ini") << "";
    }
    [[nodiscard]] const std::filesystem::path& dir() const { return dir_.path(); }

private:
    temp_dir dir_;
    scoped_env sys_;
    scoped_env user_;
};

}  // namespace test
