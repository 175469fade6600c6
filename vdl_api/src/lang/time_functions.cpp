#include "time_functions.hpp"

#include "../timestamp.hpp"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vdl::lang {
namespace {

constexpr std::int64_t nanos_per_day = 86'400 * nanos_per_second;

enum class unit { nanosecond, microsecond, millisecond, second, minute, hour, day, week, month, quarter, year };

constexpr std::array<std::pair<std::string_view, unit>, 11> unit_names{{
    {"nanosecond", unit::nanosecond},
    {"microsecond", unit::microsecond},
    {"millisecond", unit::millisecond},
    {"second", unit::second},
    {"minute", unit::minute},
    {"hour", unit::hour},
    {"day", unit::day},
    {"week", unit::week},
    {"month", unit::month},
    {"quarter", unit::quarter},
    {"year", unit::year},
}};

// The length of a unit of fixed length, in nanoseconds; 0 for months, quarters and years.
std::int64_t fixed_length(unit u) noexcept {
    switch (u) {
    case unit::nanosecond: return 1;
    case unit::microsecond: return 1'000;
    case unit::millisecond: return 1'000'000;
    case unit::second: return nanos_per_second;
    case unit::minute: return 60 * nanos_per_second;
    case unit::hour: return 3'600 * nanos_per_second;
    case unit::day: return nanos_per_day;
    case unit::week: return 7 * nanos_per_day;
    default: return 0;
    }
}

int months_in(unit u) noexcept { return u == unit::year ? 12 : u == unit::quarter ? 3 : 1; }

std::string_view function_name(sqlite3_context* context) {
    return static_cast<const char*>(sqlite3_user_data(context));
}

void fail(sqlite3_context* context, const std::string& message) {
    sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
}

// The timestamp an argument holds; none with the result already set (NULL or an error).
std::optional<std::int64_t> timestamp_argument(sqlite3_context* context, sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: return sqlite3_value_int64(value);
    case SQLITE_NULL: sqlite3_result_null(context); return std::nullopt;
    case SQLITE_TEXT: {
        const std::string_view text(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                    static_cast<std::size_t>(sqlite3_value_bytes(value)));
        auto parsed = parse_timestamp_text(text);
        if (parsed) return *parsed;
        fail(context, fmt::format("{}(): {}", function_name(context), parsed.error().detail));
        return std::nullopt;
    }
    default:
        fail(context, fmt::format("{}() takes a timestamp, not a {}", function_name(context),
                                  sqlite3_value_type(value) == SQLITE_FLOAT ? "real number" : "blob"));
        return std::nullopt;
    }
}

std::optional<unit> unit_argument(sqlite3_context* context, sqlite3_value* value) {
    if (sqlite3_value_type(value) == SQLITE_TEXT) {
        std::string name(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                         static_cast<std::size_t>(sqlite3_value_bytes(value)));
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (name.size() > 1 && name.back() == 's') name.pop_back();  // 'days' as 'day'
        for (const auto& [known, u] : unit_names)
            if (known == name) return u;
    }
    fail(context, fmt::format("{}(): the unit is one of 'nanosecond', 'microsecond', 'millisecond', 'second', "
                              "'minute', 'hour', 'day', 'week', 'month', 'quarter', 'year'",
                              function_name(context)));
    return std::nullopt;
}

civil_time civil_of(std::int64_t t) noexcept {
    const auto split = split_nanoseconds(t);
    return to_civil(split.seconds, split.nanoseconds);
}

// Days since 1970-01-01 (negative before).
std::int64_t day_number(std::int64_t t) noexcept {
    return t >= 0 ? t / nanos_per_day : -((-(t + 1)) / nanos_per_day) - 1;
}

// 0 (Sunday) to 6 (Saturday); 1970-01-01 was a Thursday.
int weekday(std::int64_t t) noexcept {
    const std::int64_t d = (day_number(t) + 4) % 7;
    return static_cast<int>(d < 0 ? d + 7 : d);
}

int day_of_year(std::int64_t t) noexcept {
    const auto c = civil_of(t);
    civil_time first;
    first.year = c.year;
    const auto start = to_epoch_nanoseconds(first);
    // The first of January of a year within the timestamps' span is within 64 bits, or just
    // before it: count by days from the epoch then.
    const std::int64_t start_day = start ? day_number(*start) : day_number(t) - 365;
    return static_cast<int>(day_number(t) - start_day + 1);
}

std::int64_t field(std::string_view name, std::int64_t t) noexcept {
    const auto c = civil_of(t);
    if (name == "year") return c.year;
    if (name == "month") return c.month;
    if (name == "day") return c.day;
    if (name == "hour") return c.hour;
    if (name == "minute") return c.minute;
    if (name == "second") return c.second;
    if (name == "quarter") return (c.month - 1) / 3 + 1;
    if (name == "dayofweek") return weekday(t) + 1;
    if (name == "dayofyear") return day_of_year(t);
    // week: the week of January 1st is week 1, and weeks begin on Sunday.
    const int doy = day_of_year(t);
    const int first_weekday = ((weekday(t) - (doy - 1)) % 7 + 7) % 7;
    return (doy - 1 + first_weekday) / 7 + 1;
}

void field_function(sqlite3_context* context, int, sqlite3_value** argv) {
    const auto t = timestamp_argument(context, argv[0]);
    if (!t) return;
    sqlite3_result_int64(context, field(function_name(context), *t));
}

void name_function(sqlite3_context* context, int, sqlite3_value** argv) {
    static constexpr std::array<std::string_view, 7> days{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                          "Thursday", "Friday", "Saturday"};
    static constexpr std::array<std::string_view, 12> months{"January",   "February", "March",    "April",
                                                             "May",       "June",     "July",     "August",
                                                             "September", "October",  "November", "December"};
    const auto t = timestamp_argument(context, argv[0]);
    if (!t) return;
    const auto name = function_name(context) == "dayname" ? days[static_cast<std::size_t>(weekday(*t))]
                                                          : months[static_cast<std::size_t>(civil_of(*t).month - 1)];
    sqlite3_result_text(context, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
}

// The timestamp of a calendar time, or an error result when it is outside the span.
std::optional<std::int64_t> from_civil(sqlite3_context* context, const civil_time& c) {
    auto t = to_epoch_nanoseconds(c);
    if (t) return *t;
    fail(context, fmt::format("{}(): {}", function_name(context), t.error().detail));
    return std::nullopt;
}

void date_trunc(sqlite3_context* context, int, sqlite3_value** argv) {
    const auto u = unit_argument(context, argv[0]);
    if (!u) return;
    const auto t = timestamp_argument(context, argv[1]);
    if (!t) return;
    std::optional<std::int64_t> result;
    if (*u == unit::week) {
        result = (day_number(*t) - weekday(*t)) * nanos_per_day;
    } else if (const std::int64_t length = fixed_length(*u); length != 0) {
        const std::int64_t rest = ((*t % length) + length) % length;
        result = *t - rest;
    } else {
        auto c = civil_of(*t);
        civil_time cut;
        cut.year = c.year;
        cut.month = *u == unit::year ? 1 : *u == unit::quarter ? (c.month - 1) / 3 * 3 + 1 : c.month;
        result = from_civil(context, cut);
    }
    if (result) sqlite3_result_int64(context, *result);
}

// t plus n months, the day kept or brought back to the month's last day.
std::optional<std::int64_t> add_months(sqlite3_context* context, std::int64_t t, std::int64_t n) {
    auto c = civil_of(t);
    if (n > 12'000'000 || n < -12'000'000) {
        fail(context, fmt::format("{}(): {} months is out of range", function_name(context), n));
        return std::nullopt;
    }
    const std::int64_t months = c.year * 12 + (c.month - 1) + n;
    c.year = months >= 0 ? months / 12 : -((-months + 11) / 12);
    c.month = static_cast<int>(months - c.year * 12) + 1;
    constexpr std::array<int, 12> lengths{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (c.year % 4 == 0 && c.year % 100 != 0) || c.year % 400 == 0;
    const int last = c.month == 2 && leap ? 29 : lengths[static_cast<std::size_t>(c.month - 1)];
    if (c.day > last) c.day = last;
    return from_civil(context, c);
}

void timestamp_add(sqlite3_context* context, int, sqlite3_value** argv) {
    const auto u = unit_argument(context, argv[0]);
    if (!u) return;
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(context);
    if (sqlite3_value_type(argv[1]) != SQLITE_INTEGER)
        return fail(context, fmt::format("{}(): the number of units is a whole number", function_name(context)));
    const std::int64_t n = sqlite3_value_int64(argv[1]);
    const auto t = timestamp_argument(context, argv[2]);
    if (!t) return;
    if (const std::int64_t length = fixed_length(*u); length != 0) {
        std::int64_t span = 0;
        std::int64_t result = 0;
        if (__builtin_mul_overflow(n, length, &span) || __builtin_add_overflow(*t, span, &result))
            return fail(context,
                        fmt::format("{}(): the result is beyond the span of timestamps", function_name(context)));
        return sqlite3_result_int64(context, result);
    }
    const auto result = add_months(context, *t, n * months_in(*u));
    if (result) sqlite3_result_int64(context, *result);
}

void timestamp_diff(sqlite3_context* context, int, sqlite3_value** argv) {
    const auto u = unit_argument(context, argv[0]);
    if (!u) return;
    const auto from = timestamp_argument(context, argv[1]);
    if (!from) return;
    const auto to = timestamp_argument(context, argv[2]);
    if (!to) return;
    if (const std::int64_t length = fixed_length(*u); length != 0) {
        std::int64_t span = 0;
        if (!__builtin_sub_overflow(*to, *from, &span)) return sqlite3_result_int64(context, span / length);
        if (length == 1)
            return fail(context, fmt::format("{}(): the difference is beyond 64 bits", function_name(context)));
        // Whole units of each, then the units their remainders make, truncated toward zero.
        const std::int64_t remainder = *to % length - *from % length;
        std::int64_t units = (*to / length - *from / length) + remainder / length;
        const std::int64_t rest = remainder % length;
        if (units > 0 && rest < 0) --units;
        if (units < 0 && rest > 0) ++units;
        return sqlite3_result_int64(context, units);
    }
    // Whole months: a month is complete when the later time's day and time of day reach the
    // earlier one's.
    const auto a = civil_of(*from);
    const auto b = civil_of(*to);
    std::int64_t months = (b.year - a.year) * 12 + (b.month - a.month);
    const auto rest = [](const civil_time& c) {
        return ((static_cast<std::int64_t>(c.day) * 24 + c.hour) * 60 + c.minute) * 60 * nanos_per_second +
               c.second * nanos_per_second + c.nanosecond;
    };
    if (months > 0 && rest(b) < rest(a)) --months;
    if (months < 0 && rest(b) > rest(a)) ++months;
    sqlite3_result_int64(context, months / months_in(*u));
}

void round_to(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    const std::int64_t places = sqlite3_value_int64(argv[1]);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        const std::int64_t x = sqlite3_value_int64(argv[0]);
        if (places >= 0) return sqlite3_result_int64(context, x);
        if (places < -18) return sqlite3_result_int64(context, 0);
        std::int64_t scale = 1;
        for (std::int64_t i = 0; i < -places; ++i) scale *= 10;
        // Half away from zero: the quotient moves one further when the remainder is half or more.
        std::int64_t quotient = x / scale;
        const std::int64_t remainder = x % scale;
        if (remainder >= scale / 2) ++quotient;
        if (-remainder >= scale / 2) --quotient;
        std::int64_t rounded = 0;
        if (__builtin_mul_overflow(quotient, scale, &rounded))
            return fail(context, "round_to(): the result is beyond 64 bits");
        return sqlite3_result_int64(context, rounded);
    }
    const double x = sqlite3_value_double(argv[0]);
    if (places > 308 || !std::isfinite(x)) return sqlite3_result_double(context, x);
    if (places < -308) return sqlite3_result_double(context, 0.0);
    const double scale = std::pow(10.0, static_cast<double>(std::llabs(places)));
    const double scaled = places >= 0 ? x * scale : x / scale;
    // Beyond 2^52 a double has no fraction left to round.
    if (std::fabs(scaled) >= 4503599627370496.0) return sqlite3_result_double(context, x);
    const double rounded = std::round(scaled);
    sqlite3_result_double(context, places >= 0 ? rounded / scale : rounded * scale);
}

struct function_row {
    const char* name;
    int arguments;
    void (*call)(sqlite3_context*, int, sqlite3_value**);
};

constexpr std::array<function_row, 16> rows{{
    {"year", 1, field_function},
    {"month", 1, field_function},
    {"day", 1, field_function},
    {"hour", 1, field_function},
    {"minute", 1, field_function},
    {"second", 1, field_function},
    {"quarter", 1, field_function},
    {"week", 1, field_function},
    {"dayofweek", 1, field_function},
    {"dayofyear", 1, field_function},
    {"dayname", 1, name_function},
    {"monthname", 1, name_function},
    {"date_trunc", 2, date_trunc},
    {"timestamp_add", 3, timestamp_add},
    {"timestamp_diff", 3, timestamp_diff},
    {"round_to", 2, round_to},
}};

}  // namespace

bool register_time_functions(sqlite3* db) {
    for (const auto& row : rows) {
        // The name doubles as the function's user data, for field() and messages.
        if (sqlite3_create_function_v2(db, row.name, row.arguments, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                       const_cast<char*>(row.name), row.call, nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return true;
}

}  // namespace vdl::lang
