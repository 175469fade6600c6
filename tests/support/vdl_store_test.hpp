#pragma once
// Tests of the client library's C interface: a temporary store per test, owning pointers for
// handles and records, and short ways to run statements.

#include "vdl_api.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "files.hpp"

namespace support {

struct handle_closer {
    void operator()(vdl_handle* h) const noexcept { vdl_close(h); }
};
using handle_ptr = std::unique_ptr<vdl_handle, handle_closer>;

struct record_releaser {
    void operator()(void* record) const noexcept { EXPECT_EQ(vdl_release(nullptr, record), VDL_OK); }
};
using result_ptr = std::unique_ptr<vdl_result, record_releaser>;
using metadata_ptr = std::unique_ptr<vdl_metadata, record_releaser>;

inline handle_ptr connect_to(const std::string& uri) {
    handle_ptr h(vdl_open_tcp());
    const auto rc = vdl_connect(h.get(), uri.c_str());
    EXPECT_EQ(rc, VDL_OK) << vdl_error(rc);
    return h;
}

inline std::string_view text_of(const vdl_cell& cell) {
    EXPECT_EQ(cell.kind, VDL_CELL_STRING);
    return {cell.payload.as_string.data, cell.payload.as_string.length};
}

inline std::string_view name_of(const vdl_result& r, std::uint32_t column) {
    return {r.names[column].data, r.names[column].length};
}

// A test with a fresh store file and a connected handle.
class store_test : public ::testing::Test {
protected:
    [[nodiscard]] std::string uri() const { return "file://" + (dir_.path() / "store.db").string(); }

    void SetUp() override { handle_ = connect_to(uri()); }

    // Runs a statement that must succeed; returns its record (null without result set).
    result_ptr ok(const std::string& query, vdl_handle* on = nullptr) {
        vdl_result* r = nullptr;
        const auto rc = vdl_query(on != nullptr ? on : handle_.get(), query.c_str(), &r);
        EXPECT_EQ(rc, VDL_OK) << query << " -> " << vdl_error(rc);
        return result_ptr(r);
    }

    // Runs a statement that must fail; returns its code.
    std::uint32_t fails(const std::string& query) {
        vdl_result* r = reinterpret_cast<vdl_result*>(&handle_);  // must be overwritten with null
        const auto rc = vdl_query(handle_.get(), query.c_str(), &r);
        EXPECT_NE(rc, VDL_OK) << query;
        EXPECT_EQ(r, nullptr);
        return rc;
    }

    // A one-row, one-column query's cell.
    vdl_cell single(const std::string& query, vdl_handle* on = nullptr) {
        auto r = ok(query, on);
        EXPECT_TRUE(r && r->row_count == 1 && r->column_count == 1) << query;
        return r && r->row_count == 1 ? r->rows[0][0] : vdl_cell{VDL_CELL_NULL, {}};
    }

    temp_dir dir_;
    handle_ptr handle_;
};

}  // namespace support
