#pragma once
// Calendar fields of a count of seconds since 1970-01-01T00:00:00Z, in the proleptic Gregorian
// calendar, for every 64-bit count (before 1970 and far beyond the years the C library handles).

#include <cstdint>

struct utc_fields {
    std::int64_t year = 1970;
    std::uint32_t month = 1;  // 1 ... 12
    std::uint32_t day = 1;    // 1 ... 31
    std::uint32_t hour = 0;
    std::uint32_t minute = 0;
    std::uint32_t second = 0;
    friend constexpr bool operator==(const utc_fields&, const utc_fields&) = default;
};

constexpr utc_fields utc_fields_of(std::int64_t seconds) noexcept {
    constexpr std::int64_t seconds_per_day = 86'400;
    // Floor division: the day of a negative count starts at the midnight before it.
    std::int64_t days = seconds / seconds_per_day;
    std::int64_t of_day = seconds % seconds_per_day;
    if (of_day < 0) {
        of_day += seconds_per_day;
        --days;
    }

    // Days to year, month and day, counting in 400-year eras that start on 1 March 0000, so that
    // the leap day is the last day of each counted year.
    const std::int64_t z = days + 719'468;
    const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
    const std::int64_t day_of_era = z - era * 146'097;  // 0 ... 146096
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1'460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;  // 0 ... 399
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;  // 0 = March
    const std::int64_t month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;

    utc_fields f;
    f.year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
    f.month = static_cast<std::uint32_t>(month);
    f.day = static_cast<std::uint32_t>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    f.hour = static_cast<std::uint32_t>(of_day / 3'600);
    f.minute = static_cast<std::uint32_t>(of_day % 3'600 / 60);
    f.second = static_cast<std::uint32_t>(of_day % 60);
    return f;
}
