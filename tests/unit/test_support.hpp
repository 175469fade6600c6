#pragma once
// Helpers shared by the driver's unit tests.

#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "handle/variant_handle.hpp"
#include "logger/logger.hpp"
#include "vdl_api.h"

namespace test {

// A fresh directory removed again at the end of the test.
class temp_dir {
public:
    temp_dir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vdl_test_XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~temp_dir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Points the process-wide logger at a temporary directory for one test and reads its file back.
class captured_log {
public:
    explicit captured_log(logger::level l = logger::level::debug, std::int64_t keep = 0, std::int64_t max_size = 0) {
        auto& lg = logger::detail::get_logger();
        lg.close_file();
        lg.set_level(l);
        lg.configure(dir_.path(), keep, max_size);
    }
    ~captured_log() {
        auto& lg = logger::detail::get_logger();
        lg.close_file();
        lg.set_level(logger::level::info);
    }
    captured_log(const captured_log&) = delete;
    captured_log& operator=(const captured_log&) = delete;

    [[nodiscard]] std::string text() const {
        auto& lg = logger::detail::get_logger();
        lg.close_file();  // flushes; reopened for further lines
        const std::string t = read_file(dir_.path() / "vdl_odbc_driver.log");
        lg.configure(dir_.path(), 0, 0);
        return t;
    }
    [[nodiscard]] std::vector<std::string> lines() const { return lines_of(text()); }
    [[nodiscard]] const std::filesystem::path& dir() const { return dir_.path(); }

private:
    temp_dir dir_;
};

// Handles allocated through the exports, freed in reverse order. The connection can be marked
// connected, without reaching a cluster, so that statements can be allocated.
struct handles {
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;

    explicit handles(bool with_statement = true) {
        SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &env);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        if (with_statement) {
            mark_connected();
            SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        }
    }
    ~handles() {
        if (stmt != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (dbc != nullptr) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    handles(const handles&) = delete;
    handles& operator=(const handles&) = delete;

    [[nodiscard]] handle::connection& connection() const {
        return *static_cast<variant_handle*>(dbc)->get_if<handle::connection>();
    }
    [[nodiscard]] handle::statement& statement() const {
        return *static_cast<variant_handle*>(stmt)->get_if<handle::statement>();
    }
    void mark_connected() const {
        // A library handle that was opened but never connected: enough to allocate statements;
        // these tests send nothing to a cluster. The connection closes it when freed.
        connection().cluster = handle::owned_cluster(vdl_open_tcp());
    }
};

struct diag_result {
    SQLRETURN rc;
    std::string sqlstate;
    std::string message;
    SQLSMALLINT length;
};

inline diag_result diag_of(SQLSMALLINT type, SQLHANDLE h, SQLSMALLINT record = 1) {
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLSMALLINT length = -7;
    const SQLRETURN rc = SQLGetDiagRec(type, h, record, state, nullptr, message, sizeof message, &length);
    return {rc, reinterpret_cast<char*>(state), reinterpret_cast<char*>(message), length};
}

}  // namespace test
