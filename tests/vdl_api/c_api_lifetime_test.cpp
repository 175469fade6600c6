// Lifetimes of handles and records, options, persistence, and concurrent handles.
#include "vdl_store_test.hpp"

#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace support {
namespace {

using lifetime_test = store_test;

TEST_F(lifetime_test, records_outlive_their_handle_and_are_released_once) {
    ok("CREATE TABLE t (s STRING)");
    ok("INSERT INTO t (s) VALUES ('kept')");
    vdl_result* result = nullptr;
    ASSERT_EQ(vdl_query(handle_.get(), "SELECT s FROM t", &result), VDL_OK);
    vdl_metadata* meta = nullptr;
    ASSERT_EQ(vdl_ts_get_metadata(handle_.get(), "t", &meta), VDL_OK);
    handle_.reset();  // vdl_close

    EXPECT_STREQ(result->rows[0][0].payload.as_string.data, "kept");
    EXPECT_STREQ(result->names[0].data, "s");
    EXPECT_STREQ(meta->columns[1].name, "s");
    std::thread([&] { EXPECT_EQ(vdl_release(nullptr, result), VDL_OK); }).join();  // any thread may release
    EXPECT_EQ(vdl_release(nullptr, meta), VDL_OK);

    EXPECT_EQ(vdl_release(nullptr, result), VDL_E_INVALID_ARGUMENT) << "a second release is refused";
    int not_a_record = 0;
    EXPECT_EQ(vdl_release(nullptr, &not_a_record), VDL_E_INVALID_ARGUMENT);
}

TEST_F(lifetime_test, data_persists_across_handles_and_options_are_accepted) {
    ok("CREATE TABLE t (x INT64)");
    ok("INSERT INTO t (x) VALUES (42)");
    handle_.reset();

    handle_ptr h(vdl_open_tcp());
    EXPECT_EQ(vdl_option_set_user_credentials(h.get(), "alice", "private"), VDL_OK);
    EXPECT_EQ(vdl_option_set_cluster_public_key(h.get(), "public"), VDL_OK);
    EXPECT_EQ(vdl_option_set_client_max_in_buf_size(h.get(), 134217728), VDL_OK);
    EXPECT_EQ(vdl_option_set_client_max_parallelism(h.get(), 4), VDL_OK);
    ASSERT_EQ(vdl_connect(h.get(), uri().c_str()), VDL_OK);
    EXPECT_EQ(vdl_connect(h.get(), uri().c_str()), VDL_E_ALREADY_CONNECTED);
    EXPECT_EQ(vdl_option_set_client_max_in_buf_size(h.get(), 0), VDL_OK);
    EXPECT_EQ(vdl_option_set_client_max_parallelism(h.get(), 0), VDL_OK);
    EXPECT_EQ(single(std::string("SELECT x FROM t"), h.get()).payload.as_int64, 42);
}

TEST_F(lifetime_test, relative_and_escaped_file_paths) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    handle_ptr relative = connect_to("file:relative.db");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "relative.db"));

    handle_ptr escaped = connect_to("file://localhost" + dir_.path().string() + "/with%20space.db");
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "with space.db"));
}

TEST_F(lifetime_test, two_threads_with_two_handles_share_one_store) {
    ok("CREATE TABLE shared (worker INT64, n INT64)");
    constexpr int rows_per_worker = 200;
    std::atomic<int> failures{0};
    auto work = [&](int worker) {
        handle_ptr h = connect_to(uri());
        for (int n = 0; n < rows_per_worker; ++n) {
            vdl_result* r = nullptr;
            const auto insert =
                "INSERT INTO shared (worker, n) VALUES (" + std::to_string(worker) + ", " + std::to_string(n) + ")";
            if (vdl_query(h.get(), insert.c_str(), &r) != VDL_OK) ++failures;
            if (vdl_query(h.get(), "SELECT count(*) FROM shared", &r) != VDL_OK || r == nullptr) ++failures;
            else vdl_release(h.get(), r);
        }
    };
    std::vector<std::thread> threads;
    for (int worker = 0; worker < 2; ++worker) threads.emplace_back(work, worker);
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    auto r = ok("SELECT worker, count(*) FROM shared GROUP BY worker");
    ASSERT_EQ(r->row_count, 2u);
    EXPECT_EQ(r->rows[0][1].payload.as_count, unsigned(rows_per_worker));
    EXPECT_EQ(r->rows[1][1].payload.as_count, unsigned(rows_per_worker));
}

}  // namespace
}  // namespace support
