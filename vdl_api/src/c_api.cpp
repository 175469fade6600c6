// The C entry points. Each one checks its pointers, runs the session's operation, and
// turns every failure, exceptions included, into an error code whose detail vdl_error
// can report. No exception leaves this file.
#include "error_codes.hpp"
#include "records.hpp"
#include "session.hpp"
#include "vdl_api.h"
#include "vdl_api_interrupt.h"

#include <fmt/format.h>

#include <memory>
#include <new>
#include <string_view>

struct vdl_handle {
    vdl::session session;
};

namespace {

std::uint32_t report(const vdl::failure& error) noexcept {
    try {
        vdl::remember(error);
    } catch (...) {
        // Without memory for the detail, the stable text still describes the code.
    }
    return error.code;
}

template <class Operation>
std::uint32_t guarded(Operation&& operation) noexcept {
    try {
        vdl::status done = operation();
        return done ? VDL_OK : report(done.error());
    } catch (const std::bad_alloc&) {
        return report({VDL_E_OUT_OF_MEMORY, "the library ran out of memory"});
    } catch (const std::exception& unexpected) {
        return report({VDL_E_INTERNAL, unexpected.what()});
    } catch (...) {
        return report({VDL_E_INTERNAL, "unknown exception"});
    }
}

vdl::failure missing(std::string_view what) { return {VDL_E_INVALID_ARGUMENT, fmt::format("{} is null", what)}; }

std::string_view text_or_empty(const char* text) noexcept { return text != nullptr ? text : ""; }

}  // namespace

extern "C" {

vdl_handle* vdl_open_tcp(void) {
    try {
        return std::make_unique<vdl_handle>().release();  // adopted again by vdl_close
    } catch (...) {
        return nullptr;
    }
}

std::uint32_t vdl_option_set_user_credentials(vdl_handle* handle, const char* user_name, const char* user_private_key) {
    return guarded([&]() -> vdl::status {
        if (handle == nullptr) return missing("the handle");
        return handle->session.set_user_credentials(text_or_empty(user_name), text_or_empty(user_private_key));
    });
}

std::uint32_t vdl_option_set_cluster_public_key(vdl_handle* handle, const char* public_key) {
    return guarded([&]() -> vdl::status {
        if (handle == nullptr) return missing("the handle");
        return handle->session.set_cluster_public_key(text_or_empty(public_key));
    });
}

std::uint32_t vdl_option_set_client_max_in_buf_size(vdl_handle* handle, std::uint32_t size) {
    return guarded([&]() -> vdl::status {
        if (handle == nullptr) return missing("the handle");
        return handle->session.set_max_in_buf_size(size);
    });
}

std::uint32_t vdl_option_set_client_max_parallelism(vdl_handle* handle, std::uint32_t count) {
    return guarded([&]() -> vdl::status {
        if (handle == nullptr) return missing("the handle");
        return handle->session.set_max_parallelism(count);
    });
}

std::uint32_t vdl_connect(vdl_handle* handle, const char* uri) {
    return guarded([&]() -> vdl::status {
        if (handle == nullptr) return missing("the handle");
        if (uri == nullptr) return vdl::failure{VDL_E_BAD_URI, "the URI is null"};
        return handle->session.connect(uri);
    });
}

void vdl_close(vdl_handle* handle) { std::unique_ptr<vdl_handle> adopted(handle); }

std::uint32_t vdl_query(vdl_handle* handle, const char* query, vdl_result** result) {
    if (result != nullptr) *result = nullptr;
    return guarded([&]() -> vdl::status {
        if (result == nullptr) return missing("the result pointer");
        if (handle == nullptr) return missing("the handle");
        if (query == nullptr) return missing("the query text");
        auto answer = handle->session.query(query);
        if (!answer) return std::move(answer).error();
        *result = static_cast<vdl_result*>(vdl::publish(std::move(answer).value()));
        return vdl::success();
    });
}

std::uint32_t vdl_ts_get_metadata(vdl_handle* handle, const char* table, vdl_metadata** metadata) {
    if (metadata != nullptr) *metadata = nullptr;
    return guarded([&]() -> vdl::status {
        if (metadata == nullptr) return missing("the metadata pointer");
        if (handle == nullptr) return missing("the handle");
        if (table == nullptr) return missing("the table name");
        auto answer = handle->session.metadata(table);
        if (!answer) return std::move(answer).error();
        *metadata = static_cast<vdl_metadata*>(vdl::publish(std::move(answer).value()));
        return vdl::success();
    });
}

std::uint32_t vdl_release(vdl_handle* /*handle: records outlive their handle*/, void* record) {
    return guarded([&]() -> vdl::status {
        if (record == nullptr) return vdl::success();
        if (!vdl::release_record(record))
            return vdl::failure{VDL_E_INVALID_ARGUMENT,
                                "vdl_release was given a pointer that is not a live record (released twice?)"};
        return vdl::success();
    });
}

std::uint32_t vdl_interrupt(vdl_handle* handle) {
    return guarded([&]() -> vdl::status {
        if (handle == nullptr) return missing("the handle");
        handle->session.interrupt();
        return vdl::success();
    });
}

const char* vdl_error(std::uint32_t code) { return vdl::error_text(code); }

}  // extern "C"
