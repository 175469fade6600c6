// Sample time-series tables for demos, tests and benchmarks:
//   trades  ($timestamp, sym STRING, price DOUBLE, volume INT64)
//   sensors ($timestamp, sensor STRING, reading DOUBLE, payload BLOB)
// Each gets the requested number of rows with increasing $timestamp, a few NULLs in
// every value column, a price that walks up and down per symbol (trades), and blobs that
// contain zero bytes (sensors). The data is the same on every run.
#pragma once

#include "failure.hpp"
#include "session.hpp"

#include <cstdint>
#include <functional>
#include <string_view>

namespace vdlsh {

// Called after each batch with the table name, rows written and rows wanted.
using progress_callback = std::function<void(std::string_view table, std::uint64_t done, std::uint64_t total)>;

// Fails (creating nothing further) when a sample table exists already.
vdl::status create_samples(vdl::session& session, std::uint64_t rows, const progress_callback& progress);

// The first sample row's timestamp, 2021-01-01T00:00:00Z, and the step between rows.
inline constexpr std::int64_t sample_start = 1'609'459'200'000'000'000;
inline constexpr std::int64_t sample_step = 1'000'000'001;
// The most rows whose timestamps stay within the 64-bit nanosecond range.
inline constexpr std::uint64_t max_sample_rows =
    static_cast<std::uint64_t>((INT64_MAX - sample_start) / sample_step) + 1;

}  // namespace vdlsh
