// The table of error codes and their stable texts, and the per-thread memory of the most
// recent failure detail for each code that vdl_error reports.
#pragma once

#include "failure.hpp"

#include <cstdint>
#include <span>
#include <string_view>

namespace vdl {

struct code_entry {
    std::uint32_t code;
    std::string_view text;
};

// Every code of vdl_api.h with its stable text, success first.
std::span<const code_entry> code_table() noexcept;

// The stable text of a code, or an empty view for a code that is not in the table.
std::string_view stable_text(std::uint32_t code) noexcept;

// Remembers the failure's detail as the most recent one for its code on this thread.
void remember(const failure& error);

// Forgets every remembered detail of this thread.
void forget_failures() noexcept;

// The text vdl_error returns: the stable text, then ": " and the remembered detail.
// The pointer stays valid until the next call on this thread.
const char* error_text(std::uint32_t code) noexcept;

}  // namespace vdl
