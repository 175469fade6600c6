#include "fake_vdl_api.hpp"

#include <cinttypes>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

struct vdl_handle {
    int number = 0;
};

namespace fake_vdl {

namespace {

struct library_state {
    std::mutex mutex;
    answers next;
    std::vector<std::string> calls;
    std::map<const vdl_handle*, std::unique_ptr<vdl_handle>> open;
    int opened = 0;
    std::string error_text;
};

library_state& state() {
    static library_state s;
    return s;
}

// Called with the mutex held.
std::string name_of(const library_state& s, const vdl_handle* h) {
    if (h == nullptr) return "null";
    const auto it = s.open.find(h);
    if (it == s.open.end()) return "#closed";
    return "#" + std::to_string(it->second->number);
}

std::string text_of(const char* text) { return text == nullptr ? "(null)" : text; }

void record(library_state& s, std::string call) { s.calls.push_back(std::move(call)); }

}  // namespace

answers& next() { return state().next; }

std::vector<std::string> calls() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.calls;
}

std::vector<std::string> calls_of(const std::string& prefix) {
    std::vector<std::string> matching;
    for (auto& c : calls()) {
        if (c.rfind(prefix, 0) == 0) matching.push_back(std::move(c));
    }
    return matching;
}

std::size_t open_handles() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.open.size();
}

void reset_calls() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.calls.clear();
}

void reset() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.calls.clear();
    s.open.clear();
    s.opened = 0;
    s.next = answers{};
}

}  // namespace fake_vdl

using fake_vdl::state;

extern "C" {

vdl_handle* vdl_open_tcp(void) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.next.open_fails) {
        fake_vdl::record(s, "vdl_open_tcp() = null");
        return nullptr;
    }
    auto h = std::make_unique<vdl_handle>();
    h->number = ++s.opened;
    vdl_handle* raw = h.get();
    s.open.emplace(raw, std::move(h));
    fake_vdl::record(s, "vdl_open_tcp() = " + fake_vdl::name_of(s, raw));
    return raw;
}

uint32_t vdl_option_set_user_credentials(vdl_handle* handle, const char* user_name, const char* user_private_key) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(s, "vdl_option_set_user_credentials(" + fake_vdl::name_of(s, handle) + ", " +
                            fake_vdl::text_of(user_name) + ", " + fake_vdl::text_of(user_private_key) + ")");
    return s.next.option_result;
}

uint32_t vdl_option_set_cluster_public_key(vdl_handle* handle, const char* public_key) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(s, "vdl_option_set_cluster_public_key(" + fake_vdl::name_of(s, handle) + ", " +
                            fake_vdl::text_of(public_key) + ")");
    return s.next.option_result;
}

uint32_t vdl_option_set_client_max_in_buf_size(vdl_handle* handle, uint32_t size) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(
        s, "vdl_option_set_client_max_in_buf_size(" + fake_vdl::name_of(s, handle) + ", " + std::to_string(size) + ")");
    return s.next.option_result;
}

uint32_t vdl_option_set_client_max_parallelism(vdl_handle* handle, uint32_t count) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(s, "vdl_option_set_client_max_parallelism(" + fake_vdl::name_of(s, handle) + ", " +
                            std::to_string(count) + ")");
    return s.next.option_result;
}

uint32_t vdl_connect(vdl_handle* handle, const char* uri) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(s, "vdl_connect(" + fake_vdl::name_of(s, handle) + ", " + fake_vdl::text_of(uri) + ")");
    if (s.next.connect_result) return *s.next.connect_result;
    const std::string_view address = uri == nullptr ? "" : uri;
    if (address.starts_with("file:")) return VDL_OK;
    if (address.starts_with("vdl://")) return VDL_E_CONNECTION;
    return VDL_E_BAD_URI;
}

void vdl_close(vdl_handle* handle) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(s, "vdl_close(" + fake_vdl::name_of(s, handle) + ")");
    s.open.erase(handle);
}

uint32_t vdl_query(vdl_handle* handle, const char* query, vdl_result** result) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(s, "vdl_query(" + fake_vdl::name_of(s, handle) + ", " + fake_vdl::text_of(query) + ")");
    fake_vdl::query_answer answer{s.next.query_result, s.next.query_record};
    if (!s.next.queries.empty()) {
        answer = s.next.queries.front();
        s.next.queries.pop_front();
    }
    if (result != nullptr) *result = answer.record;
    return answer.result;
}

uint32_t vdl_ts_get_metadata(vdl_handle* handle, const char* table, vdl_metadata** metadata) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(s, "vdl_ts_get_metadata(" + fake_vdl::name_of(s, handle) + ", " + fake_vdl::text_of(table) + ")");
    if (metadata != nullptr) *metadata = s.next.metadata_record;
    return s.next.metadata_result;
}

uint32_t vdl_release(vdl_handle* handle, void* record) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    fake_vdl::record(
        s, "vdl_release(" + fake_vdl::name_of(s, handle) + ", " + (record == nullptr ? "null" : "record") + ")");
    return VDL_OK;
}

const char* vdl_error(uint32_t code) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08" PRIX32, code);
    fake_vdl::record(s, std::string("vdl_error(") + hex + ")");
    // Like the real library's text, it stays valid only until the next call.
    s.error_text = s.next.error_text;
    return s.error_text.c_str();
}

}  // extern "C"
