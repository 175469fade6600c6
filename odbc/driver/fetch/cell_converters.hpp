#pragma once
// The conversion of one present cell into one application slot, one converter per C type.
//
// A converter is called as convert(value, data, indicator, failure): it stores the converted value
// at `data` (skipped when the application gave no buffer) and its length at `indicator` (when not
// null) and returns true, or fills `failure` and returns false. A value stored with a warning (a
// text cut to its buffer: 01004; a fraction dropped: 01S07) returns true with the warning in
// `failure`. A converter that cannot be called with a kind's value type marks that pair of kind
// and C type as not convertible.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include <fmt/format.h>

#include "diagnostics/copy_out_string.hpp"
#include "diagnostics/diag_record.hpp"
#include "fetch/application_slots.hpp"
#include "fetch/fetch_column_generic.hpp"
#include "fetch/utc_calendar.hpp"
#include "statement/result_table.hpp"

namespace conversion {

inline void store_length(std::byte* indicator, std::size_t length) noexcept {
    if (indicator != nullptr) store_into(indicator, static_cast<SQLLEN>(length));
}

// The record of a value above the upper limit of its target type.
template <typename Value, typename Limit>
diag_record overflow(Value value, Limit limit) {
    return diag_record(diag::state::numeric_out_of_range, fmt::format("{} overflows numeric limit {}", value, limit));
}

// An integer limit widened so that 8-bit limits print as numbers.
template <std::integral T>
constexpr auto printable(T value) noexcept {
    if constexpr (std::is_signed_v<T>) {
        return static_cast<std::int64_t>(value);
    } else {
        return static_cast<std::uint64_t>(value);
    }
}

template <std::floating_point F>
constexpr F power_of_two(int exponent) noexcept {
    F value = 1;
    for (int i = 0; i < exponent; ++i) value *= 2;
    return value;
}

// Truncation toward zero of a value that the caller has checked against the target's upper limit.
// Values at or above 2^63 reach the unsigned 64-bit target through the signed range: 2^63 comes
// off before and goes back on after, so values up to 2^64 convert exactly. Below the target's
// minimum the truncated value's low bits are stored, as for integral sources; NaN stores 0.
template <std::integral Target, std::floating_point F>
Target truncate_toward_zero(F value) noexcept {
    constexpr F two_to_63 = power_of_two<F>(63);
    if (std::isnan(value)) return Target{0};
    if constexpr (std::is_same_v<Target, std::uint64_t>) {
        if (value >= two_to_63)
            return static_cast<std::uint64_t>(static_cast<std::int64_t>(value - two_to_63)) + (std::uint64_t{1} << 63);
    }
    if (value < -two_to_63) return static_cast<Target>(std::numeric_limits<std::int64_t>::min());
    return static_cast<Target>(static_cast<std::int64_t>(value));
}

// Integer targets. Only the upper limit is checked, and only when the source type can exceed it;
// the comparison uses the source's own signedness, so a negative value always passes and is stored
// as its low bits (sign-extended when wider).
template <std::integral Target>
struct to_integer {
    static constexpr Target limit = std::numeric_limits<Target>::max();

    template <std::integral Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        if constexpr (std::cmp_greater(std::numeric_limits<Source>::max(), limit)) {
            if (std::cmp_greater(value, limit)) {
                failure = overflow(value, printable(limit));
                return false;
            }
        }
        if (data != nullptr) store_into(data, static_cast<Target>(value));
        store_length(indicator, sizeof(Target));
        return true;
    }

    // A floating value fails above the limit as the floating type rounds it, and also at the
    // limit + 1 (a power of two) that this rounding lets through for 32- and 64-bit targets:
    // no such value fits the target. A fraction is dropped with 01S07.
    template <std::floating_point Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        constexpr auto rounded_limit = static_cast<Source>(limit);
        constexpr Source past_limit = power_of_two<Source>(std::numeric_limits<Target>::digits);
        if (value > rounded_limit || value >= past_limit) {
            failure = overflow(value, printable(limit));
            return false;
        }
        if (data != nullptr) store_into(data, truncate_toward_zero<Target>(value));
        store_length(indicator, sizeof(Target));
        if (std::trunc(value) != value && !std::isnan(value)) failure = diag_record(diag::state::fractional_truncation);
        return true;
    }

    bool operator()(std::string_view text, std::byte* data, std::byte* indicator, diag_record& failure) const;
};

// SQL_C_BIT: 0 and 1, and values in [0, 2) with their fraction dropped (01S07); any other value
// is out of range.
struct to_bit {
    template <std::integral Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        if (std::cmp_less(value, 0) || std::cmp_greater(value, 1)) {
            failure = overflow(value, 1);
            return false;
        }
        if (data != nullptr) store_into(data, static_cast<std::uint8_t>(value));
        store_length(indicator, 1);
        return true;
    }

    template <std::floating_point Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        if (!(value >= 0 && value < 2)) {
            failure = overflow(value, 1);
            return false;
        }
        if (data != nullptr) store_into(data, static_cast<std::uint8_t>(value >= 1 ? 1 : 0));
        store_length(indicator, 1);
        if (value != 0 && value != 1) failure = diag_record(diag::state::fractional_truncation);
        return true;
    }

    bool operator()(std::string_view text, std::byte* data, std::byte* indicator, diag_record& failure) const;
};

// SQL_C_NUMERIC: the value as an exact integer of up to 38 digits, with the precision a bound
// column gets (38) and its scale (0): a fraction is dropped with 01S07.
struct to_numeric {
    static constexpr SQLCHAR precision = 38;

    template <std::integral Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record&) const {
        const bool negative = std::cmp_less(value, 0);
        const std::uint64_t magnitude =
            negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        store(negative, magnitude, 0, data, indicator);
        return true;
    }

    template <std::floating_point Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        const double whole = std::trunc(static_cast<double>(value));
        constexpr double two_to_64 = power_of_two<double>(64);
        constexpr double limit = 1e38;
        if (!(std::fabs(whole) < limit)) {
            failure = overflow(value, "a 38-digit numeric");
            return false;
        }
        // |whole| < 1e38 < 2^127: the high and low 64 bits are exact in a double's arithmetic.
        const double magnitude = std::fabs(whole);
        const double high = std::floor(magnitude / two_to_64);
        const double low = magnitude - high * two_to_64;
        store(whole < 0, static_cast<std::uint64_t>(low), static_cast<std::uint64_t>(high), data, indicator);
        if (whole != static_cast<double>(value)) failure = diag_record(diag::state::fractional_truncation);
        return true;
    }

    bool operator()(std::string_view text, std::byte* data, std::byte* indicator, diag_record& failure) const;

private:
    static void store(bool negative, std::uint64_t low, std::uint64_t high, std::byte* data, std::byte* indicator) {
        SQL_NUMERIC_STRUCT n{};
        n.precision = precision;
        n.scale = 0;
        n.sign = negative ? 0 : 1;
        for (std::size_t i = 0; i < 8; ++i) {
            n.val[i] = static_cast<SQLCHAR>(low >> (8 * i));
            n.val[8 + i] = static_cast<SQLCHAR>(high >> (8 * i));
        }
        if (data != nullptr) store_into(data, n);
        store_length(indicator, sizeof n);
    }
};

struct to_float {
    template <std::integral Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record&) const {
        // 64-bit integers round through the double first.
        float f;
        if constexpr (sizeof(Source) == 8) {
            f = static_cast<float>(static_cast<double>(value));
        } else {
            f = static_cast<float>(value);
        }
        if (data != nullptr) store_into(data, f);
        store_length(indicator, sizeof f);
        return true;
    }

    template <std::floating_point Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        constexpr float limit = std::numeric_limits<float>::max();
        if (value > static_cast<Source>(limit)) {
            failure = overflow(value, limit);
            return false;
        }
        // Below the lowest float the value rounds to negative infinity.
        const float f =
            value < -static_cast<Source>(limit) ? -std::numeric_limits<float>::infinity() : static_cast<float>(value);
        if (data != nullptr) store_into(data, f);
        store_length(indicator, sizeof f);
        return true;
    }

    bool operator()(std::string_view text, std::byte* data, std::byte* indicator, diag_record& failure) const;
};

struct to_double {
    template <std::integral Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record&) const {
        if (data != nullptr) store_into(data, static_cast<double>(value));
        store_length(indicator, sizeof(double));
        return true;
    }

    template <std::floating_point Source>
    bool operator()(Source value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        constexpr double limit = std::numeric_limits<double>::max();
        if (static_cast<double>(value) > limit) {
            failure = overflow(value, limit);
            return false;
        }
        if (data != nullptr) store_into(data, static_cast<double>(value));
        store_length(indicator, sizeof(double));
        return true;
    }

    bool operator()(std::string_view text, std::byte* data, std::byte* indicator, diag_record& failure) const;
};

// A text cell read as a number: an integer when the text is a whole decimal number that fits 64
// bits, else a double; blanks around it are allowed. Anything else is 22018.
using text_number = std::variant<std::int64_t, double>;

inline std::optional<text_number> number_of_text(std::string_view text) noexcept {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return std::nullopt;
    const char* end = text.data() + text.size();
    if (std::int64_t i = 0; std::from_chars(text.data(), end, i).ptr == end) return i;
    double d = 0;
    const auto [ptr, error] = std::from_chars(text.data(), end, d);
    if (ptr != end || error != std::errc{} || !std::isfinite(d)) return std::nullopt;
    return d;
}

// Converts a text cell by the numeric converter `convert`.
template <typename Convert>
bool convert_text_number(const Convert& convert, std::string_view text, std::byte* data, std::byte* indicator,
                         diag_record& failure) {
    const auto number = number_of_text(text);
    if (!number) {
        constexpr std::size_t shown = 64;
        failure = diag_record(diag::state::invalid_character_value,
                              fmt::format("the text '{}' is not a number", text.substr(0, shown)));
        return false;
    }
    return std::visit([&](auto value) { return convert(value, data, indicator, failure); }, *number);
}

template <std::integral Target>
bool to_integer<Target>::operator()(std::string_view text, std::byte* data, std::byte* indicator,
                                    diag_record& failure) const {
    return convert_text_number(*this, text, data, indicator, failure);
}
inline bool to_bit::operator()(std::string_view text, std::byte* data, std::byte* indicator,
                               diag_record& failure) const {
    return convert_text_number(*this, text, data, indicator, failure);
}
inline bool to_numeric::operator()(std::string_view text, std::byte* data, std::byte* indicator,
                                   diag_record& failure) const {
    return convert_text_number(*this, text, data, indicator, failure);
}
inline bool to_float::operator()(std::string_view text, std::byte* data, std::byte* indicator,
                                 diag_record& failure) const {
    return convert_text_number(*this, text, data, indicator, failure);
}
inline bool to_double::operator()(std::string_view text, std::byte* data, std::byte* indicator,
                                  diag_record& failure) const {
    return convert_text_number(*this, text, data, indicator, failure);
}

// Formats into a buffer on the stack; every text a number or timestamp gives fits it.
class text_buffer {
public:
    template <typename... Args>
    std::string_view format(fmt::format_string<Args...> pattern, Args&&... args) {
        const auto result = fmt::format_to_n(chars_.data(), chars_.size(), pattern, std::forward<Args>(args)...);
        return {chars_.data(), std::min(result.size, chars_.size())};
    }

private:
    std::array<char, 64> chars_{};
};

// The query language's form of a timestamp, to the nanosecond: yyyy-mm-ddThh:mm:ss.fffffffffZ.
inline std::string_view store_timestamp_text(const timestamp_value& value, text_buffer& out) {
    const utc_fields f = utc_fields_of(value.seconds);
    return out.format("{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}.{:09d}Z", f.year, f.month, f.day, f.hour, f.minute,
                      f.second, value.nanoseconds);
}

// ODBC's text of a timestamp, yyyy-mm-dd hh:mm:ss[.fffffffff], with as many fraction digits as
// the nanoseconds need (none for a whole second).
inline std::string_view timestamp_text(const timestamp_value& value, text_buffer& out) {
    const utc_fields f = utc_fields_of(value.seconds);
    if (value.nanoseconds == 0)
        return out.format("{:04d}-{:02d}-{:02d} {:02d}:{:02d}:{:02d}", f.year, f.month, f.day, f.hour, f.minute,
                          f.second);
    std::string_view text = out.format("{:04d}-{:02d}-{:02d} {:02d}:{:02d}:{:02d}.{:09d}", f.year, f.month, f.day,
                                       f.hour, f.minute, f.second, value.nanoseconds);
    while (text.back() == '0') text.remove_suffix(1);
    return text;
}

// Character and binary targets: the bytes of the value go out whole, or cut to the buffer (the
// indicator tells the full length), or piece by piece for SQLGetData.
class byte_output {
public:
    byte_output(SQLSMALLINT c_type, SQLLEN buffer_length, value_piece* piece) noexcept
        : terminated_(c_type == SQL_C_CHAR), buffer_length_(buffer_length), piece_(piece) {}

    put_outcome put(std::string_view bytes, std::byte* data, std::byte* indicator) const {
        if (piece_ == nullptr) {
            store_length(indicator, bytes.size());
            // Without a buffer nothing is handed out, so nothing is cut.
            if (data == nullptr) return put_outcome::whole;
            if (terminated_) {
                copy_out_string(bytes, data, buffer_length_, nullptr);
                return std::cmp_less(bytes.size(), buffer_length_) ? put_outcome::whole : put_outcome::cut;
            }
            copy_out_bytes(bytes, data, buffer_length_);
            return std::cmp_less_equal(bytes.size(), buffer_length_) ? put_outcome::whole : put_outcome::cut;
        }
        // The rest of the value from where the previous piece ended; the indicator tells its length.
        const std::string_view rest = bytes.substr(std::min(piece_->offset, bytes.size()));
        const SQLLEN usable = data != nullptr ? buffer_length_ : 0;
        std::size_t copied = 0;
        if (terminated_) {
            copy_out_string(rest, data, usable, nullptr);
            if (usable > 0) copied = std::min(rest.size(), static_cast<std::size_t>(usable - 1));
        } else {
            copied = copy_out_bytes(rest, data, usable);
        }
        store_length(indicator, rest.size());
        piece_->offset += copied;
        piece_->returned = true;
        piece_->truncated = copied < rest.size();
        return piece_->truncated ? put_outcome::cut : put_outcome::whole;
    }

private:
    bool terminated_;
    SQLLEN buffer_length_;
    value_piece* piece_;
};

// The text of a cell handed to a sink, which stores it in its own form.
class sink_output {
public:
    explicit sink_output(text_sink& sink) noexcept : sink_(&sink) {}

    put_outcome put(std::string_view text, std::byte* data, std::byte* indicator) const {
        return sink_->put(text, data, indicator);
    }

private:
    text_sink* sink_;
};

// What a text or binary value that went out cut or not at all leaves as the row's outcome: a cut
// value is stored with 01004; a buffer that cannot take the next whole character is HY090.
inline bool record_put(put_outcome outcome, diag_record& failure) {
    switch (outcome) {
    case put_outcome::whole: return true;
    case put_outcome::cut: failure = diag_record(diag::state::string_right_truncated); return true;
    case put_outcome::no_room:
        failure = diag_record(diag::state::invalid_buffer_length,
                              "the buffer cannot hold the next whole character of the value");
        return false;
    }
    return true;
}

// SQL_C_CHAR: integers in decimal, floating values as the shortest text that reads back to the same
// value, texts as they are, timestamps as ODBC's timestamp text in UTC.
template <typename Output>
struct to_text {
    Output out;

    template <typename Number>
    requires std::integral<Number> || std::floating_point<Number>
    bool operator()(Number value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        text_buffer text;
        return record_put(out.put(text.format("{}", value), data, indicator), failure);
    }
    bool operator()(std::string_view value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        return record_put(out.put(value, data, indicator), failure);
    }
    bool operator()(const timestamp_value& value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        text_buffer text;
        return record_put(out.put(timestamp_text(value, text), data, indicator), failure);
    }
};

// SQL_C_BINARY: the bytes of texts.
struct to_binary {
    byte_output out;

    bool operator()(std::string_view value, std::byte* data, std::byte* indicator, diag_record& failure) const {
        return record_put(out.put(value, data, indicator), failure);
    }
};

// Date, time and timestamp structures of a timestamp, in UTC; the fraction is in nanoseconds.
struct to_date {
    bool operator()(const timestamp_value& value, std::byte* data, std::byte* indicator, diag_record&) const {
        const utc_fields f = utc_fields_of(value.seconds);
        const SQL_DATE_STRUCT date{static_cast<SQLSMALLINT>(f.year), static_cast<SQLUSMALLINT>(f.month),
                                   static_cast<SQLUSMALLINT>(f.day)};
        if (data != nullptr) store_into(data, date);
        store_length(indicator, sizeof date);
        return true;
    }
};

struct to_time {
    bool operator()(const timestamp_value& value, std::byte* data, std::byte* indicator, diag_record&) const {
        const utc_fields f = utc_fields_of(value.seconds);
        const SQL_TIME_STRUCT time{static_cast<SQLUSMALLINT>(f.hour), static_cast<SQLUSMALLINT>(f.minute),
                                   static_cast<SQLUSMALLINT>(f.second)};
        if (data != nullptr) store_into(data, time);
        store_length(indicator, sizeof time);
        return true;
    }
};

struct to_timestamp {
    bool operator()(const timestamp_value& value, std::byte* data, std::byte* indicator, diag_record&) const {
        const utc_fields f = utc_fields_of(value.seconds);
        const SQL_TIMESTAMP_STRUCT stamp{
            static_cast<SQLSMALLINT>(f.year),           static_cast<SQLUSMALLINT>(f.month),
            static_cast<SQLUSMALLINT>(f.day),           static_cast<SQLUSMALLINT>(f.hour),
            static_cast<SQLUSMALLINT>(f.minute),        static_cast<SQLUSMALLINT>(f.second),
            static_cast<SQLUINTEGER>(value.nanoseconds)};
        if (data != nullptr) store_into(data, stamp);
        store_length(indicator, sizeof stamp);
        return true;
    }
};

// A C type that no kind converts to.
struct to_nothing {};

// Calls `run` with the converter of a C type; codes outside the conversion table get `to_nothing`.
// With a sink, SQL_C_CHAR texts go to it; the choice is made once, before the rows are converted.
template <typename Run>
decltype(auto) with_converter(SQLSMALLINT c_type, SQLLEN buffer_length, value_piece* piece, text_sink* sink,
                              Run&& run) {
    switch (c_type) {
    case SQL_C_CHAR:
        if (sink != nullptr) return run(to_text<sink_output>{sink_output(*sink)});
        return run(to_text<byte_output>{byte_output(c_type, buffer_length, piece)});
    case SQL_C_BINARY: return run(to_binary{byte_output(c_type, buffer_length, piece)});
    case SQL_C_SHORT:
    case SQL_C_SSHORT: return run(to_integer<std::int16_t>{});
    case SQL_C_USHORT: return run(to_integer<std::uint16_t>{});
    case SQL_C_LONG:
    case SQL_C_SLONG: return run(to_integer<std::int32_t>{});
    case SQL_C_ULONG: return run(to_integer<std::uint32_t>{});
    case SQL_C_SBIGINT: return run(to_integer<std::int64_t>{});
    case SQL_C_UBIGINT: return run(to_integer<std::uint64_t>{});
    case SQL_C_BIT: return run(to_bit{});
    case SQL_C_UTINYINT: return run(to_integer<std::uint8_t>{});
    case SQL_C_TINYINT:
    case SQL_C_STINYINT: return run(to_integer<std::int8_t>{});
    case SQL_C_NUMERIC: return run(to_numeric{});
    case SQL_C_FLOAT: return run(to_float{});
    case SQL_C_DOUBLE: return run(to_double{});
    case SQL_C_TYPE_DATE: return run(to_date{});
    case SQL_C_TYPE_TIME: return run(to_time{});
    case SQL_C_TYPE_TIMESTAMP: return run(to_timestamp{});
    default: return run(to_nothing{});
    }
}

}  // namespace conversion
