#pragma once
// The private unixODBC configuration of a C++ test: a temporary directory whose odbcinst.ini and
// odbc.ini private_odbc.sh writes, and the environment that script prints (ODBCSYSINI, ODBCINI,
// XDG_DATA_HOME with --data-home), set while the object lives and restored after.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace support {

// Sets (or with nullopt, unsets) an environment variable and restores it when it goes.
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

// A private unixODBC configuration; `arguments` are private_odbc.sh's after DIR
// ("--data-source", name, "key=value", ...). unixODBC keeps the values it has read for a while,
// keyed by section and key only: a test whose values change between runs in one process (a
// temporary path) names its sections with fresh_section.
class private_odbc {
public:
    // A fresh directory with nothing written yet.
    private_odbc() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vdl_odbc_XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = tmpl;
    }
    // The configuration `arguments` make (private_odbc.sh's arguments after DIR).
    explicit private_odbc(const std::vector<std::string>& arguments) : private_odbc() { write(arguments); }
    ~private_odbc() {
        environment_.clear();  // restored before the directory goes
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    private_odbc(const private_odbc&) = delete;
    private_odbc& operator=(const private_odbc&) = delete;

    [[nodiscard]] const std::filesystem::path& dir() const { return dir_; }

    // Writes both files anew as `arguments` say and points the environment at them.
    void write(const std::vector<std::string>& arguments) {
        std::vector<std::string> command{"bash", VDL_PRIVATE_ODBC_SCRIPT, dir_.string()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const std::string printed = run(command);
        environment_.clear();
        for (std::size_t at = 0; at < printed.size();) {
            const auto end = printed.find('\n', at);
            const std::string line = printed.substr(at, end - at);
            at = end == std::string::npos ? printed.size() : end + 1;
            const auto equals = line.find('=');
            if (equals == std::string::npos) continue;
            environment_.emplace_back(std::make_unique<scoped_env>(line.substr(0, equals), line.substr(equals + 1)));
        }
    }

private:
    // Runs a command without a shell and answers what it printed; throws when it fails.
    static std::string run(const std::vector<std::string>& command) {
        int pipe_ends[2];
        if (::pipe(pipe_ends) != 0) throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
        std::vector<char*> argv;
        for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe_ends[1]);
        std::string out;
        char buffer[512];
        for (ssize_t n = 0; spawned == 0 && (n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
            out.append(buffer, static_cast<std::size_t>(n));
        ::close(pipe_ends[0]);
        int status = 0;
        if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("private_odbc.sh failed");
        return out;
    }

    std::filesystem::path dir_;
    std::vector<std::unique_ptr<scoped_env>> environment_;
};

// A section name not used before in this process.
inline std::string fresh_section(const std::string& base) {
    static int count = 0;
    return base + "_" + std::to_string(++count);
}

}  // namespace support
