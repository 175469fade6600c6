// What the benchmark programs share: the rows of the sample table that point queries look up.
#pragma once

#include <cstdint>

#include "sample_data.hpp"

namespace bench {

// Rows of the sample table that point queries look up are taken from the first million, spread
// by a step prime to it so that successive queries read distant pages.
inline constexpr std::uint64_t point_rows = 1'000'000;

// The `$timestamp` (nanoseconds) of the row that the i-th point query reads.
inline std::int64_t point_timestamp(std::uint64_t i) {
    const auto row = static_cast<std::int64_t>((i * 7919u) % point_rows);
    return vdlsh::sample_start + row * vdlsh::sample_step;
}

}  // namespace bench
