#include "uri.hpp"

#include <gtest/gtest.h>

namespace vdl {
namespace {

std::string path_of(std::string_view uri) {
    auto parsed = parse_uri(uri);
    EXPECT_TRUE(parsed) << uri << ": " << (parsed ? "" : parsed.error().detail);
    return parsed && std::holds_alternative<store_location>(*parsed) ? std::get<store_location>(*parsed).path : "";
}

TEST(uri, file_forms_give_the_store_path) {
    EXPECT_EQ(path_of("file:///var/lib/vdl/store.db"), "/var/lib/vdl/store.db");
    EXPECT_EQ(path_of("file://localhost/var/x.db"), "/var/x.db");
    EXPECT_EQ(path_of("FILE:/abs.db"), "/abs.db");
    EXPECT_EQ(path_of("file:relative/x.db"), "relative/x.db");
    EXPECT_EQ(path_of("file:a%20b%3F.db"), "a b?.db");
    EXPECT_EQ(path_of("file::memory:"), "./:memory:") << "always a file, never the engine's memory store";
}

TEST(uri, cluster_addresses) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"vdl://127.0.0.1:2836", "127.0.0.1", 2836},
        {"vdl://db.example:9000/", "db.example", 9000},
        {"VDL://host", "host", 2836},
        {"vdl://[::1]:7", "::1", 7},
    };
    for (const auto& [uri, host, port] : cases) {
        auto parsed = parse_uri(uri);
        ASSERT_TRUE(parsed) << uri;
        const auto& address = std::get<cluster_address>(*parsed);
        EXPECT_EQ(address.host, host);
        EXPECT_EQ(address.port, port);
    }
}

TEST(uri, malformed_forms_fail) {
    for (const char* uri : {"", ":x", "1file:/x", "file:", "file://", "file:/dir/", "file:x%00y", "file:x%4",
                            "file://host/x", "vdl://host:0", "vdl://host:65536", "vdl://host:", "vdl://host/path",
                            "vdl://ho st", "vdl://[::1", "vdl://[::1]x", "mysql://x"})
        EXPECT_FALSE(parse_uri(uri)) << uri;
}

}  // namespace
}  // namespace vdl
