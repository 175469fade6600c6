// Error codes and the texts vdl_error gives for them.
#include "vdl_api_interrupt.h"
#include "vdl_store_test.hpp"

#include <atomic>
#include <chrono>

#include <fstream>
#include <set>
#include <string>
#include <thread>

namespace support {
namespace {

using errors_test = store_test;

bool contains(const char* text, std::string_view part) {
    return std::string_view(text).find(part) != std::string_view::npos;
}

TEST(error_codes, every_failure_code_passes_the_failure_mask_and_has_its_own_text) {
    const std::uint32_t codes[] = {VDL_E_INVALID_ARGUMENT,
                                   VDL_E_OUT_OF_MEMORY,
                                   VDL_E_BAD_URI,
                                   VDL_E_CONNECTION,
                                   VDL_E_STORE_OPEN,
                                   VDL_E_NOT_CONNECTED,
                                   VDL_E_SYNTAX,
                                   VDL_E_NO_TABLE,
                                   VDL_E_NO_COLUMN,
                                   VDL_E_TYPE,
                                   VDL_E_TABLE_EXISTS,
                                   VDL_E_CONSTRAINT,
                                   VDL_E_BUSY,
                                   VDL_E_QUERY,
                                   VDL_E_RESULT_TOO_LARGE,
                                   VDL_E_ACCESS_DENIED,
                                   VDL_E_ALREADY_CONNECTED,
                                   VDL_E_STORAGE,
                                   VDL_E_INTERNAL,
                                   VDL_E_INTERRUPTED};
    std::set<std::string> texts{vdl_error(VDL_OK)};
    EXPECT_STREQ(vdl_error(VDL_OK), "success");
    EXPECT_EQ(VDL_E_NO_TABLE, 0xB1000008u);
    for (const auto code : codes) {
        EXPECT_NE(code & VDL_FAILURE_MASK, 0u) << std::hex << code;
        EXPECT_TRUE(texts.insert(vdl_error(code)).second) << "repeated text for " << std::hex << code;
    }
    EXPECT_STREQ(vdl_error(0x12345678u), "unknown error code 0x12345678");
}

TEST(connecting, malformed_uris_are_refused_with_a_reason) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "empty"},
        {"store.db", "no scheme"},
        {"http://host/x", "unsupported scheme 'http'"},
        {"file:", "path is missing"},
        {"file://remote/x.db", "host 'remote'"},
        {"file:/tmp/x.db?mode=ro", "query"},
        {"file:/tmp/%zz.db", "two hexadecimal digits"},
        {"vdl:host", "expected //"},
        {"vdl://", "host is missing"},
        {"vdl://host:99999", "port"},
        {"vdl://user@host:2836", "credentials"},
    };
    for (const auto& [uri, reason] : cases) {
        handle_ptr h(vdl_open_tcp());
        EXPECT_EQ(vdl_connect(h.get(), uri), VDL_E_BAD_URI) << uri;
        EXPECT_TRUE(contains(vdl_error(VDL_E_BAD_URI), reason)) << uri << ": " << vdl_error(VDL_E_BAD_URI);
        vdl_result* r = nullptr;
        EXPECT_EQ(vdl_query(h.get(), "SHOW TABLES", &r), VDL_E_NOT_CONNECTED)
            << "a failed connect leaves it unconnected";
    }
    handle_ptr h(vdl_open_tcp());
    EXPECT_EQ(vdl_connect(h.get(), nullptr), VDL_E_BAD_URI);
}

TEST(connecting, network_clusters_are_not_reachable_and_say_so) {
    handle_ptr h(vdl_open_tcp());
    const auto rc = vdl_connect(h.get(), "vdl://127.0.0.1:2836");
    EXPECT_EQ(rc, VDL_E_CONNECTION);
    EXPECT_NE(rc & VDL_FAILURE_MASK, 0u);
    EXPECT_TRUE(contains(vdl_error(rc), "no cluster answers at vdl://127.0.0.1:2836")) << vdl_error(rc);
    EXPECT_EQ(vdl_connect(h.get(), "vdl://[::1]"), VDL_E_CONNECTION) << "the default port applies";
}

TEST(connecting, stores_that_cannot_be_opened) {
    temp_dir dir;
    handle_ptr h(vdl_open_tcp());
    const auto missing_dir = "file://" + (dir.path() / "no" / "such" / "dir.db").string();
    EXPECT_EQ(vdl_connect(h.get(), missing_dir.c_str()), VDL_E_STORE_OPEN);
    EXPECT_TRUE(contains(vdl_error(VDL_E_STORE_OPEN), "dir.db")) << vdl_error(VDL_E_STORE_OPEN);

    const auto not_a_store = dir.path() / "notes.txt";
    std::ofstream(not_a_store) << "these are not the pages of a store, just some text that is long enough\n";
    const auto uri = "file:" + not_a_store.string();
    EXPECT_EQ(vdl_connect(h.get(), uri.c_str()), VDL_E_STORE_OPEN);
    EXPECT_TRUE(contains(vdl_error(VDL_E_STORE_OPEN), "not a database")) << vdl_error(VDL_E_STORE_OPEN);
}

TEST_F(errors_test, query_failures_name_what_was_wrong) {
    ok("CREATE TABLE t (price DOUBLE)");
    EXPECT_EQ(fails("SELECT * FROM nosuch"), VDL_E_NO_TABLE);
    EXPECT_STREQ(vdl_error(VDL_E_NO_TABLE), "table does not exist: nosuch");
    EXPECT_EQ(fails("SELECT prise FROM t"), VDL_E_NO_COLUMN);
    EXPECT_STREQ(vdl_error(VDL_E_NO_COLUMN), "column does not exist: prise");
    EXPECT_EQ(fails("INSERT INTO t (prise) VALUES (1)"), VDL_E_NO_COLUMN);
    EXPECT_STREQ(vdl_error(VDL_E_NO_COLUMN), "column does not exist: prise (table t)");
    EXPECT_EQ(fails("SELECT price FORM t"), VDL_E_SYNTAX);
    EXPECT_TRUE(contains(vdl_error(VDL_E_SYNTAX), "syntax error")) << vdl_error(VDL_E_SYNTAX);
    EXPECT_EQ(fails("SELECT 'open"), VDL_E_SYNTAX);
    EXPECT_TRUE(contains(vdl_error(VDL_E_SYNTAX), "unterminated string literal")) << vdl_error(VDL_E_SYNTAX);
    EXPECT_EQ(fails("SELECT nosuchfunction(1)"), VDL_E_QUERY);
    EXPECT_TRUE(contains(vdl_error(VDL_E_QUERY), "nosuchfunction")) << vdl_error(VDL_E_QUERY);
    ok("INSERT INTO t (price) VALUES (1)");
    EXPECT_EQ(fails("UPDATE t SET $timestamp = NULL"), VDL_E_CONSTRAINT);
    EXPECT_TRUE(contains(vdl_error(VDL_E_CONSTRAINT), "NOT NULL constraint failed: t.$timestamp"))
        << vdl_error(VDL_E_CONSTRAINT);
}

TEST_F(errors_test, details_are_per_code_and_per_thread) {
    EXPECT_EQ(fails("SELECT * FROM first_missing"), VDL_E_NO_TABLE);
    EXPECT_EQ(fails("SELECT FROM"), VDL_E_SYNTAX);
    EXPECT_STREQ(vdl_error(VDL_E_NO_TABLE), "table does not exist: first_missing") << "another code's failure keeps it";
    EXPECT_EQ(fails("SELECT * FROM second_missing"), VDL_E_NO_TABLE);
    EXPECT_STREQ(vdl_error(VDL_E_NO_TABLE), "table does not exist: second_missing");

    std::string elsewhere;
    std::thread([&] { elsewhere = vdl_error(VDL_E_NO_TABLE); }).join();
    EXPECT_EQ(elsewhere, "table does not exist");
}

TEST(arguments, null_pointers_fail_cleanly) {
    vdl_result* r = reinterpret_cast<vdl_result*>(&r);
    EXPECT_EQ(vdl_query(nullptr, "SELECT 1", &r), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(r, nullptr);
    handle_ptr h(vdl_open_tcp());
    EXPECT_EQ(vdl_query(h.get(), "SELECT 1", nullptr), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_query(h.get(), nullptr, &r), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_query(h.get(), "SELECT 1", &r), VDL_E_NOT_CONNECTED);
    EXPECT_EQ(vdl_ts_get_metadata(h.get(), nullptr, nullptr), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_connect(nullptr, "file:x.db"), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_option_set_user_credentials(nullptr, "u", "k"), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_option_set_cluster_public_key(nullptr, "k"), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_option_set_client_max_in_buf_size(nullptr, 1), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_option_set_client_max_parallelism(nullptr, 1), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_release(nullptr, nullptr), VDL_OK);
    vdl_close(nullptr);
}

// vdl_interrupt from a second thread stops a query that would never end; the handle then works
// as before, and an interrupt with nothing running changes nothing.
TEST_F(errors_test, an_interrupt_from_another_thread_stops_the_running_query) {
    ok("CREATE TABLE t (n INT64)");
    EXPECT_EQ(vdl_interrupt(handle_.get()), VDL_OK) << "nothing runs";
    ok("INSERT INTO t (n) VALUES (1)");
    std::atomic<bool> done{false};
    std::thread interrupter([&] {
        while (!done.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_EQ(vdl_interrupt(handle_.get()), VDL_OK);
        }
    });
    vdl_result* r = nullptr;
    const auto rc = vdl_query(
        handle_.get(), "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c", &r);
    done.store(true);
    interrupter.join();
    EXPECT_EQ(rc, VDL_E_INTERRUPTED) << vdl_error(rc);
    EXPECT_EQ(r, nullptr);
    EXPECT_TRUE(contains(vdl_error(rc), "interrupted")) << vdl_error(rc);
    EXPECT_EQ(ok("select count(*) from t")->rows[0][0].payload.as_count, 1u);
    EXPECT_EQ(vdl_interrupt(nullptr), VDL_E_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace support
