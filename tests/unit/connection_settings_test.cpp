#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "captured_log.hpp"
#include "connection/log_settings.hpp"
#include "connection/output_connection_string.hpp"
#include "connection/secret_masking.hpp"
#include "connection/settings_parser.hpp"
#include "driver_handles.hpp"
#include "private_odbc.hpp"

namespace fs = std::filesystem;
using logger::level;

TEST(ConnectionSettings, DefaultsHoldTheThirteenKeys) {
    support::scoped_env xdg("XDG_DATA_HOME", "/data/home");
    const connection_settings expected{
        {"driver", "vdl_odbc_driver"},
        {"dsn", "vdl_odbc_driver"},
        {"description", "Vandrel ODBC Driver"},
        {"uri", "vdl://127.0.0.1:2836"},
        {"maxinbuffersize", "134217728"},
        {"maxparallelism", "1"},
        {"logdir", "/data/home/vdl"},
        {"uid", ""},
        {"pwd", ""},
        {"key", ""},
        {"keep_log_file_num", "0"},
        {"max_log_file_size", "0"},
        {"log_level", "2"},
    };
    EXPECT_EQ(settings::build_defaults(), expected);
    for (const auto key : settings::accepted_keys) EXPECT_TRUE(expected.contains(key)) << key;
}

TEST(ConnectionSettings, LogDirectoryFallsBackFromXdgToHomeToTmp) {
    {
        support::scoped_env xdg("XDG_DATA_HOME", std::nullopt);
        support::scoped_env home("HOME", "/home/ann");
        EXPECT_EQ(settings::default_log_directory(), "/home/ann/.local/share/vdl");
    }
    {
        // An empty or relative XDG_DATA_HOME does not count.
        support::scoped_env xdg("XDG_DATA_HOME", "");
        support::scoped_env home("HOME", "/home/ann");
        EXPECT_EQ(settings::default_log_directory(), "/home/ann/.local/share/vdl");
        support::scoped_env relative("XDG_DATA_HOME", "data");
        EXPECT_EQ(settings::default_log_directory(), "/home/ann/.local/share/vdl");
    }
    {
        support::scoped_env xdg("XDG_DATA_HOME", std::nullopt);
        support::scoped_env home("HOME", std::nullopt);
        EXPECT_EQ(settings::default_log_directory(), "/tmp/vdl");
    }
}

TEST(SettingsParser, SegmentsKeysAndValues) {
    // A trailing separator adds no segment; the key is lower-cased, the value kept as written.
    EXPECT_EQ(settings::parse_pairs("Uri=vdl://10.0.0.5:2836;", ';'),
              (connection_settings{{"uri", "vdl://10.0.0.5:2836"}}));
    // The key ends at the first '=': the rest, '=' included, is the value.
    EXPECT_EQ(settings::parse_pairs("pwd=a=b", ';'), (connection_settings{{"pwd", "a=b"}}));
    // An '=' as the last character ends the key with an empty value.
    EXPECT_EQ(settings::parse_pairs("UID=", ';'), (connection_settings{{"uid", ""}}));
    // Blanks and case inside values stay.
    EXPECT_EQ(settings::parse_pairs("description= My Cluster ", ';'),
              (connection_settings{{"description", " My Cluster "}}));
    // A later occurrence of a key wins, whatever its case.
    EXPECT_EQ(settings::parse_pairs("uid=a;UID=b;Uid=c", ';'), (connection_settings{{"uid", "c"}}));
    // Empty segments, leading, doubled or trailing, are skipped.
    EXPECT_EQ(settings::parse_pairs(";;uid=a;;;pwd=b;;", ';'), (connection_settings{{"uid", "a"}, {"pwd", "b"}}));
    EXPECT_TRUE(settings::parse_pairs("", ';').empty());
    EXPECT_TRUE(settings::parse_pairs(";", ';').empty());
}

TEST(SettingsParser, SplitsASegmentWithoutEqualsBeforeItsLastCharacter) {
    const auto abc = settings::split_segment("abc");
    EXPECT_EQ(abc.key, "ab");
    EXPECT_EQ(abc.value, "");
    const auto leading = settings::split_segment("=x");
    EXPECT_EQ(leading.key, "");
    EXPECT_EQ(leading.value, "x");
    const auto single = settings::split_segment("x");
    EXPECT_EQ(single.key, "");
    EXPECT_EQ(single.value, "");
}

TEST(SettingsParser, UnsupportedKeysAreLoggedAndIgnored) {
    support::captured_log log(level::error);
    const auto pairs = settings::parse_pairs("Server=x; uid=blank;abc;DSN=prod", ';');
    EXPECT_EQ(pairs, (connection_settings{{"dsn", "prod"}}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "[Error] not support key 'server' with value: 'x'",
                               "[Error] not support key ' uid' with value: 'blank'",
                               "[Error] not support key 'ab' with value: ''",
                           }));
}

TEST(SettingsParser, ZeroSeparatedListsAndNoReadingPastTheInput) {
    // The installer's attribute lists: entries ended by zero bytes, the list by an empty entry.
    constexpr char list[] = "DSN=prod\0URI=vdl://h:1\0\0";
    EXPECT_EQ(settings::parse_pairs(std::string_view(list, sizeof list - 1), '\0'),
              (connection_settings{{"dsn", "prod"}, {"uri", "vdl://h:1"}}));

    // The input ends where its length says, not at a terminator: the parser sees "uid=a;pw"
    // only (a heap copy without terminator lets the sanitizer catch any read past it).
    const std::string backing = "uid=a;pwd=secret";
    const std::vector<char> exact(backing.begin(), backing.begin() + 8);
    const auto pairs = settings::parse_pairs(std::string_view(exact.data(), exact.size()), ';');
    EXPECT_EQ(pairs, (connection_settings{{"uid", "a"}}));
    const std::vector<char> ends_in_separator{'u', 'i', 'd', '=', 'a', ';'};
    EXPECT_EQ(settings::parse_pairs(std::string_view(ends_in_separator.data(), ends_in_separator.size()), ';'),
              (connection_settings{{"uid", "a"}}));
}

TEST(SettingsParser, ConnectionStringLayersDefaultsDataSourceAndItsOwnPairs) {
    support::temp_dir home;
    support::scoped_env xdg("XDG_DATA_HOME", home.path().string());
    support::private_odbc ini(
        {"--data-source", "parser_prod", "Driver=vdl", "UID=bob", "PWD=bobkey", "URI=vdl://10.0.0.5:2836"});

    const auto s = settings::parse_connection_string("DSN=parser_prod;UID=alice", ';');
    EXPECT_EQ(s.at("uid"), "alice") << "the string's pairs beat the data source's";
    EXPECT_EQ(s.at("pwd"), "bobkey");
    EXPECT_EQ(s.at("uri"), "vdl://10.0.0.5:2836");
    EXPECT_EQ(s.at("driver"), "vdl");
    EXPECT_EQ(s.at("dsn"), "parser_prod");
    EXPECT_EQ(s.at("maxparallelism"), "1") << "keys the data source lacks keep their defaults";
    EXPECT_EQ(s.size(), settings::accepted_keys.size());

    // Without dsn nothing is read: the defaults, then the pairs.
    const auto plain = settings::parse_connection_string("UID=alice", ';');
    EXPECT_EQ(plain.at("uri"), "vdl://127.0.0.1:2836");
    EXPECT_EQ(plain.at("pwd"), "");
}

TEST(LogSettings, ConfigureTheLoggerOrThrow) {
    support::temp_dir dir;
    auto& lg = logger::instance();
    lg.close_file();
    auto s = settings::build_defaults();
    s["logdir"] = (dir.path() / "nested" / "logs").string();
    s["log_level"] = "7";
    EXPECT_FALSE(settings::apply_log_settings(s));
    EXPECT_TRUE(fs::exists(dir.path() / "nested" / "logs" / "vdl_odbc_driver.log"));
    EXPECT_EQ(lg.get_level(), level::info) << "an unknown level number means Info";

    s["log_level"] = "3";
    EXPECT_FALSE(settings::apply_log_settings(s));
    EXPECT_EQ(lg.get_level(), level::debug);
    s["log_level"] = "0x";  // digits first: the number counts
    EXPECT_FALSE(settings::apply_log_settings(s));
    EXPECT_EQ(lg.get_level(), level::none);

    // A value that cannot be read names its key and what is wrong with it, and changes nothing.
    const struct {
        const char* key;
        std::string value;
        std::string detail;
    } unreadable[] = {
        {"log_level", "x", "the setting log_level cannot be read: 'x' is not a number"},
        {"max_log_file_size", "99999999999999999999",
         "the setting max_log_file_size cannot be read: '99999999999999999999' is out of range (a signed 64-bit "
         "number)"},
        {"max_log_file_size", std::string(100'000, '9'),
         "the setting max_log_file_size cannot be read: '99999999999999999999999999999999...' (100000 characters) "
         "is out of range (a signed 64-bit number)"},
        {"keep_log_file_num", "", "the setting keep_log_file_num cannot be read: '' is not a number"},
    };
    for (const auto& [key, value, detail] : unreadable) {
        auto bad = s;
        bad[key] = value;
        const auto refusal = settings::apply_log_settings(bad);
        ASSERT_TRUE(refusal) << key;
        EXPECT_EQ(refusal->sqlstate, "HY000");
        EXPECT_EQ(refusal->message, "[HY000] General error: " + detail);
        EXPECT_EQ(lg.get_level(), level::none) << "the logger is left as it was";
    }

    lg.close_file();
    lg.set_level(level::info);
}

TEST(SecretMasking, MasksThePrivateKeyOnly) {
    EXPECT_EQ(settings::masked_connection_string("DSN=a;PWD=s3cret;UID=b", ';'), "DSN=a;PWD=***;UID=b");
    EXPECT_EQ(settings::masked_connection_string("uid=b; pwd=s3cret;", ';'), "uid=b; pwd=***;");
    EXPECT_EQ(settings::masked_connection_string("pWd=a=b;;key=public", ';'), "pWd=***;;key=public");
    EXPECT_EQ(settings::masked_connection_string(";pwd=;uid=x", ';'), ";pwd=;uid=x") << "an empty value stays visible";
    EXPECT_EQ(settings::masked_connection_string("pwdx=s3cret", ';'), "pwdx=s3cret");
    EXPECT_EQ(settings::masked_connection_string("", ';'), "");

    EXPECT_EQ(settings::masked_value("pwd", "s3cret"), "***");
    EXPECT_EQ(settings::masked_value("pwd", ""), "");
    EXPECT_EQ(settings::masked_value("uid", "alice"), "alice");
    EXPECT_EQ(settings::masked_value("key", "public"), "public");
}

TEST(SecretMasking, UnsupportedSpellingsOfThePrivateKeyAreMaskedInTheLog) {
    support::captured_log log(level::error);
    (void)settings::parse_pairs("uid=a; PWD=s3cret", ';');
    EXPECT_EQ(log.text(), "[Error] not support key ' pwd' with value: '***'\n");
}

TEST(SecretMasking, EveryPieceOfABracedPrivateKeyIsMasked) {
    // Braces are not read: a separator inside them splits the key into segments of their own.
    EXPECT_EQ(settings::masked_connection_string("UID=a;PWD={s3c;r=e;t};KEY=k", ';'), "UID=a;PWD=***;***;***;KEY=k");
    EXPECT_EQ(settings::masked_connection_string("PWD={s3c;;ret}", ';'), "PWD=***;;***");
    EXPECT_EQ(settings::masked_connection_string("PWD={s3cret};UID=a", ';'), "PWD=***;UID=a");
    EXPECT_EQ(settings::masked_connection_string("UID={a;b};PWD=x", ';'), "UID={a;b};PWD=***") << "only secrets";

    support::captured_log log(level::error);
    const auto pairs = settings::parse_pairs("PWD={s3c;ret=x;y};Server=z", ';');
    EXPECT_EQ(pairs, (connection_settings{{"pwd", "{s3c"}}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "[Error] not support key '***' with value: '***'",
                               "[Error] not support key '***' with value: '***'",
                               "[Error] not support key 'server' with value: 'z'",
                           }));
}

TEST(OutputConnectionString, EveryKeyInMapOrder) {
    const connection_settings s{{"uid", "a"}, {"pwd", "s3cret"}, {"dsn", ""}};
    EXPECT_EQ(settings::output_connection_string(s), "dsn=;pwd=s3cret;uid=a;");
    EXPECT_EQ(settings::output_connection_string({}), "");
}
