#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "captured_log.hpp"
#include "connection/data_source.hpp"
#include "connection/installer_library.hpp"
#include "driver_handles.hpp"
#include "private_odbc.hpp"

using logger::level;

namespace {

// A profile reader whose answers the test chooses: the reported length for each key, and the
// text written into the buffer.
struct scripted_profile {
    static inline std::map<std::string, int> lengths;
    static inline std::vector<std::string> asked;

    static int read(const char* section, const char* entry, const char* fallback, char* buffer, int size,
                    const char* file) {
        asked.push_back(std::string(section) + "/" + entry + "/" + fallback + "/" + std::to_string(size) + "/" + file);
        const auto it = lengths.find(entry);
        const int length = it == lengths.end() ? 0 : it->second;
        const int written = std::min(length, size - 1);
        if (written > 0) std::memset(buffer, 'v', static_cast<std::size_t>(written));
        buffer[written > 0 ? written : 0] = '\0';
        return length;
    }
};

}  // namespace

TEST(DataSource, LengthRulesOfTheProfileRead) {
    support::captured_log log(level::debug);
    scripted_profile::lengths = {{"uid", 5}, {"pwd", 6}, {"uri", 8191}, {"key", 8192}, {"logdir", 9000}, {"dsn", -1}};
    scripted_profile::asked.clear();
    connection_settings s{{"uid", "old"},    {"pwd", "old"}, {"uri", "old"},   {"key", "old"},
                          {"logdir", "old"}, {"dsn", "old"}, {"driver", "old"}};
    settings::read_data_source("prod", s, &scripted_profile::read);

    EXPECT_EQ(s.at("uid"), "vvvvv");
    EXPECT_EQ(s.at("pwd"), "vvvvvv");
    EXPECT_EQ(s.at("uri"), std::string(8191, 'v')) << "8191 characters fit";
    EXPECT_EQ(s.at("key"), "old") << "8192 or more: the value may be cut, keep the previous one";
    EXPECT_EQ(s.at("logdir"), "old");
    EXPECT_EQ(s.at("dsn"), "old");
    EXPECT_EQ(s.at("driver"), "old");
    EXPECT_EQ(scripted_profile::asked.size(), s.size()) << "every key of the map is asked for";
    EXPECT_EQ(scripted_profile::asked.front(), "prod/driver//8192/ODBC.INI");

    const auto lines = log.lines();
    const std::vector<std::string> expected{
        "[Info]  [dsn:prod] Could not extract key 'driver''",
        "[Info]  [dsn:prod] Could not extract key 'dsn''",
        "[Error] [dsn:prod] Could not extract entire value for key 'key'",
        "[Error] [dsn:prod] Could not extract entire value for key 'logdir'",
        "[Debug] [dsn:prod] Read key 'pwd' with value '***'",
        "[Debug] [dsn:prod] Read key 'uid' with value 'vvvvv'",
        "[Debug] [dsn:prod] Read key 'uri' with value '" + std::string(8191, 'v') + "'",
    };
    EXPECT_EQ(lines, expected);
}

TEST(DataSource, NothingToReadLeavesTheSettingsAlone) {
    scripted_profile::lengths = {{"uid", 3}};
    scripted_profile::asked.clear();
    connection_settings s{{"uid", "old"}};
    // unixODBC would answer an empty section name from the first section of the file.
    settings::read_data_source("", s, &scripted_profile::read);
    EXPECT_TRUE(scripted_profile::asked.empty());
    // No installer library: every key is missing.
    settings::read_data_source("prod", s, nullptr);
    EXPECT_EQ(s, (connection_settings{{"uid", "old"}}));

    const installer::library missing("libvdl_no_such_installer.so.9");
    EXPECT_FALSE(missing.loaded());
    EXPECT_EQ(missing.find<installer::get_private_profile_string_fn>("SQLGetPrivateProfileString"), nullptr);
}

TEST(DataSource, ReadsASectionOfTheUsersOdbcIni) {
    support::private_odbc ini(
        {"--data-source", "ds_read", "UID=bob", "uri=vdl://h:9", "PWD=", "--data-source", "ds_other", "uid=carol"});
    ASSERT_TRUE(installer::library::instance().loaded());
    connection_settings s{{"uid", "old"}, {"uri", "old"}, {"pwd", "old"}, {"key", "old"}};
    settings::read_data_source("ds_read", s);
    EXPECT_EQ(s, (connection_settings{{"uid", "bob"}, {"uri", "vdl://h:9"}, {"pwd", "old"}, {"key", "old"}}));

    connection_settings missing{{"uid", "old"}};
    settings::read_data_source("ds_no_such_section", missing);
    EXPECT_EQ(missing.at("uid"), "old");
}
