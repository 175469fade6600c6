// ConfigDSN and ConfigDriver: the attribute list, the profile writer and the requests, first
// against a recording stand-in for the installer library, then through unixODBC's own.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "captured_log.hpp"
#include "connection/installer_library.hpp"
#include "driver_handles.hpp"
#include "private_odbc.hpp"
#include "setup/attribute_list.hpp"
#include "setup/profile_writer.hpp"
#include "setup/setup_entry.hpp"

using namespace std::literals;

namespace {

// Records every installer call as text; the write numbered `failing_write` (from 0) fails.
struct recording_installer {
    static inline std::vector<std::string> calls;
    static inline int writes = 0;
    static inline int failing_write = -1;
    static inline BOOL register_result = 1;
    static inline BOOL remove_result = 1;

    static BOOL write(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
        calls.push_back(std::string(file) + " [" + section + "] " + key + "=" + value);
        return writes++ != failing_write;
    }
    static BOOL register_dsn(LPCSTR dsn, LPCSTR driver) {
        calls.push_back("register "s + dsn + " " + driver);
        return register_result;
    }
    static BOOL remove_dsn(LPCSTR dsn) {
        calls.push_back("remove "s + dsn);
        return remove_result;
    }
    static RETCODE post(DWORD code, LPCSTR message) {
        calls.push_back("post " + std::to_string(code) + (message != nullptr && *message != '\0' ? " with text" : ""));
        return SQL_SUCCESS;
    }
    static installer::functions functions() { return {nullptr, &write, &register_dsn, &remove_dsn, &post}; }
};

// The five driver keys and the thirteen settings, as the recorder writes them into `section`.
std::vector<std::string> profile_writes(const std::string& section, const connection_settings& s) {
    std::vector<std::string> w;
    const std::string prefix = "ODBC.INI [" + section + "] ";
    for (const auto& [key, value] : setup_ops::driver_profile_keys) w.push_back(prefix + key + "=" + value);
    for (const auto& [key, value] : s) w.push_back(prefix + key + "=" + value);
    return w;
}

// A private odbc.ini and log directory, the log captured at Debug, the recorder reset.
class Setup : public ::testing::Test {
protected:
    Setup() {
        recording_installer::calls.clear();
        recording_installer::writes = 0;
        recording_installer::failing_write = -1;
        recording_installer::register_result = 1;
        recording_installer::remove_result = 1;
    }
    support::private_odbc ini_{std::vector<std::string>{}};
    support::scoped_env data_home_{"XDG_DATA_HOME", ini_.dir().string()};
    support::captured_log log_{logger::level::debug};
    installer::functions fake_ = recording_installer::functions();
    std::vector<std::string>& calls_ = recording_installer::calls;
};

// The settings a list makes, as the setup calls make them.
connection_settings defaults_with(std::initializer_list<std::pair<const std::string, std::string>> changes) {
    connection_settings s = settings::build_defaults();
    for (const auto& [key, value] : changes) s.insert_or_assign(key, value);
    return s;
}

}  // namespace

TEST_F(Setup, AttributeListEndsWithinTheFirst8191Bytes) {
    EXPECT_EQ(setup_ops::attribute_list_text(""), "");
    EXPECT_EQ(setup_ops::attribute_list_text("DSN=a\0URI=b\0\0"), "DSN=a\0URI=b"sv);

    std::vector<char> list(setup_ops::attribute_list_limit + 2, 'a');
    list[8190] = list[8191] = '\0';
    EXPECT_EQ(setup_ops::attribute_list_text(list.data())->size(), 8190u) << "the pair starts at byte 8190";
    list[8190] = 'a';
    list[8192] = '\0';
    EXPECT_FALSE(setup_ops::attribute_list_text(list.data())) << "the pair starts at byte 8191";

    EXPECT_EQ(ConfigDSN(nullptr, ODBC_ADD_DSN, "vdl", list.data()), 0);
    EXPECT_EQ(setup_ops::config_dsn(ODBC_ADD_DSN, "vdl", list.data(), fake_), 0);
    EXPECT_TRUE(calls_.empty()) << "a rejected list writes nothing";
    const auto lines = log_.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[Debug] ConfigDSN");
    EXPECT_EQ(lines[1], "[Error] could not properly read attributes, string exceeded 8192 characters.");
    EXPECT_NE(lines[2].find("ConfigDSN"), std::string::npos) << "the location line of the FALSE: " << lines[2];
}

TEST_F(Setup, ProfileWriterWritesDriverKeysThenEverySetting) {
    const connection_settings s{{"dsn", "prod"}, {"pwd", "secret"}, {"uri", "file:/x"}};
    EXPECT_EQ(setup_ops::write_profile("vdl", s, &recording_installer::write), 0u);
    EXPECT_EQ(calls_, profile_writes("prod", s));

    for (const int failing : {1, 6}) {  // a driver key, then a setting
        calls_.clear();
        recording_installer::writes = 0;
        recording_installer::failing_write = failing;
        EXPECT_EQ(setup_ops::write_profile("vdl", s, &recording_installer::write), DWORD{ODBC_ERROR_REQUEST_FAILED});
        EXPECT_EQ(calls_.size(), static_cast<std::size_t>(failing + 1)) << "the first failed write stops the writer";
    }
    calls_.clear();
    EXPECT_EQ(setup_ops::write_profile("", s, &recording_installer::write), DWORD{ODBC_ERROR_INVALID_NAME});
    EXPECT_EQ(setup_ops::write_profile(nullptr, s, &recording_installer::write), DWORD{ODBC_ERROR_INVALID_NAME});
    EXPECT_TRUE(calls_.empty());
    EXPECT_EQ(setup_ops::write_profile("vdl", s, nullptr), DWORD{ODBC_ERROR_REQUEST_FAILED});
}

TEST_F(Setup, ConfigDsnRequests) {
    const char* list = "DSN=ds_add\0URI=file:/tmp/x.db\0PWD=secret\0Server=y\0LOG_LEVEL=3\0\0";
    EXPECT_EQ(setup_ops::config_dsn(ODBC_ADD_DSN, "vdl", list, fake_), 1);
    auto expected = profile_writes("ds_add", defaults_with({{"dsn", "ds_add"},
                                                            {"uri", "file:/tmp/x.db"},
                                                            {"pwd", "secret"},
                                                            {"driver", "vdl"},
                                                            {"log_level", "3"},
                                                            {"logdir", (ini_.dir() / "vdl").string()}}));
    expected.insert(expected.begin(), "register ds_add vdl");
    EXPECT_EQ(calls_, expected);

    // A failed registration is logged and the profile still written; the call fails. Without a
    // driver name the data source is registered for the default driver and nothing is written.
    calls_.clear();
    recording_installer::register_result = 0;
    EXPECT_EQ(setup_ops::config_dsn(ODBC_CONFIG_DSN, "vdl", "DSN=ds_add\0\0", fake_), 0);
    EXPECT_EQ(calls_.size(), 1u + 18u);
    calls_.clear();
    recording_installer::register_result = 1;
    EXPECT_EQ(setup_ops::config_dsn(ODBC_ADD_DSN, nullptr, nullptr, fake_), 0);
    EXPECT_EQ(calls_, std::vector<std::string>{"register vdl_odbc_driver vdl_odbc_driver"});

    // Removing: the data source named, else the default one.
    calls_.clear();
    EXPECT_EQ(setup_ops::config_dsn(ODBC_REMOVE_DSN, "vdl", "DSN=old_ds\0\0", fake_), 1);
    recording_installer::remove_result = 0;
    EXPECT_EQ(setup_ops::config_dsn(ODBC_REMOVE_DSN, nullptr, "URI=x\0\0", fake_), 0);
    EXPECT_EQ(calls_, (std::vector<std::string>{"remove old_ds", "remove vdl_odbc_driver"}));

    const auto text = log_.text();
    EXPECT_NE(text.find("[Debug] ConfigDSN\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Error] not support key 'server' with value: 'y'\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Error] could not write DSN to INI.\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Error] could not write DSN info to INI.\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Error] could not remove DSN from INI.\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("secret"), std::string::npos) << "the private key stays out of the log";
}

TEST_F(Setup, ConfigDriverRequests) {
    char message[16] = "not cleared";
    WORD message_length = 99;
    // A list that starts with its empty entry gives the defaults.
    EXPECT_EQ(setup_ops::config_driver(ODBC_INSTALL_DRIVER, "vdl", "", message, sizeof message, &message_length, fake_),
              1);
    EXPECT_STREQ(message, "");
    EXPECT_EQ(message_length, 0);
    EXPECT_EQ(calls_, profile_writes("vdl_odbc_driver", defaults_with({{"logdir", (ini_.dir() / "vdl").string()}})));

    // A failed write or an empty name is posted as a failed request; the install still succeeds.
    calls_.clear();
    recording_installer::writes = 0;
    recording_installer::failing_write = 0;
    EXPECT_EQ(setup_ops::config_driver(ODBC_INSTALL_DRIVER, "vdl", nullptr, nullptr, 0, nullptr, fake_), 1);
    EXPECT_EQ(setup_ops::config_driver(ODBC_INSTALL_DRIVER, nullptr, nullptr, nullptr, 0, nullptr, fake_), 1);
    EXPECT_EQ(calls_, (std::vector<std::string>{"ODBC.INI [vdl_odbc_driver] APILevel=1", "post 11 with text",
                                                "post 11 with text"}));

    calls_.clear();
    EXPECT_EQ(setup_ops::config_driver(ODBC_REMOVE_DRIVER, "vdl", nullptr, nullptr, 0, nullptr, fake_), 1);
    EXPECT_TRUE(calls_.empty()) << "removing a driver removes nothing";
    EXPECT_EQ(setup_ops::config_driver(ODBC_CONFIG_DRIVER, "vdl", nullptr, nullptr, 0, nullptr, fake_), 0);
    EXPECT_EQ(calls_, std::vector<std::string>{"post 5 with text"});

    const auto text = log_.text();
    EXPECT_NE(text.find("[Info]  Installing driver vdl\n[Info]  Installing driver \n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Info]  Removing driver vdl\n"), std::string::npos) << text;
}

// Through unixODBC's installer library, on the private odbc.ini.
TEST(SetupInstaller, RemovingWithoutADsnRemovesTheDefaultDataSource) {
    support::private_odbc ini(
        {"--data-source", "vdl_odbc_driver", "Driver=vdl", "--data-source", "kept", "Driver=vdl"});
    support::scoped_env data_home("XDG_DATA_HOME", ini.dir().string());
    ASSERT_EQ(ConfigDSN(nullptr, ODBC_REMOVE_DSN, "vdl", nullptr), 1);
    const std::string text = support::read_file(ini.dir() / "odbc.ini");
    EXPECT_EQ(text.find("[vdl_odbc_driver]"), std::string::npos) << text;
    EXPECT_NE(text.find("[kept]"), std::string::npos) << text;
    logger::instance().close_file();
}

TEST_F(Setup, ConfigDriverPostsInstallerErrorsThroughTheInstallerLibrary) {
    auto* installer_error = installer::library::instance().find<decltype(::SQLInstallerError)>("SQLInstallerError");
    ASSERT_NE(installer_error, nullptr);
    EXPECT_EQ(ConfigDriver(nullptr, ODBC_CONFIG_DRIVER, "vdl", "LOG_LEVEL=3\0\0", nullptr, 0, nullptr), 0);
    DWORD code = 0;
    char message[256] = {};
    WORD length = 0;
    ASSERT_EQ(installer_error(1, &code, message, sizeof message - 1, &length), SQL_SUCCESS);
    EXPECT_EQ(code, DWORD{ODBC_ERROR_INVALID_REQUEST_TYPE});
    EXPECT_GT(length, 0);

    // A log setting that is not a number fails the call, logged with its key.
    EXPECT_EQ(ConfigDriver(nullptr, ODBC_INSTALL_DRIVER, "vdl", "LOG_LEVEL=x\0\0", nullptr, 0, nullptr), 0);
    const auto text = log_.text();
    EXPECT_NE(text.find("[Error] [HY000] General error: the setting log_level cannot be read: 'x' is not a number"),
              std::string::npos)
        << text;
}
