#include "error_codes.hpp"

#include "vdl_api.h"
#include "vdl_api_interrupt.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>

namespace vdl {
namespace {

constexpr std::array codes{
    code_entry{VDL_OK, "success"},
    code_entry{VDL_E_INVALID_ARGUMENT, "invalid argument"},
    code_entry{VDL_E_OUT_OF_MEMORY, "out of memory"},
    code_entry{VDL_E_BAD_URI, "malformed cluster URI"},
    code_entry{VDL_E_CONNECTION, "could not reach the cluster"},
    code_entry{VDL_E_STORE_OPEN, "could not open the store"},
    code_entry{VDL_E_NOT_CONNECTED, "the handle is not connected"},
    code_entry{VDL_E_SYNTAX, "syntax error"},
    code_entry{VDL_E_NO_TABLE, "table does not exist"},
    code_entry{VDL_E_NO_COLUMN, "column does not exist"},
    code_entry{VDL_E_TYPE, "type mismatch"},
    code_entry{VDL_E_TABLE_EXISTS, "table already exists"},
    code_entry{VDL_E_CONSTRAINT, "constraint violated"},
    code_entry{VDL_E_BUSY, "the store is busy"},
    code_entry{VDL_E_QUERY, "query failed"},
    code_entry{VDL_E_RESULT_TOO_LARGE, "result too large"},
    code_entry{VDL_E_ACCESS_DENIED, "access denied"},
    code_entry{VDL_E_ALREADY_CONNECTED, "the handle is already connected"},
    code_entry{VDL_E_STORAGE, "storage failure"},
    code_entry{VDL_E_INTERNAL, "internal error"},
    code_entry{VDL_E_INTERRUPTED, "interrupted"},
};

struct thread_memory {
    std::unordered_map<std::uint32_t, std::string> details;
    std::string text;
};

thread_memory& memory() {
    thread_local thread_memory instance;
    return instance;
}

}  // namespace

std::span<const code_entry> code_table() noexcept { return codes; }

std::string_view stable_text(std::uint32_t code) noexcept {
    const auto* found =
        std::find_if(codes.begin(), codes.end(), [code](const code_entry& entry) { return entry.code == code; });
    return found == codes.end() ? std::string_view{} : found->text;
}

void remember(const failure& error) { memory().details[error.code] = error.detail; }

void forget_failures() noexcept { memory().details.clear(); }

const char* error_text(std::uint32_t code) noexcept {
    auto& mine = memory();
    try {
        const auto stable = stable_text(code);
        mine.text = stable.empty() ? fmt::format("unknown error code 0x{:08X}", code) : std::string(stable);
        if (const auto found = mine.details.find(code); found != mine.details.end() && !found->second.empty()) {
            mine.text += ": ";
            mine.text += found->second;
        }
        return mine.text.c_str();
    } catch (...) {
        // Out of memory while composing: fall back to the static stable text.
        const auto stable = stable_text(code);
        return stable.empty() ? "unknown error code" : stable.data();
    }
}

}  // namespace vdl
