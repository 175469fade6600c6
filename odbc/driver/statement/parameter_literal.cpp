#include "statement/parameter_literal.hpp"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <type_traits>

#include <fmt/format.h>

#include "statement/parameter_binding.hpp"

namespace {

using namespace buffers;
using refusal = std::optional<value_refusal>;

enum class literal_kind { text, binary, integer, floating, date, time, timestamp };

std::optional<literal_kind> kind_of(SQLSMALLINT sql_type) noexcept {
    switch (sql_type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR: return literal_kind::text;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return literal_kind::binary;
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return literal_kind::integer;
    // The store's numbers are 64-bit integers and doubles: a decimal is written as the shortest
    // form of its double, or exactly when it is a whole number that fits an integer.
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC: return literal_kind::floating;
    case SQL_TYPE_DATE: return literal_kind::date;
    case SQL_TYPE_TIME: return literal_kind::time;
    case SQL_TYPE_TIMESTAMP: return literal_kind::timestamp;
    default: return std::nullopt;
    }
}

// What a value is, for messages.
std::string_view value_kind_name(const application_value& value) {
    static constexpr std::string_view names[] = {"NULL",   "an integer",  "an integer", "a number", "a number",
                                                 "a text", "binary data", "a date",     "a time",   "a timestamp"};
    static_assert(std::size(names) == std::variant_size_v<application_value>);
    return names[value.index()];
}

value_refusal restricted(const application_value& value, SQLSMALLINT sql_type) {
    return {diag::state::restricted_data_type,
            fmt::format("{} cannot be sent as {}", value_kind_name(value), sql_type_name(sql_type))};
}

void append_quoted(std::string& out, std::string_view text) {
    out.reserve(out.size() + text.size() + 2);
    out.push_back('\'');
    for (const char c : text) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    out.push_back('\'');
}

void append_blob(std::string& out, std::string_view bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    out.reserve(out.size() + bytes.size() * 2 + 3);
    out += "X'";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(digits[byte >> 4]);
        out.push_back(digits[byte & 0xF]);
    }
    out.push_back('\'');
}

// ---- numbers ----

using number = std::variant<std::int64_t, std::uint64_t, double>;

// A text that is a decimal number (blanks around it allowed): a whole number as an integer when
// it fits, any other as a double.
std::optional<number> parse_number(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
    }
    const char* begin = text.data();
    const char* end = begin + text.size();
    // A whole number beyond 64 bits is out of range for the integer readers: it is read as a
    // double below, never as the 0 a failed read leaves.
    if (std::int64_t i = 0; std::from_chars(begin, end, i) == std::from_chars_result{end, std::errc{}}) return i;
    if (std::uint64_t u = 0; std::from_chars(begin, end, u) == std::from_chars_result{end, std::errc{}}) return u;
    double d = 0;
    const auto [ptr, error] = std::from_chars(begin, end, d);
    if (ptr != end || (error != std::errc{} && error != std::errc::result_out_of_range)) return std::nullopt;
    // "inf" and "nan" are no numbers; digits beyond the doubles' range are the nearest double, an
    // infinity or 0, which strtod gives (an infinity is then out of range of every type).
    if (error == std::errc{}) return std::isfinite(d) ? std::optional<number>(d) : std::nullopt;
    return std::strtod(std::string(text).c_str(), nullptr);
}

struct integer_range {
    std::int64_t min;
    std::uint64_t max;
};

// The values an integer SQL type holds, signed or unsigned.
integer_range range_of(SQLSMALLINT sql_type) noexcept {
    switch (sql_type) {
    case SQL_BIT: return {0, 1};
    case SQL_TINYINT: return {-128, 255};
    case SQL_SMALLINT: return {-32768, 65535};
    case SQL_INTEGER: return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::uint32_t>::max()};
    default: return {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()};
    }
}

template <typename T>
value_refusal out_of_range(T value, SQLSMALLINT sql_type) {
    return {diag::state::numeric_out_of_range,
            fmt::format("{} is out of the range of {}", value, sql_type_name(sql_type))};
}

refusal append_integer(std::string& out, SQLSMALLINT sql_type, const number& n) {
    const auto range = range_of(sql_type);
    if (const auto* i = std::get_if<std::int64_t>(&n)) {
        if (*i < range.min || (*i > 0 && static_cast<std::uint64_t>(*i) > range.max)) return out_of_range(*i, sql_type);
        fmt::format_to(std::back_inserter(out), "{}", *i);
        return std::nullopt;
    }
    if (const auto* u = std::get_if<std::uint64_t>(&n)) {
        if (*u > range.max) return out_of_range(*u, sql_type);
        fmt::format_to(std::back_inserter(out), "{}", *u);
        return std::nullopt;
    }
    const double d = std::get<double>(n);
    if (!std::isfinite(d)) return out_of_range(d, sql_type);
    if (std::trunc(d) != d)
        return value_refusal{diag::state::general_error,
                             fmt::format("{} has a fraction, which {} cannot hold", d, sql_type_name(sql_type))};
    constexpr double two_to_63 = 9223372036854775808.0;
    if (d < -two_to_63 || d >= 2 * two_to_63) return out_of_range(d, sql_type);
    if (d < two_to_63) return append_integer(out, sql_type, static_cast<std::int64_t>(d));
    return append_integer(out, sql_type, static_cast<std::uint64_t>(d));
}

refusal append_floating(std::string& out, const number& n, SQLSMALLINT sql_type) {
    if (const auto* d = std::get_if<double>(&n); d != nullptr && !std::isfinite(*d)) return out_of_range(*d, sql_type);
    // A whole number beyond the signed 64 bits is written as its nearest double.
    if (const auto* u = std::get_if<std::uint64_t>(&n)) {
        fmt::format_to(std::back_inserter(out), "{}", static_cast<double>(*u));
        return std::nullopt;
    }
    std::visit([&](auto v) { fmt::format_to(std::back_inserter(out), "{}", v); }, n);
    return std::nullopt;
}

// ---- dates and times ----

struct calendar {
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    std::uint32_t fraction = 0;  // nanoseconds
};

calendar of(const SQL_DATE_STRUCT& d) { return {d.year, d.month, d.day}; }
calendar of(const SQL_TIME_STRUCT& t) { return {0, 0, 0, t.hour, t.minute, t.second}; }
calendar of(const SQL_TIMESTAMP_STRUCT& ts) {
    return {ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, ts.fraction};
}

bool valid_date(const calendar& c) noexcept {
    return c.year >= 0 && c.year <= 9999 &&
           std::chrono::year_month_day{std::chrono::year{c.year}, std::chrono::month{c.month}, std::chrono::day{c.day}}
               .ok();
}
bool valid_time(const calendar& c) noexcept {
    return c.hour <= 23 && c.minute <= 59 && c.second <= 59 && c.fraction <= 999'999'999;
}

// Reads `count` digits at `at`.
std::optional<unsigned> digits_at(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return value;
}

// HH:MM:SS[.fraction] at `at`, up to the end of the text.
bool parse_time_of_day(std::string_view text, std::size_t at, calendar& c) {
    const auto hour = digits_at(text, at, 2);
    const auto minute = digits_at(text, at + 3, 2);
    const auto second = digits_at(text, at + 6, 2);
    if (!hour || !minute || !second || text[at + 2] != ':' || text[at + 5] != ':') return false;
    c.hour = *hour;
    c.minute = *minute;
    c.second = *second;
    std::size_t end = at + 8;
    if (end < text.size() && text[end] == '.') {
        std::uint32_t scale = 100'000'000;
        for (++end; end < text.size() && text[end] >= '0' && text[end] <= '9' && scale > 0; ++end, scale /= 10)
            c.fraction += static_cast<std::uint32_t>(text[end] - '0') * scale;
    }
    return end == text.size();
}

// A date "YYYY-MM-DD", a time "HH:MM:SS[.fraction]" or a timestamp "YYYY-MM-DD HH:MM:SS[.fraction]"
// ("T" in place of the blank too), blanks around it allowed.
std::optional<calendar> parse_date_time(std::string_view text, literal_kind kind) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    calendar c;
    if (kind == literal_kind::time) {
        if (!parse_time_of_day(text, 0, c)) return std::nullopt;
        return c;
    }
    const auto year = digits_at(text, 0, 4);
    const auto month = digits_at(text, 5, 2);
    const auto day = digits_at(text, 8, 2);
    if (!year || !month || !day || text[4] != '-' || text[7] != '-') return std::nullopt;
    c.year = static_cast<int>(*year);
    c.month = *month;
    c.day = *day;
    if (text.size() == 10) return c;
    if (kind == literal_kind::date || (text[10] != ' ' && text[10] != 'T') || !parse_time_of_day(text, 11, c))
        return std::nullopt;
    return c;
}

// The value as a calendar for a literal of `kind`, or nothing when its kind does not convert.
std::optional<calendar> calendar_of(const application_value& value, literal_kind kind) {
    if (const auto* ts = std::get_if<SQL_TIMESTAMP_STRUCT>(&value)) {
        calendar c = of(*ts);
        if (kind == literal_kind::date) c.hour = c.minute = c.second = c.fraction = 0;
        return c;
    }
    if (const auto* d = std::get_if<SQL_DATE_STRUCT>(&value); d != nullptr && kind != literal_kind::time) return of(*d);
    if (const auto* t = std::get_if<SQL_TIME_STRUCT>(&value); t != nullptr && kind == literal_kind::time) return of(*t);
    return std::nullopt;
}

// Today's date in UTC, the store's time zone.
calendar today() {
    const std::chrono::year_month_day date{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
    return {static_cast<int>(date.year()), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day())};
}

// Whether the store can hold the time: it keeps nanoseconds since 1970-01-01T00:00:00Z in a signed
// 64-bit count, 1677-09-21T00:12:43.145224192Z to 2262-04-11T23:47:16.854775807Z.
bool within_store_range(const calendar& c) noexcept {
    const std::chrono::year_month_day date{std::chrono::year{c.year}, std::chrono::month{c.month},
                                           std::chrono::day{c.day}};
    const std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
    const std::int64_t seconds = days * 86'400 + c.hour * 3'600 + c.minute * 60 + c.second;
    constexpr std::int64_t nanos = 1'000'000'000;
    constexpr std::int64_t last_second = std::numeric_limits<std::int64_t>::max() / nanos;
    constexpr std::int64_t first_second = std::numeric_limits<std::int64_t>::min() / nanos - 1;
    if (seconds < first_second || seconds > last_second) return false;
    if (seconds == last_second) return c.fraction <= std::numeric_limits<std::int64_t>::max() % nanos;
    if (seconds == first_second) return c.fraction >= nanos + std::numeric_limits<std::int64_t>::min() % nanos;
    return true;
}

// Date and time values in the query language's timestamp form, which is never quoted: the store
// takes a quoted text as a text, and refuses it for a TIMESTAMP column. A time of day is taken on
// the current date, as ODBC converts a time to a timestamp. The fraction is written whole,
// whatever decimal digits the parameter was bound with. A field out of its range, or a time the
// store cannot hold, is 22008.
refusal append_date_time(std::string& out, calendar c, literal_kind kind) {
    const bool date_ok = kind == literal_kind::time || valid_date(c);
    const bool time_ok = kind == literal_kind::date || valid_time(c);
    if (!date_ok || !time_ok)
        return value_refusal{
            diag::state::datetime_field_overflow,
            fmt::format("{:04d}-{:02d}-{:02d} {:02d}:{:02d}:{:02d}.{:09d} is not a valid date and time", c.year,
                        c.month, c.day, c.hour, c.minute, c.second, c.fraction)};
    if (kind == literal_kind::time) {
        const calendar date = today();
        c.year = date.year;
        c.month = date.month;
        c.day = date.day;
    }
    if (!within_store_range(c))
        return value_refusal{
            diag::state::datetime_field_overflow,
            fmt::format("{:04d}-{:02d}-{:02d} {:02d}:{:02d}:{:02d}.{:09d} is outside the store's range of timestamps "
                        "(1677-09-21 00:12:43.145224192 to 2262-04-11 23:47:16.854775807)",
                        c.year, c.month, c.day, c.hour, c.minute, c.second, c.fraction)};
    fmt::format_to(std::back_inserter(out), "{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}", c.year, c.month, c.day, c.hour,
                   c.minute, c.second);
    if (c.fraction != 0) fmt::format_to(std::back_inserter(out), ".{:09d}", c.fraction);
    return std::nullopt;
}

// ---- one writer per kind of literal ----

refusal write_text(std::string& out, SQLSMALLINT sql_type, const application_value& value) {
    if (const auto* t = std::get_if<text_value>(&value)) return append_text_literal(out, t->bytes);
    if (const auto* b = std::get_if<binary_value>(&value)) return append_text_literal(out, b->bytes);
    // A date or time structure is a timestamp whatever SQL type it is bound as (pyodbc's
    // fast_executemany binds datetime values as SQL_VARCHAR, the type SQLDescribeParam gives).
    if (const auto* ts = std::get_if<SQL_TIMESTAMP_STRUCT>(&value))
        return append_date_time(out, of(*ts), literal_kind::timestamp);
    if (const auto* d = std::get_if<SQL_DATE_STRUCT>(&value)) return append_date_time(out, of(*d), literal_kind::date);
    if (const auto* t = std::get_if<SQL_TIME_STRUCT>(&value)) return append_date_time(out, of(*t), literal_kind::time);
    // A number: its decimal text, quoted.
    return std::visit(
        [&](auto v) -> refusal {
            using T = decltype(v);
            if constexpr (std::is_arithmetic_v<T>) {
                if constexpr (std::is_floating_point_v<T>) {
                    if (!std::isfinite(v)) return out_of_range(v, sql_type);
                }
                fmt::format_to(std::back_inserter(out), "'{}'", v);
                return std::nullopt;
            } else {
                return restricted(value, sql_type);
            }
        },
        value);
}

refusal write_binary(std::string& out, SQLSMALLINT sql_type, const application_value& value) {
    if (const auto* b = std::get_if<binary_value>(&value)) {
        append_blob(out, b->bytes);
        return std::nullopt;
    }
    if (const auto* t = std::get_if<text_value>(&value)) {
        append_blob(out, t->bytes);
        return std::nullopt;
    }
    return restricted(value, sql_type);
}

// The value as a number, when it is one or a text that is one.
std::variant<number, value_refusal> number_of(const application_value& value, SQLSMALLINT sql_type) {
    if (const auto* i = std::get_if<std::int64_t>(&value)) return number{*i};
    if (const auto* u = std::get_if<std::uint64_t>(&value)) return number{*u};
    if (const auto* f = std::get_if<float>(&value)) return number{static_cast<double>(*f)};
    if (const auto* d = std::get_if<double>(&value)) return number{*d};
    if (const auto* t = std::get_if<text_value>(&value)) {
        if (auto n = parse_number(t->bytes)) return *n;
        return value_refusal{diag::state::general_error,
                             fmt::format("the text '{}' is not a number", t->bytes.substr(0, 64))};
    }
    return restricted(value, sql_type);
}

// The decimal text as the store reads it: blanks and a leading "+" dropped, the digits kept.
std::string_view decimal_text(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (text.front() == '+') text.remove_prefix(1);
    return text;
}

refusal write_number(std::string& out, SQLSMALLINT sql_type, literal_kind kind, const application_value& value) {
    // A decimal given as text keeps every digit: the store reads the literal itself, exactly
    // where it can (a double column takes the nearest double).
    if (const auto* t = std::get_if<text_value>(&value);
        t != nullptr && (sql_type == SQL_DECIMAL || sql_type == SQL_NUMERIC)) {
        const auto n = parse_number(t->bytes);
        if (!n)
            return value_refusal{diag::state::general_error,
                                 fmt::format("the text '{}' is not a number", t->bytes.substr(0, 64))};
        out += decimal_text(t->bytes);
        return std::nullopt;
    }
    // A float keeps its own shortest form: 0.1f is written 0.1, not as the double it widens to.
    if (const auto* f = std::get_if<float>(&value); f != nullptr && kind == literal_kind::floating) {
        if (!std::isfinite(*f)) return out_of_range(*f, sql_type);
        fmt::format_to(std::back_inserter(out), "{}", *f);
        return std::nullopt;
    }
    const auto n = number_of(value, sql_type);
    if (const auto* failed = std::get_if<value_refusal>(&n)) return *failed;
    return kind == literal_kind::integer ? append_integer(out, sql_type, std::get<number>(n))
                                         : append_floating(out, std::get<number>(n), sql_type);
}

refusal write_date_time(std::string& out, SQLSMALLINT sql_type, literal_kind kind, const application_value& value) {
    if (const auto* t = std::get_if<text_value>(&value)) {
        if (auto c = parse_date_time(t->bytes, kind)) return append_date_time(out, *c, kind);
        const std::string_view expected = kind == literal_kind::date   ? "date (YYYY-MM-DD)"
                                          : kind == literal_kind::time ? "time of day (HH:MM:SS)"
                                                                       : "timestamp (YYYY-MM-DD HH:MM:SS)";
        return value_refusal{diag::state::general_error,
                             fmt::format("the text '{}' is not a {}", t->bytes.substr(0, 64), expected)};
    }
    if (auto c = calendar_of(value, kind)) return append_date_time(out, *c, kind);
    return restricted(value, sql_type);
}

}  // namespace

std::optional<value_refusal> append_text_literal(std::string& out, std::string_view text) {
    if (const auto zero = text.find('\0'); zero != std::string_view::npos)
        return value_refusal{
            diag::state::general_error,
            fmt::format("the text holds a zero byte at offset {}, which a query text cannot carry", zero)};
    append_quoted(out, text);
    return std::nullopt;
}

std::optional<value_refusal> append_literal(std::string& out, SQLSMALLINT sql_type, const application_value& value) {
    if (std::holds_alternative<null_value>(value)) {
        out += "NULL";
        return std::nullopt;
    }
    const auto kind = kind_of(sql_type);
    if (!kind) return value_refusal{diag::state::general_error, fmt::format("unsupported target type: {}", sql_type)};
    const auto size = out.size();
    refusal failed;
    switch (*kind) {
    case literal_kind::text: failed = write_text(out, sql_type, value); break;
    case literal_kind::binary: failed = write_binary(out, sql_type, value); break;
    case literal_kind::integer:
    case literal_kind::floating: failed = write_number(out, sql_type, *kind, value); break;
    default: failed = write_date_time(out, sql_type, *kind, value); break;
    }
    if (failed) out.resize(size);
    return failed;
}
