#include <gtest/gtest.h>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "result_text.hpp"
#include "sentinel_buffer.hpp"
#include "sql_text.hpp"
#include "store_statement.hpp"

namespace {

// Whether the exports of each kind take the handle: "env dbc stmt" for the kinds that do.
std::string kinds_taking(SQLHANDLE h) {
    SQLINTEGER version = 0;
    SQLUINTEGER timeout = 0;
    SQLULEN rows = 0;
    std::string kinds;
    if (SQLGetEnvAttr(h, SQL_ATTR_ODBC_VERSION, &version, 0, nullptr) != SQL_INVALID_HANDLE) kinds += " env";
    if (SQLGetConnectAttr(h, SQL_ATTR_LOGIN_TIMEOUT, &timeout, 0, nullptr) != SQL_INVALID_HANDLE) kinds += " dbc";
    if (SQLGetStmtAttr(h, SQL_ATTR_MAX_ROWS, &rows, 0, nullptr) != SQL_INVALID_HANDLE) kinds += " stmt";
    return kinds.empty() ? kinds : kinds.substr(1);
}

// The state of the first diagnostic record of a statement after running a text.
std::string state_after_running(SQLHSTMT stmt) {
    SQLExecDirect(stmt, support::sql_text("select 1"), SQL_NTS);
    return support::diag_of(SQL_HANDLE_STMT, stmt).sqlstate;
}

}  // namespace

TEST(AllocHandle, EnvironmentConnectionStatementDescriptor) {
    support::handles h(false);
    ASSERT_NE(h.env, nullptr);
    ASSERT_NE(h.dbc, nullptr);
    EXPECT_EQ(kinds_taking(h.env), "env");
    EXPECT_EQ(kinds_taking(h.dbc), "dbc");
    SQLINTEGER version = 0;
    ASSERT_EQ(SQLGetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, &version, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(version, SQL_OV_ODBC3_80);

    h.mark_connected();
    SQLHSTMT stmt = nullptr;
    SQLHDESC desc = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, h.dbc, &desc), SQL_SUCCESS);
    EXPECT_EQ(kinds_taking(stmt), "stmt");
    EXPECT_EQ(kinds_taking(desc), "") << "a descriptor";
    EXPECT_EQ(support::row_number(stmt), 0u) << "no current row";
    // The statement runs its texts on the connection's library handle, which was opened and never
    // connected: the library refuses the text.
    EXPECT_NE(state_after_running(stmt), "08003");

    // Disconnecting detaches the statement from the closed cluster handle; the statement
    // handle itself stays valid.
    EXPECT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    EXPECT_EQ(state_after_running(stmt), "08003");
    SQLHSTMT refused = nullptr;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &refused), SQL_ERROR) << "the connection is closed";
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).sqlstate, "08003");

    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
    // The type argument does not decide how a handle is destroyed: its own kind does.
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, desc), SQL_SUCCESS);
}

// A statement knows its connection, and through it its environment, whose ODBC version decides
// what SQLCancel does to an idle statement.
TEST(AllocHandle, AStatementReachesItsEnvironmentThroughItsConnection) {
    support::store_statement s;
    s.direct("CREATE TABLE t (v INT64)");
    s.direct("INSERT INTO t (v, $timestamp) VALUES (1, 1)");
    ASSERT_EQ(s.exec("select v from t"), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLCancel(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(support::row_number(s.stmt()), 1u) << "an ODBC 3 application's cursor stays";
    ASSERT_EQ(SQLSetEnvAttr(s.env(), SQL_ATTR_ODBC_VERSION, support::bits(SQL_OV_ODBC2), 0), SQL_SUCCESS);
    EXPECT_EQ(SQLCancel(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(support::row_number(s.stmt()), 0u) << "an ODBC 2 application's cursor is closed";
}

TEST(AllocHandle, FailureRows) {
    support::captured_log log(logger::level::debug);
    support::handles h(false);
    SQLHANDLE out = reinterpret_cast<SQLHANDLE>(0x1234);

    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, nullptr, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(out, reinterpret_cast<SQLHANDLE>(0x1234));
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, h.dbc, &out), SQL_INVALID_HANDLE);  // parent must be an environment
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.env, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, nullptr, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_SENV, nullptr, &out), SQL_SUCCESS);
    EXPECT_EQ(SQLAllocHandle(7, h.env, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(out, reinterpret_cast<SQLHANDLE>(0x1234));
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, nullptr), SQL_SUCCESS);

    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] allocating: 7 - unknown\n"), std::string::npos);
    EXPECT_NE(text.find("[Debug] allocating: 5 - SQL_HANDLE_SENV\n"), std::string::npos);
    EXPECT_NE(text.find("[Debug] freed: 3 - SQL_HANDLE_STMT - at 0x0\n"), std::string::npos);
}

TEST(AllocHandle, StatementOrDescriptorNeedAConnectedConnection) {
    support::captured_log log(logger::level::info);
    support::handles h(false);
    SQLHANDLE out = nullptr;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &out), SQL_ERROR);
    EXPECT_EQ(out, nullptr);
    auto d = support::diag_of(SQL_HANDLE_DBC, h.dbc);
    EXPECT_EQ(d.sqlstate, "08003");
    EXPECT_EQ(d.message, "[08003] Connection not open: statement needs a working connection.");

    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, h.dbc, &out), SQL_ERROR);
    d = support::diag_of(SQL_HANDLE_DBC, h.dbc);
    EXPECT_EQ(d.message, "[08003] Connection not open: descriptor needs a working connection.");

    const auto text = log.text();
    EXPECT_NE(text.find("[Error] [error] SQL_ERROR - [08003] Connection not open: statement needs a working "
                        "connection.\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("SQLAllocHandle"), std::string::npos) << "the location line names the export";
}

TEST(FreeHandle, TheLogClosesWithTheLastEnvironment) {
    support::captured_log log(logger::level::debug);
    SQLHENV first = nullptr;
    SQLHENV second = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &first), SQL_SUCCESS);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &second), SQL_SUCCESS);
    // Freeing a handle of another kind under the environment's type counts nothing off.
    SQLHDBC dbc = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, second, &dbc), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeHandle(SQL_HANDLE_ENV, dbc), SQL_SUCCESS);

    ASSERT_EQ(SQLFreeHandle(SQL_HANDLE_ENV, first), SQL_SUCCESS);
    EXPECT_TRUE(logger::instance().is_open()) << "the second environment is still in use";
    log_line(logger::level::error, "still written");
    ASSERT_EQ(SQLFreeHandle(SQL_HANDLE_ENV, second), SQL_SUCCESS);
    EXPECT_FALSE(logger::instance().is_open());
    log_line(logger::level::error, "dropped");
    const auto text = log.text();
    EXPECT_NE(text.find("[Error] still written\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("dropped"), std::string::npos);
    EXPECT_NE(text.find("[Debug] freed: 1 - SQL_HANDLE_ENV - at 0x"), std::string::npos);
}

namespace {

// Sends the logger to a directory that is gone by the time the file reaches `max_size` bytes,
// so that the first rotation, due before the line written after those bytes, fails to rename
// the file. Inside a guarded call that failure fails the call.
class rotation_failing_after {
public:
    explicit rotation_failing_after(std::size_t max_size) {
        auto& lg = logger::instance();
        lg.close_file();
        lg.set_level(logger::level::debug);
        configured_ = lg.configure(dir_.path() / "logs", 0, static_cast<std::int64_t>(max_size));
        std::filesystem::remove_all(dir_.path() / "logs");
    }
    ~rotation_failing_after() {
        auto& lg = logger::instance();
        lg.close_file();
        lg.set_level(logger::level::info);
    }
    rotation_failing_after(const rotation_failing_after&) = delete;
    rotation_failing_after& operator=(const rotation_failing_after&) = delete;
    [[nodiscard]] bool configured() const { return configured_; }

private:
    support::temp_dir dir_;
    bool configured_ = false;
};

}  // namespace

// A failed call must leave handles as its return code says: an allocation that fails hands out
// nothing and keeps nothing, a release that fails leaves the handle alive.
TEST(AllocHandle, FailingLogLineLeavesHandlesAsTheReturnCodeSays) {
    {
        // The call line and the "allocating" line fit; the next line fails the call.
        const std::string before = "[Debug] SQLAllocHandle\n[Debug] allocating: 1 - SQL_HANDLE_ENV\n";
        rotation_failing_after failing(before.size());
        ASSERT_TRUE(failing.configured());
        SQLHANDLE out = reinterpret_cast<SQLHANDLE>(0x1234);
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &out), SQL_ERROR);
        EXPECT_EQ(out, reinterpret_cast<SQLHANDLE>(0x1234)) << "a failed allocation hands out no handle";
    }
    support::handles h;
    ASSERT_NE(h.stmt, nullptr);
    {
        const std::string before = "[Debug] SQLAllocHandle\n[Debug] allocating: 3 - SQL_HANDLE_STMT\n";
        rotation_failing_after failing(before.size());
        ASSERT_TRUE(failing.configured());
        SQLHANDLE out = nullptr;
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &out), SQL_ERROR);
        EXPECT_EQ(out, nullptr);
        // Nothing outside the connection tells the statements it owns apart from those handed out.
        EXPECT_EQ(h.connection().children.size(), 1u) << "the connection keeps no statement nobody holds";
    }
    {
        rotation_failing_after failing(std::string("[Debug] SQLFreeHandle\n").size());
        ASSERT_TRUE(failing.configured());
        EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, h.stmt), SQL_ERROR);
    }
    // A statement whose release failed is still allocated and answers (the sanitized build reports
    // a statement freed all the same), and with a working log the same release succeeds.
    EXPECT_EQ(support::row_number(h.stmt), 0u);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, h.stmt), SQL_SUCCESS);
    h.stmt = nullptr;
    // The connection no longer holds the freed statement: the disconnect detaches only those left.
    EXPECT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
}
