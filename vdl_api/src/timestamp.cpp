#include "timestamp.hpp"

#include "vdl_api.h"

#include <fmt/format.h>

namespace vdl {
namespace {

constexpr std::int64_t seconds_per_day = 86'400;

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

bool is_word_char(char c) noexcept {
    return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool digits_at(std::string_view text, std::size_t at, std::size_t count) noexcept {
    if (text.size() < at + count) return false;
    for (std::size_t i = at; i < at + count; ++i)
        if (!is_digit(text[i])) return false;
    return true;
}

int number_at(std::string_view text, std::size_t at, std::size_t count) noexcept {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

bool is_leap(std::int64_t year) noexcept { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(std::int64_t year, int month) noexcept {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t days_from_civil(std::int64_t year, int month, int day) noexcept {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t year_of_era = year - era * 400;
    const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146'097 + day_of_era - 719'468;
}

void civil_from_days(std::int64_t days, civil_time& out) noexcept {
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const std::int64_t day_of_era = days - era * 146'097;
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t month_index = (5 * day_of_year + 2) / 153;
    out.day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
    out.month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
    out.year = year_of_era + era * 400 + (out.month <= 2 ? 1 : 0);
}

}  // namespace

split_time split_nanoseconds(std::int64_t since_epoch) noexcept {
    std::int64_t seconds = since_epoch / nanos_per_second;
    std::int64_t rest = since_epoch % nanos_per_second;
    if (rest < 0) {
        rest += nanos_per_second;
        --seconds;
    }
    return {seconds, rest};
}

outcome<std::int64_t> to_epoch_nanoseconds(const civil_time& time) {
    if (time.month < 1 || time.month > 12)
        return failure{VDL_E_TYPE, fmt::format("month {} is not 1 to 12", time.month)};
    if (time.day < 1 || time.day > days_in_month(time.year, time.month))
        return failure{VDL_E_TYPE, fmt::format("day {} is not a day of {:04}-{:02}", time.day, time.year, time.month)};
    if (time.hour > 23 || time.minute > 59 || time.second > 59 || time.hour < 0 || time.minute < 0 || time.second < 0)
        return failure{VDL_E_TYPE,
                       fmt::format("time {:02}:{:02}:{:02} is not a time of day", time.hour, time.minute, time.second)};
    if (time.nanosecond < 0 || time.nanosecond >= nanos_per_second)
        return failure{VDL_E_TYPE, "the fraction of a second is out of range"};
    constexpr std::int64_t year_limit = 1'000'000;
    if (time.year < -year_limit || time.year > year_limit)
        return failure{VDL_E_TYPE, fmt::format("year {} is out of range", time.year)};

    const std::int64_t seconds = days_from_civil(time.year, time.month, time.day) * seconds_per_day + time.hour * 3600 +
                                 time.minute * 60 + time.second;
    // Before the epoch, borrow a second so that the earliest representable instant
    // (whose whole seconds alone would overflow) is reachable.
    const bool borrow = seconds < 0 && time.nanosecond > 0;
    std::int64_t result = 0;
    if (__builtin_mul_overflow(seconds + (borrow ? 1 : 0), nanos_per_second, &result) ||
        __builtin_add_overflow(result, time.nanosecond - (borrow ? nanos_per_second : 0), &result))
        return failure{VDL_E_TYPE,
                       "timestamps range from 1677-09-21T00:12:43.145224192Z to 2262-04-11T23:47:16.854775807Z"};
    return result;
}

civil_time to_civil(std::int64_t seconds, std::int64_t nanoseconds) noexcept {
    // Normalise so that the nanosecond part is 0..999'999'999.
    seconds += nanoseconds / nanos_per_second;
    nanoseconds %= nanos_per_second;
    if (nanoseconds < 0) {
        nanoseconds += nanos_per_second;
        --seconds;
    }
    std::int64_t days = seconds / seconds_per_day;
    std::int64_t in_day = seconds % seconds_per_day;
    if (in_day < 0) {
        in_day += seconds_per_day;
        --days;
    }
    civil_time out;
    civil_from_days(days, out);
    out.hour = static_cast<int>(in_day / 3600);
    out.minute = static_cast<int>(in_day % 3600 / 60);
    out.second = static_cast<int>(in_day % 60);
    out.nanosecond = nanoseconds;
    return out;
}

std::string format_timestamp(std::int64_t seconds, std::int64_t nanoseconds) {
    const auto t = to_civil(seconds, nanoseconds);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}.{:09}Z", t.year, t.month, t.day, t.hour, t.minute, t.second,
                       t.nanosecond);
}

outcome<std::size_t> timestamp_literal_length(std::string_view text) {
    if (!(digits_at(text, 0, 4) && text.size() >= 10 && text[4] == '-' && digits_at(text, 5, 2) && text[7] == '-' &&
          digits_at(text, 8, 2)))
        return std::size_t{0};
    std::size_t end = 10;
    if (end < text.size() && text[end] == 'T') {
        if (!(digits_at(text, 11, 2) && text.size() > 13 && text[13] == ':' && digits_at(text, 14, 2) &&
              text.size() > 16 && text[16] == ':' && digits_at(text, 17, 2)))
            return failure{VDL_E_SYNTAX, fmt::format("malformed timestamp literal at '{}': expected "
                                                     "YYYY-MM-DDTHH:MM:SS[.fraction][Z]",
                                                     text.substr(0, 20))};
        end = 19;
        if (end < text.size() && text[end] == '.') {
            std::size_t digits = 0;
            while (end + 1 + digits < text.size() && is_digit(text[end + 1 + digits])) ++digits;
            if (digits == 0 || digits > 9)
                return failure{
                    VDL_E_SYNTAX,
                    fmt::format("malformed timestamp literal '{}': the fraction of a second has 1 to 9 digits",
                                text.substr(0, end + 1 + digits))};
            end += 1 + digits;
        }
        if (end < text.size() && text[end] == 'Z') ++end;
    }
    if (end < text.size() && (is_word_char(text[end]) || text[end] == ':' || text[end] == '.'))
        return failure{VDL_E_SYNTAX, fmt::format("malformed timestamp literal '{}': expected YYYY-MM-DD or "
                                                 "YYYY-MM-DDTHH:MM:SS[.fraction][Z]",
                                                 text.substr(0, end + 1))};
    return end;
}

outcome<std::int64_t> parse_timestamp(std::string_view text) {
    auto length = timestamp_literal_length(text);
    if (!length) return std::move(length).error();
    if (*length == 0 || *length != text.size())
        return failure{VDL_E_SYNTAX, fmt::format("'{}' is not a timestamp: expected YYYY-MM-DD or "
                                                 "YYYY-MM-DDTHH:MM:SS[.fraction][Z]",
                                                 text)};
    civil_time time;
    time.year = number_at(text, 0, 4);
    time.month = number_at(text, 5, 2);
    time.day = number_at(text, 8, 2);
    if (text.size() > 10) {
        time.hour = number_at(text, 11, 2);
        time.minute = number_at(text, 14, 2);
        time.second = number_at(text, 17, 2);
        if (text.size() > 19 && text[19] == '.') {
            std::size_t at = 20;
            std::int64_t scale = nanos_per_second;
            while (at < text.size() && is_digit(text[at])) {
                scale /= 10;
                time.nanosecond += (text[at] - '0') * scale;
                ++at;
            }
        }
    }
    auto result = to_epoch_nanoseconds(time);
    if (!result) return failure{VDL_E_SYNTAX, fmt::format("invalid timestamp '{}': {}", text, result.error().detail)};
    return result;
}

outcome<std::int64_t> parse_timestamp_text(std::string_view text) {
    std::string literal(text);
    if (literal.size() > 10 && literal[10] == ' ') literal[10] = 'T';
    // A date alone takes no Z; a time of day takes at most one, at its end.
    auto value = parse_timestamp(literal);
    if (!value)
        return failure{VDL_E_TYPE, fmt::format("'{}' is not a timestamp: expected yyyy-mm-dd[ hh:mm:ss[.fraction]]",
                                               text.substr(0, 64))};
    return value;
}

}  // namespace vdl
