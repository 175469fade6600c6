#pragma once
// The conversion of one present cell into one application slot, one converter per C type.
//
// A converter is called as convert(value, data, indicator, failure): it stores the converted value
// at `data` (skipped when the application gave no buffer) and its length at `indicator` (when not
// null) and returns true, or fills `failure` and returns false. A converter that cannot be called
// with a kind's value type marks that pair of kind and C type as not convertible.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <type_traits>
#include <utility>

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
    // no such value fits the target.
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
        return true;
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
};

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

inline std::string_view timestamp_text(const timestamp_value& value, text_buffer& out) {
    const utc_fields f = utc_fields_of(value.seconds);
    return out.format("{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}.{:09d}Z", f.year, f.month, f.day, f.hour, f.minute,
                      f.second, value.nanoseconds);
}

// Character and binary targets: the bytes of the value go out whole, truncated silently when the
// buffer is too small (the indicator tells the full length), or piece by piece for SQLGetData.
class byte_output {
public:
    byte_output(SQLSMALLINT c_type, SQLLEN buffer_length, value_piece* piece) noexcept
        : terminated_(c_type == SQL_C_CHAR), buffer_length_(buffer_length), piece_(piece) {}

    void put(std::string_view bytes, std::byte* data, std::byte* indicator) const {
        if (piece_ == nullptr) {
            if (terminated_) {
                copy_out_string(bytes, data, buffer_length_, nullptr);
            } else {
                copy_out_bytes(bytes, data, buffer_length_);
            }
            store_length(indicator, bytes.size());
            return;
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

    void put(std::string_view text, std::byte* data, std::byte* indicator) const { sink_->put(text, data, indicator); }

private:
    text_sink* sink_;
};

// SQL_C_CHAR: integers in decimal, floating values as the shortest text that reads back to the same
// value, texts as they are, timestamps as UTC text with nine fraction digits.
template <typename Output>
struct to_text {
    Output out;

    template <typename Number>
    requires std::integral<Number> || std::floating_point<Number>
    bool operator()(Number value, std::byte* data, std::byte* indicator, diag_record&) const {
        text_buffer text;
        out.put(text.format("{}", value), data, indicator);
        return true;
    }
    bool operator()(std::string_view value, std::byte* data, std::byte* indicator, diag_record&) const {
        out.put(value, data, indicator);
        return true;
    }
    bool operator()(const timestamp_value& value, std::byte* data, std::byte* indicator, diag_record&) const {
        text_buffer text;
        out.put(timestamp_text(value, text), data, indicator);
        return true;
    }
};

// SQL_C_BINARY: the bytes of texts.
struct to_binary {
    byte_output out;

    bool operator()(std::string_view value, std::byte* data, std::byte* indicator, diag_record&) const {
        out.put(value, data, indicator);
        return true;
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
    case SQL_C_BIT:
    case SQL_C_UTINYINT: return run(to_integer<std::uint8_t>{});
    case SQL_C_STINYINT: return run(to_integer<std::int8_t>{});
    case SQL_C_FLOAT: return run(to_float{});
    case SQL_C_DOUBLE: return run(to_double{});
    case SQL_C_TYPE_DATE: return run(to_date{});
    case SQL_C_TYPE_TIME: return run(to_time{});
    case SQL_C_TYPE_TIMESTAMP: return run(to_timestamp{});
    default: return run(to_nothing{});
    }
}

}  // namespace conversion
