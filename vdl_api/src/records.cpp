#include "records.hpp"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace vdl {
namespace {

// The registry of live records maps each record to its arena, so that vdl_release can
// refuse a pointer that is not a live record instead of freeing it twice. Addresses are
// stored scrambled: leak checkers then do not see the registry as a reference to the
// arena, and records that a caller never releases are still reported as leaks.
constexpr std::uintptr_t scramble = 0x5A5A'A5A5'5A5A'A5A5u;

std::uintptr_t hide(const void* pointer) noexcept { return reinterpret_cast<std::uintptr_t>(pointer) ^ scramble; }

struct live_record {
    std::uintptr_t hidden_arena;
    const std::int32_t* column_kinds;  // points into the arena, which the hidden address keeps
};

struct registry {
    std::mutex lock;
    std::unordered_map<std::uintptr_t, live_record> live;  // hidden record -> its arena and kinds
};

registry& records() {
    static registry instance;
    return instance;
}

}  // namespace

void* publish(owned_record owned) {
    if (owned.record == nullptr) return nullptr;
    auto& reg = records();
    {
        std::scoped_lock guard(reg.lock);
        reg.live.emplace(hide(owned.record), live_record{hide(owned.memory.get()), owned.column_kinds});
    }
    owned.memory.release();  // now owned through the registry entry, until release_record
    return owned.record;
}

const std::int32_t* column_kinds_of(const void* record) {
    auto& reg = records();
    std::scoped_lock guard(reg.lock);
    const auto found = reg.live.find(hide(record));
    return found == reg.live.end() ? nullptr : found->second.column_kinds;
}

bool release_record(void* record) {
    auto& reg = records();
    std::uintptr_t hidden_arena = 0;
    {
        std::scoped_lock guard(reg.lock);
        const auto found = reg.live.find(hide(record));
        if (found == reg.live.end()) return false;
        hidden_arena = found->second.hidden_arena;
        reg.live.erase(found);
    }
    std::unique_ptr<arena> adopted(reinterpret_cast<arena*>(hidden_arena ^ scramble));
    return true;
}

}  // namespace vdl
