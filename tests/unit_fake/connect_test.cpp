// SQLConnect, SQLDriverConnect and SQLDisconnect against the fake client library: the calls the
// driver makes, and every failure the library or the settings can cause.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "fake_vdl_api.hpp"
#include "private_odbc.hpp"
#include "sql_text.hpp"

namespace fs = std::filesystem;
using strings = std::vector<std::string>;

namespace {

using support::sql_text;

class Connecting : public ::testing::Test {
protected:
    Connecting() {
        fake_vdl::reset();
        logger::instance().close_file();
    }
    ~Connecting() override {
        logger::instance().close_file();
        logger::instance().set_level(logger::level::info);
    }

    SQLRETURN driver_connect(const char* in, SQLCHAR* out = nullptr, SQLSMALLINT out_max = 0,
                             SQLSMALLINT* out_length = nullptr) const {
        return SQLDriverConnect(h.dbc, nullptr, sql_text(in), SQL_NTS, out, out_max, out_length, SQL_DRIVER_NOPROMPT);
    }
    SQLRETURN connect(const char* dsn, const char* uid, const char* pwd) const {
        return SQLConnect(h.dbc, sql_text(dsn), SQL_NTS, uid == nullptr ? nullptr : sql_text(uid), SQL_NTS,
                          pwd == nullptr ? nullptr : sql_text(pwd), SQL_NTS);
    }
    [[nodiscard]] support::diag_result diag() const { return support::diag_of(SQL_HANDLE_DBC, h.dbc); }
    // Whether the connection is open, as an application finds out: it allocates a statement, or
    // refuses with 08003 (which then is the connection's diagnostic).
    [[nodiscard]] bool takes_statements() const {
        SQLHSTMT stmt = nullptr;
        if (SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt) != SQL_SUCCESS) return false;
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return true;
    }
    // A text answer of SQLGetInfo.
    [[nodiscard]] std::string info(SQLUSMALLINT type) const {
        char text[128] = "untouched";
        EXPECT_EQ(SQLGetInfo(h.dbc, type, text, sizeof text, nullptr), SQL_SUCCESS) << diag().message;
        return text;
    }
    // Whether a statement left allocated still runs texts on the library: a detached one is
    // refused with 08003 and asks the library nothing.
    [[nodiscard]] static std::string state_after_running(SQLHSTMT stmt) {
        const auto asked = fake_vdl::calls_of("vdl_query").size();
        SQLExecDirect(stmt, sql_text("SELECT 1"), SQL_NTS);
        const auto state = support::diag_of(SQL_HANDLE_STMT, stmt).sqlstate;
        return fake_vdl::calls_of("vdl_query").size() == asked ? state : state + " after asking the library";
    }

    // The log file in the default log directory, flushed.
    [[nodiscard]] std::string log_text() const { return log_text_in(home.path() / "vdl"); }
    [[nodiscard]] static std::string log_text_in(const fs::path& dir) {
        logger::instance().close_file();
        return support::read_file(dir / "vdl_odbc_driver.log");
    }

    support::temp_dir home;
    support::scoped_env xdg{"XDG_DATA_HOME", home.path().string()};
    support::handles h{false};
};

const strings insecure_connect{
    "vdl_open_tcp() = #1",
    "vdl_option_set_client_max_in_buf_size(#1, 134217728)",
    "vdl_option_set_client_max_parallelism(#1, 1)",
    "vdl_connect(#1, file:one.db)",
};

}  // namespace

TEST_F(Connecting, InsecureClusterConnectsAndDisconnects) {
    ASSERT_EQ(driver_connect("URI=file:one.db"), SQL_SUCCESS) << diag().message;
    EXPECT_EQ(fake_vdl::calls(), insecure_connect);
    EXPECT_EQ(info(SQL_USER_NAME), "");

    SQLHSTMT stmt = nullptr;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt), SQL_SUCCESS) << "a connected connection takes statements";

    EXPECT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls().back(), "vdl_close(#1)");
    EXPECT_EQ(fake_vdl::open_handles(), 0u);
    EXPECT_FALSE(takes_statements());
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);

    const auto log = log_text();
    EXPECT_NE(log.find("[Info]  connection info:\n[Info]  \ttime: "), std::string::npos) << log;
    EXPECT_NE(log.find("[Info]  \turi: file:one.db\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[Info]  connecting to insecure cluster\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[Info]  connected to file:one.db\n"), std::string::npos) << log;
}

TEST_F(Connecting, SecureClusterGetsCredentialsThenThePublicKey) {
    ASSERT_EQ(driver_connect("URI=file:one.db;UID=alice;PWD=alicekey;KEY=clusterkey;maxparallelism=4"), SQL_SUCCESS)
        << diag().message;
    EXPECT_EQ(fake_vdl::calls(), (strings{
                                     "vdl_open_tcp() = #1",
                                     "vdl_option_set_user_credentials(#1, alice, alicekey)",
                                     "vdl_option_set_cluster_public_key(#1, clusterkey)",
                                     "vdl_option_set_client_max_in_buf_size(#1, 134217728)",
                                     "vdl_option_set_client_max_parallelism(#1, 4)",
                                     "vdl_connect(#1, file:one.db)",
                                 }));
    EXPECT_EQ(info(SQL_USER_NAME), "alice");
}

namespace {

// A connection text and the names the connection answers with once connected.
struct connected_names {
    const char* name;
    const char* in;
    const char* data_source;  // SQLGetInfo(SQL_DATA_SOURCE_NAME)
    const char* user;         // SQLGetInfo(SQL_USER_NAME)
    const char* server;       // SQLGetDiagField(SQL_DIAG_SERVER_NAME) of the connection
    friend void PrintTo(const connected_names& c, std::ostream* os) { *os << c.name; }
};

class ConnectedNames : public Connecting, public ::testing::WithParamInterface<connected_names> {
protected:
    [[nodiscard]] std::string names() const {
        char server[128] = "untouched";
        EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_DBC, h.dbc, 1, SQL_DIAG_SERVER_NAME, server, sizeof server, nullptr),
                  SQL_SUCCESS);
        return info(SQL_DATA_SOURCE_NAME) + "|" + info(SQL_USER_NAME) + "|" + server;
    }
};

}  // namespace

// The names stay after a disconnect, with the settings they come from.
TEST_P(ConnectedNames, FollowTheConnect) {
    const auto& c = GetParam();
    ASSERT_EQ(driver_connect(c.in), SQL_SUCCESS) << diag().message;
    const std::string expected = std::string(c.data_source) + "|" + c.user + "|" + c.server;
    EXPECT_EQ(names(), expected);
    ASSERT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    EXPECT_EQ(names(), expected) << "after the disconnect";
}

INSTANTIATE_TEST_SUITE_P(
    Connecting, ConnectedNames,
    // Without DSN the data source name is empty, as ODBC has it (the settings keep their default).
    ::testing::Values(
        connected_names{"NoDataSource", "URI=file:one.db", "", "", ""},
        connected_names{"DataSource", "DSN=vandrel_prod;URI=file:one.db", "vandrel_prod", "", "vandrel_prod"},
        connected_names{"LastDataSourceWins", "dsn=first;URI=file:one.db;Dsn=vandrel_prod", "vandrel_prod", "",
                        "vandrel_prod"},
        connected_names{"User", "URI=file:one.db;UID=alice;PWD=alicekey;KEY=clusterkey", "", "alice", ""}),
    [](const auto& test_case) { return std::string(test_case.param.name); });

TEST_F(Connecting, CredentialsAreAllOrNothing) {
    const char* partial[] = {"UID=a",       "PWD=b",       "KEY=c",           "UID=a;PWD=b",
                             "UID=a;KEY=c", "PWD=b;KEY=c", "UID=a;PWD=;KEY=c"};
    for (const std::string credentials : partial) {
        fake_vdl::reset();
        const std::string in = "URI=file:one.db;" + credentials;
        EXPECT_EQ(driver_connect(in.c_str()), SQL_ERROR) << credentials;
        const auto d = diag();
        EXPECT_EQ(d.sqlstate, "28000");
        EXPECT_EQ(d.message,
                  "[28000] Invalid authorization specification: User, Password and ClusterPublicKey must be "
                  "set or unset at the same time.");
        EXPECT_EQ(fake_vdl::calls(), (strings{"vdl_open_tcp() = #1", "vdl_close(#1)"})) << credentials;
        EXPECT_FALSE(takes_statements()) << credentials;
    }
    // A failed connect leaves nothing open; disconnecting still succeeds.
    fake_vdl::reset();
    EXPECT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls(), (strings{"vdl_close(null)"}));
}

TEST_F(Connecting, OpenFailureIs08001) {
    fake_vdl::next().open_fails = true;
    EXPECT_EQ(driver_connect("URI=file:one.db"), SQL_ERROR);
    EXPECT_EQ(diag().message,
              "[08001] Client unable to establish connection: could not open tcp while connecting to file:one.db");
    EXPECT_EQ(fake_vdl::calls(), (strings{"vdl_open_tcp() = null"}));
    EXPECT_FALSE(takes_statements());

    // The result line and the location line reach the log.
    const auto log = log_text();
    EXPECT_NE(log.find("[Error] [error] SQL_ERROR - [08001] Client unable to establish connection: could not open "
                       "tcp while connecting to file:one.db\n"),
              std::string::npos)
        << log;
}

TEST_F(Connecting, ConnectFailureIs08001WithTheLibrarysReason) {
    fake_vdl::next().connect_result = VDL_E_CONNECTION;
    fake_vdl::next().error_text = "no cluster answers at the address";
    EXPECT_EQ(driver_connect("URI=vdl://127.0.0.1:1"), SQL_ERROR);
    EXPECT_EQ(diag().sqlstate, "08001");
    EXPECT_EQ(diag().message,
              "[08001] Client unable to establish connection: could not connect to "
              "vdl://127.0.0.1:1, error: no cluster answers at the address");
    const auto calls = fake_vdl::calls();
    ASSERT_GE(calls.size(), 3u);
    // The reason is read before the handle is closed: the library keeps it only until its next call.
    EXPECT_EQ((strings{calls.end() - 3, calls.end()}),
              (strings{"vdl_connect(#1, vdl://127.0.0.1:1)", "vdl_error(0xB1000004)", "vdl_close(#1)"}));
    EXPECT_FALSE(takes_statements());
    EXPECT_EQ(fake_vdl::open_handles(), 0u);
}

TEST_F(Connecting, OnlyCodesWithFailureBitsFailTheConnect) {
    for (const std::uint32_t code : {0x00000001u, 0xF0FFFFFFu}) {
        fake_vdl::reset();
        fake_vdl::next().connect_result = code;
        EXPECT_EQ(driver_connect("URI=file:one.db"), SQL_SUCCESS) << std::hex << code;
        EXPECT_TRUE(takes_statements()) << std::hex << code;
        EXPECT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    }
    for (const std::uint32_t code : {0x01000000u, 0x08000000u, VDL_E_BAD_URI}) {
        fake_vdl::reset();
        fake_vdl::next().connect_result = code;
        EXPECT_EQ(driver_connect("URI=file:one.db"), SQL_ERROR) << std::hex << code;
        EXPECT_FALSE(takes_statements()) << std::hex << code;
    }
}

TEST_F(Connecting, ClientOptionsTakeTheLow32BitsAndSkipEmptyValues) {
    // The option calls' results are ignored.
    fake_vdl::next().option_result = VDL_E_INVALID_ARGUMENT;
    ASSERT_EQ(driver_connect("URI=file:one.db;maxinbuffersize=4294967297;maxparallelism="), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls(), (strings{
                                     "vdl_open_tcp() = #1",
                                     "vdl_option_set_client_max_in_buf_size(#1, 1)",
                                     "vdl_connect(#1, file:one.db)",
                                 }));
    ASSERT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);

    fake_vdl::reset();
    ASSERT_EQ(driver_connect("URI=file:one.db;maxinbuffersize=;maxparallelism=18446744073709551615"), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls_of("vdl_option"), (strings{"vdl_option_set_client_max_parallelism(#1, 4294967295)"}));
}

TEST_F(Connecting, NonNumericClientOptionsFailAndOpenNothing) {
    for (const auto& [in, detail] :
         {std::pair{"URI=file:one.db;maxparallelism=abc", "maxparallelism cannot be read: 'abc' is not a number"},
          std::pair{"URI=file:one.db;maxinbuffersize=99999999999999999999",
                    "maxinbuffersize cannot be read: '99999999999999999999' is out of range (an unsigned 64-bit "
                    "number)"}}) {
        fake_vdl::reset();
        EXPECT_EQ(driver_connect(in), SQL_ERROR) << in;
        EXPECT_EQ(diag().message, fmt::format("[HY000] General error: the setting {}", detail));
        EXPECT_EQ(fake_vdl::calls(), strings{}) << in;
        EXPECT_FALSE(takes_statements()) << in;
    }
}

TEST_F(Connecting, BadLogSettingsConnectNothing) {
    SQLCHAR out[64] = "untouched";
    SQLSMALLINT out_length = -1;
    const std::string long_value(100'000, '1');
    for (const auto& [in, detail] :
         {std::pair<std::string, std::string>{"URI=file:one.db;log_level=x",
                                              "log_level cannot be read: 'x' is not a number"},
          {"URI=file:one.db;max_log_file_size=big", "max_log_file_size cannot be read: 'big' is not a number"},
          {"URI=file:one.db;keep_log_file_num=99999999999999999999",
           "keep_log_file_num cannot be read: '99999999999999999999' is out of range (a signed 64-bit number)"},
          {"URI=file:one.db;max_log_file_size=" + long_value,
           "max_log_file_size cannot be read: '11111111111111111111111111111111...' (100000 characters) is out of "
           "range (a signed 64-bit number)"}}) {
        EXPECT_EQ(driver_connect(in.c_str(), out, sizeof out, &out_length), SQL_ERROR) << in;
        EXPECT_EQ(diag().message, "[HY000] General error: the setting " + detail);
    }
    EXPECT_EQ(fake_vdl::calls(), strings{});
    EXPECT_STREQ(reinterpret_cast<char*>(out), "untouched");
    EXPECT_EQ(out_length, -1);
    EXPECT_FALSE(takes_statements());
}

TEST_F(Connecting, OutputConnectionStringIsWrittenBeforeTheConnectAndTruncated) {
    fake_vdl::next().connect_result = VDL_E_CONNECTION;
    SQLCHAR out[1024] = {};
    SQLSMALLINT out_length = 0;
    EXPECT_EQ(driver_connect("URI=file:one.db;PWD=s3cret", out, sizeof out, &out_length), SQL_ERROR);
    const std::string expected =
        "description=Vandrel ODBC Driver;driver=vdl_odbc_driver;dsn=vdl_odbc_driver;"
        "keep_log_file_num=0;key=;log_level=2;logdir=" +
        (home.path() / "vdl").string() +
        ";max_log_file_size=0;maxinbuffersize=134217728;maxparallelism=1;pwd=s3cret;uid=;"
        "uri=file:one.db;";
    EXPECT_EQ(reinterpret_cast<char*>(out), expected) << "written though the connect failed, the secret included";
    EXPECT_EQ(out_length, static_cast<SQLSMALLINT>(expected.size()));

    fake_vdl::reset();
    SQLCHAR small[10];
    std::fill(std::begin(small), std::end(small), 'x');
    EXPECT_EQ(driver_connect("URI=file:one.db", small, sizeof small, &out_length), SQL_SUCCESS)
        << "truncation does not change the status";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(small)), "descripti");
    EXPECT_EQ(out_length, static_cast<SQLSMALLINT>(expected.size() - std::string("s3cret").size()))
        << "the full length";
    ASSERT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    // No buffer: only the length.
    EXPECT_EQ(driver_connect("URI=file:one.db", nullptr, 0, &out_length), SQL_SUCCESS);
    EXPECT_GT(out_length, 0);

    const auto log = log_text();
    EXPECT_NE(log.find(fmt::format("[Info]  buffer [10] too small for message [{}], truncating...\n", out_length)),
              std::string::npos)
        << log;
}

TEST_F(Connecting, SecretsStayOutOfTheLog) {
    SQLCHAR out[1024] = {};
    ASSERT_EQ(driver_connect("URI=file:one.db;UID=alice;PWD=s3cret;KEY=pub;log_level=3", out, sizeof out, nullptr),
              SQL_SUCCESS);
    EXPECT_NE(std::string(reinterpret_cast<char*>(out)).find("pwd=s3cret;"), std::string::npos)
        << "the application gets the complete string";
    EXPECT_NE(fake_vdl::calls()[1].find("s3cret"), std::string::npos) << "the library gets the key";
    ASSERT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);

    // A data source holding the private key, read at Debug level where every value read is logged.
    support::private_odbc ini(
        {"--data-source", "secret_ds", "uid=bob", "pwd=dsn-s3cret", "key=pub", "log_level=3", "uri=file:s.db"});
    ASSERT_EQ(driver_connect("DSN=secret_ds"), SQL_SUCCESS) << diag().message;
    EXPECT_EQ(fake_vdl::calls_of("vdl_option_set_user").back(), "vdl_option_set_user_credentials(#2, bob, dsn-s3cret)");
    ASSERT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    // SQLConnect with the private key as its authentication argument.
    ASSERT_EQ(connect("secret_ds", nullptr, "arg-s3cret"), SQL_ERROR) << "no user name: 28000";
    ASSERT_EQ(connect("secret_ds", "bob", "arg-s3cret"), SQL_SUCCESS) << diag().message;

    const auto log = log_text();
    EXPECT_EQ(log.find("s3cret"), std::string::npos) << log;
    EXPECT_NE(log.find("[Info]  connection string: URI=file:one.db;UID=alice;PWD=***;KEY=pub;log_level=3\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("[Info]  \tpwd: ***\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[Debug] [dsn:secret_ds] Read key 'pwd' with value '***'\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[Info]  \tkey: pub\n"), std::string::npos) << "the public key is no secret";
}

TEST_F(Connecting, SQLConnectLayersDataSourceAndArguments) {
    support::private_odbc ini({"--data-source", "layer_open", "uid=bob", "pwd=bobkey", "uri=file:ds7.db",
                               "--data-source", "layer_secure", "uri=file:ds8.db", "key=pub"});

    // Null user name and password clear the data source's credentials.
    ASSERT_EQ(connect("layer_open", nullptr, nullptr), SQL_SUCCESS) << diag().message;
    EXPECT_EQ(fake_vdl::calls_of("vdl_option_set_user"), strings{});
    EXPECT_EQ(fake_vdl::calls_of("vdl_connect"), (strings{"vdl_connect(#1, file:ds7.db)"}));
    EXPECT_EQ(info(SQL_USER_NAME), "");
    EXPECT_EQ(info(SQL_DATA_SOURCE_NAME), "layer_open") << "the data source connected to";
    ASSERT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);

    // A data source with a public key needs the user name and password from the arguments.
    fake_vdl::reset();
    EXPECT_EQ(connect("layer_secure", nullptr, nullptr), SQL_ERROR);
    EXPECT_EQ(diag().sqlstate, "28000");
    ASSERT_EQ(connect("layer_secure", "carol", "carolkey"), SQL_SUCCESS) << diag().message;
    EXPECT_EQ(fake_vdl::calls_of("vdl_option_set_user"),
              (strings{"vdl_option_set_user_credentials(#2, carol, carolkey)"}));
    EXPECT_EQ(info(SQL_USER_NAME), "carol");
    ASSERT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);

    // The connection string's pairs beat the data source's.
    fake_vdl::reset();
    ASSERT_EQ(driver_connect("DSN=layer_open;UID=;PWD=;URI=file:str.db"), SQL_SUCCESS) << diag().message;
    EXPECT_EQ(fake_vdl::calls_of("vdl_connect"), (strings{"vdl_connect(#1, file:str.db)"}));
    EXPECT_EQ(info(SQL_DATA_SOURCE_NAME), "layer_open");
}

TEST_F(Connecting, SQLConnectReopensTheLogWhereTheDataSourceWantsIt) {
    const auto ds_logs = home.path() / "ds_logs";
    const std::string dsn = support::fresh_section("log_ds");
    support::private_odbc ini({"--data-source", dsn, "logdir=" + ds_logs.string(), "log_level=3"});
    fake_vdl::next().connect_result = VDL_OK;
    ASSERT_EQ(connect(dsn.c_str(), nullptr, nullptr), SQL_SUCCESS) << diag().message;

    const auto first = log_text();
    EXPECT_NE(first.find("[Info]  dsn: " + dsn + "\n"), std::string::npos) << first;
    EXPECT_EQ(first.find("connected to"), std::string::npos) << first;
    const auto second = log_text_in(ds_logs);
    EXPECT_NE(second.find("[Info]  connected to vdl://127.0.0.1:2836\n"), std::string::npos) << second;
    EXPECT_EQ(logger::instance().get_level(), logger::level::debug);
}

TEST_F(Connecting, ASecondConnectClosesTheFirstHandle) {
    ASSERT_EQ(driver_connect("URI=file:one.db"), SQL_SUCCESS);
    SQLHSTMT stmt = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt), SQL_SUCCESS);
    ASSERT_EQ(driver_connect("URI=file:two.db"), SQL_SUCCESS);
    const auto calls = fake_vdl::calls();
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[4], "vdl_close(#1)");
    EXPECT_EQ(calls[5], "vdl_open_tcp() = #2");
    EXPECT_EQ(fake_vdl::open_handles(), 1u);
    EXPECT_EQ(state_after_running(stmt), "08003") << "the statement no longer holds the closed handle";
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
}

TEST_F(Connecting, DisconnectDetachesStatementsAndFreeingTheConnectionFreesThem) {
    ASSERT_EQ(driver_connect("URI=file:one.db"), SQL_SUCCESS);
    SQLHSTMT kept = nullptr;
    SQLHSTMT freed = nullptr;
    SQLHSTMT left = nullptr;
    SQLHDESC desc = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &kept), SQL_SUCCESS);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &freed), SQL_SUCCESS);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &left), SQL_SUCCESS);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, h.dbc, &desc), SQL_SUCCESS);
    // A freed statement leaves its connection's list: the disconnect, which detaches every
    // statement on it, does not reach it (the sanitized build reports a freed one reached).
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, freed), SQL_SUCCESS);

    EXPECT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls_of("vdl_close"), (strings{"vdl_close(#1)"})) << "closed exactly once";
    EXPECT_EQ(state_after_running(kept), "08003");
    EXPECT_EQ(state_after_running(left), "08003");
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, kept), SQL_SUCCESS) << "a detached statement can still be freed";
    EXPECT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls_of("vdl_close"), (strings{"vdl_close(#1)", "vdl_close(null)"}));

    // As the Driver Manager does after SQLDisconnect: free the connection with `left` and `desc`
    // still allocated. They are freed with it (the sanitizer build reports them otherwise).
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DBC, h.dbc), SQL_SUCCESS);
    h.dbc = nullptr;
}

TEST_F(Connecting, FreeingAConnectedConnectionClosesItsHandle) {
    ASSERT_EQ(driver_connect("URI=file:one.db"), SQL_SUCCESS);
    SQLHSTMT stmt = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt), SQL_SUCCESS);
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_DBC, h.dbc), SQL_SUCCESS);
    h.dbc = nullptr;
    EXPECT_EQ(fake_vdl::calls().back(), "vdl_close(#1)");
    EXPECT_EQ(fake_vdl::open_handles(), 0u);
}

TEST_F(Connecting, NullOrEmptyConnectionStringUsesTheDefaults) {
    fake_vdl::next().connect_result = VDL_OK;
    ASSERT_EQ(SQLDriverConnect(h.dbc, nullptr, nullptr, 0, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT), SQL_SUCCESS);
    EXPECT_EQ(fake_vdl::calls_of("vdl_connect"), (strings{"vdl_connect(#1, vdl://127.0.0.1:2836)"}));
}
