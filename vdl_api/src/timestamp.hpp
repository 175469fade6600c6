// Timestamps: nanoseconds since 1970-01-01T00:00:00Z in a signed 64-bit integer, which is
// how the store keeps them, and their text form YYYY-MM-DDTHH:MM:SS[.fraction][Z].
#pragma once

#include "failure.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace vdl {

inline constexpr std::int64_t nanos_per_second = 1'000'000'000;

struct split_time {
    std::int64_t seconds;      // floor of the time in seconds
    std::int64_t nanoseconds;  // always 0..999'999'999
};

split_time split_nanoseconds(std::int64_t since_epoch) noexcept;

// The midnight (UTC) that begins the day of a time, in nanoseconds since the epoch.
constexpr std::int64_t start_of_day(std::int64_t since_epoch) noexcept {
    constexpr std::int64_t day = 86'400 * nanos_per_second;
    return since_epoch >= 0 ? since_epoch / day * day : (since_epoch - day + 1) / day * day;
}

struct civil_time {
    std::int64_t year = 1970;
    int month = 1;                // 1..12
    int day = 1;                  // 1..days of the month
    int hour = 0;                 // 0..23
    int minute = 0;               // 0..59
    int second = 0;               // 0..59
    std::int64_t nanosecond = 0;  // 0..999'999'999
};

// Nanoseconds since the epoch of a calendar time (UTC). Fails with VDL_E_TYPE for a
// field out of its range (month 13, February 30, hour 24, ...) or a time outside the
// span a signed 64-bit nanosecond count can hold.
outcome<std::int64_t> to_epoch_nanoseconds(const civil_time& time);

civil_time to_civil(std::int64_t seconds, std::int64_t nanoseconds) noexcept;

// "YYYY-MM-DDTHH:MM:SS.nnnnnnnnnZ"
std::string format_timestamp(std::int64_t seconds, std::int64_t nanoseconds);

// Parses the whole text as YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS[.1 to 9 digits][Z].
outcome<std::int64_t> parse_timestamp(std::string_view text);

// A quoted text read as a timestamp: YYYY-MM-DD, or that followed by a blank or T and
// HH:MM:SS[.1 to 9 digits], with an optional Z. Fails with VDL_E_TYPE naming the text otherwise.
outcome<std::int64_t> parse_timestamp_text(std::string_view text);

// The length of the timestamp literal at the start of text, 0 when the text does not
// begin with YYYY-MM-DD. A literal that begins well but is malformed fails with
// VDL_E_SYNTAX naming what is wrong.
outcome<std::size_t> timestamp_literal_length(std::string_view text);

}  // namespace vdl
