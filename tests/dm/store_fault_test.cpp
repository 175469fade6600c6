// Stores that fail under the driver: each failure reaches the application as a diagnostic through
// the Driver Manager, and the driver keeps working afterwards.

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver_manager.hpp"

namespace fs = std::filesystem;

namespace {

using support::sql_text;

// A small tmpfs at a directory of its own, detached again at the end. `mounted()` is false where
// the machine does not let the tests mount (no root, no CAP_SYS_ADMIN): such tests skip.
class tmpfs_mount {
public:
    tmpfs_mount(fs::path at, std::size_t bytes) : at_(std::move(at)) {
        fs::create_directories(at_);
        const std::string options = "size=" + std::to_string(bytes);
        if (::mount("tmpfs", at_.c_str(), "tmpfs", 0, options.c_str()) == 0) mounted_ = true;
        else reason_ = std::strerror(errno);
    }
    ~tmpfs_mount() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    tmpfs_mount(const tmpfs_mount&) = delete;
    tmpfs_mount& operator=(const tmpfs_mount&) = delete;

    [[nodiscard]] bool mounted() const { return mounted_; }
    [[nodiscard]] const std::string& reason() const { return reason_; }
    [[nodiscard]] const fs::path& path() const { return at_; }
    bool remount_read_only() const {
        return ::mount(nullptr, at_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    fs::path at_;
    bool mounted_ = false;
    std::string reason_;
};

// A file made read-only for this process: by its mode for an ordinary user, by a read-only bind
// mount of the file onto itself for root, whom modes do not stop.
class read_only_file {
public:
    explicit read_only_file(fs::path file) : file_(std::move(file)) {
        if (::geteuid() != 0) {
            ok_ = ::chmod(file_.c_str(), 0444) == 0;
            return;
        }
        bound_ = ::mount(file_.c_str(), file_.c_str(), nullptr, MS_BIND, nullptr) == 0;
        ok_ = bound_ && ::mount(nullptr, file_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
        if (!ok_) reason_ = std::strerror(errno);
    }
    ~read_only_file() {
        if (bound_) ::umount2(file_.c_str(), MNT_DETACH);
        else ::chmod(file_.c_str(), 0644);
    }
    read_only_file(const read_only_file&) = delete;
    read_only_file& operator=(const read_only_file&) = delete;
    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] const std::string& reason() const { return reason_; }

private:
    fs::path file_;
    bool bound_ = false;
    bool ok_ = false;
    std::string reason_;
};

class StoreFault : public ::testing::Test {
protected:
    StoreFault() {
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_), SQL_SUCCESS);
        EXPECT_EQ(SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_SUCCESS);
    }
    ~StoreFault() override {
        disconnect();
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    // Connects to the store at `store`; the diagnostic text on failure, empty on success.
    std::string connect(const fs::path& store) {
        const std::string in =
            "Driver=vdl;uri=file://" + store.string() + ";logdir=" + (config_.dir() / "logs").string();
        SQLCHAR out[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc =
            SQLDriverConnect(dbc_, nullptr, sql_text(in), SQL_NTS, out, sizeof out, &length, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) return support::diag(SQL_HANDLE_DBC, dbc_);
        connected_ = true;
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_), SQL_SUCCESS);
        return {};
    }
    void disconnect() {
        if (stmt_ != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        stmt_ = nullptr;
        if (connected_) SQLDisconnect(dbc_);
        connected_ = false;
    }
    // Runs a statement and reads its first cell as text; "error: <diagnostic>" when it fails.
    std::string run(const std::string& statement) {
        SQLFreeStmt(stmt_, SQL_CLOSE);
        if (!SQL_SUCCEEDED(SQLExecDirect(stmt_, sql_text(statement), SQL_NTS)))
            return "error: " + support::diag(SQL_HANDLE_STMT, stmt_);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt_, &columns);
        if (columns == 0) return {};
        if (SQLFetch(stmt_) != SQL_SUCCESS) return "no row";
        char cell[256] = {};
        SQLLEN length = 0;
        SQLGetData(stmt_, 1, SQL_C_CHAR, cell, sizeof cell, &length);
        return cell;
    }
    // Makes a store holding one table with three rows, and closes it.
    void make_store(const fs::path& store) {
        ASSERT_EQ(connect(store), "");
        ASSERT_EQ(run("CREATE TABLE t (n INT64)"), "");
        ASSERT_EQ(run("INSERT INTO t (n) VALUES (1), (2), (3)"), "");
        disconnect();
    }

    support::private_odbc_config config_;
    const fs::path dir_ = config_.dir();
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    SQLHSTMT stmt_ = nullptr;
    bool connected_ = false;
};

TEST_F(StoreFault, AFileThatIsNotAStoreIsRefusedAtConnect) {
    const auto store = dir_ / "notes.txt";
    std::ofstream(store) << std::string(4096, 'x');
    const auto error = connect(store);
    EXPECT_NE(error.find("08001"), std::string::npos) << error;
    EXPECT_NE(error.find("notes.txt: file is not a database"), std::string::npos) << error;
    // The connection is still usable for a store that is one.
    EXPECT_EQ(connect(dir_ / "store.db"), "");
    EXPECT_EQ(run("SHOW TABLES"), "no row");
}

TEST_F(StoreFault, ADirectoryIsRefusedByName) {
    fs::create_directories(dir_ / "folder");
    const auto error = connect(dir_ / "folder");
    EXPECT_NE(error.find("08001"), std::string::npos) << error;
    EXPECT_NE(error.find("folder: is a directory, not a store file"), std::string::npos) << error;
}

TEST_F(StoreFault, AStoreLockedByAnotherWriterWaitsThenFailsClearly) {
    const auto store = dir_ / "store.db";
    make_store(store);
    ASSERT_EQ(connect(store), "");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    const auto started = std::chrono::steady_clock::now();
    const auto error = run("INSERT INTO t (n) VALUES (4)");
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_NE(error.find("another connection kept the store locked"), std::string::npos) << error;
    EXPECT_GE(waited, std::chrono::seconds(5)) << "a writer waits for the lock before it gives up";
    EXPECT_EQ(run("SELECT count(*) FROM t"), "3") << "readers are not held up by the writer";

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(run("INSERT INTO t (n) VALUES (4)"), "");
    EXPECT_EQ(run("SELECT count(*) FROM t"), "4");
}

TEST_F(StoreFault, AFullDiskFailsTheWriteAndKeepsTheStore) {
    tmpfs_mount disk(dir_ / "small", 256 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "no small file system for this test: mount failed: " << disk.reason();
    ASSERT_EQ(connect(disk.path() / "store.db"), "");
    ASSERT_EQ(run("CREATE TABLE t (s STRING)"), "");
    const std::string insert = "INSERT INTO t (s) VALUES ('" + std::string(8000, 'v') + "')";
    std::string error;
    int written = 0;
    for (; written < 100 && error.empty(); ++written) error = run(insert);
    ASSERT_FALSE(error.empty()) << "256 KiB cannot hold 100 rows of 8000 bytes";
    EXPECT_NE(error.find("database or disk is full"), std::string::npos) << error;
    // What was committed before stays readable.
    EXPECT_EQ(run("SELECT count(*) FROM t"), std::to_string(written - 1));
}

TEST_F(StoreFault, AStoreOnAReadOnlyFileSystemOpensForReading) {
    tmpfs_mount disk(dir_ / "ro", 1024 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "no file system to make read-only: mount failed: " << disk.reason();
    make_store(disk.path() / "store.db");
    ASSERT_TRUE(disk.remount_read_only());

    ASSERT_EQ(connect(disk.path() / "store.db"), "");
    EXPECT_EQ(run("SELECT sum(n) FROM t"), "6");
    const auto error = run("INSERT INTO t (n) VALUES (4)");
    EXPECT_NE(error.find("the store is open for reading only"), std::string::npos) << error;
    EXPECT_EQ(run("SELECT count(*) FROM t"), "3");
}

TEST_F(StoreFault, AStoreInAReadOnlyFileOpensForReading) {
    const auto store = dir_ / "store.db";
    make_store(store);
    read_only_file protect(store);
    if (!protect.ok()) GTEST_SKIP() << "cannot make the file read-only: " << protect.reason();

    ASSERT_EQ(connect(store), "");
    EXPECT_EQ(run("SELECT sum(n) FROM t"), "6");
    const auto error = run("CREATE TABLE u (n INT64)");
    EXPECT_NE(error.find("the store is open for reading only"), std::string::npos) << error;
    EXPECT_EQ(run("SHOW TABLES"), "t");
}

TEST_F(StoreFault, AMissingStoreInAReadOnlyPlaceIsRefused) {
    tmpfs_mount disk(dir_ / "empty", 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "no file system to make read-only: mount failed: " << disk.reason();
    ASSERT_TRUE(disk.remount_read_only());
    const auto error = connect(disk.path() / "store.db");
    EXPECT_NE(error.find("08001"), std::string::npos) << error;
    EXPECT_NE(error.find("unable to open database file"), std::string::npos) << error;
}

}  // namespace
