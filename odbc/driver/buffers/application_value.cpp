#include "buffers/application_value.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include <fmt/format.h>

#include "fetch/c_type_name.hpp"
#include "wide/utf_transcoding.hpp"

namespace buffers {

namespace {

// Reads a T from application memory, which need not be aligned for it.
template <typename T>
T load(const void* at) noexcept {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

bool is_data_at_execution(SQLLEN indicator) noexcept {
    return indicator == SQL_DATA_AT_EXEC || indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET;
}

// How a character or binary value lies in its buffer.
enum class value_shape { text, binary, wide };

// The byte length of a zero-terminated value (a zero byte, or a 2-byte zero for wide text), which
// never runs past a buffer length that is given.
std::size_t zero_terminated_length(const char* bytes, SQLLEN buffer_length, value_shape shape) noexcept {
    if (shape == value_shape::wide) {
        const std::size_t limit = buffer_length > 0 ? static_cast<std::size_t>(buffer_length) / wide::unit_size
                                                    : std::numeric_limits<std::size_t>::max();
        return wide::zero_terminated_units(reinterpret_cast<const std::byte*>(bytes), limit) * wide::unit_size;
    }
    return buffer_length > 0 ? ::strnlen(bytes, static_cast<std::size_t>(buffer_length)) : std::strlen(bytes);
}

// The byte length of a character, wide-character or binary value.
std::variant<std::size_t, value_refusal> byte_length(const application_buffer& b, value_shape shape) {
    const auto* bytes = static_cast<const char*>(b.value);
    if (!b.indicator) {
        if (shape == value_shape::binary && b.buffer_length > 0) return static_cast<std::size_t>(b.buffer_length);
        return zero_terminated_length(bytes, b.buffer_length, shape);
    }
    const SQLLEN length = *b.indicator;
    if (length == SQL_NTS) return zero_terminated_length(bytes, b.buffer_length, shape);
    if (length < 0)
        return value_refusal{
            diag::state::invalid_buffer_length,
            fmt::format("the length/indicator {} is neither a length, SQL_NTS nor SQL_NULL_DATA", length)};
    if (b.buffer_length > 0 && length > b.buffer_length)
        return value_refusal{diag::state::invalid_buffer_length,
                             fmt::format("the length {} is more than the buffer length {}", length, b.buffer_length)};
    if (shape == value_shape::wide && length % wide::unit_size != 0)
        return value_refusal{diag::state::invalid_buffer_length,
                             fmt::format("the length {} of a wide-character value is not a whole number of {}-byte "
                                         "characters",
                                         length, wide::unit_size)};
    return static_cast<std::size_t>(length);
}

template <typename Value>
read_result bytes_of(const application_buffer& b) {
    const auto length = byte_length(b, std::is_same_v<Value, binary_value> ? value_shape::binary : value_shape::text);
    if (const auto* refusal = std::get_if<value_refusal>(&length)) return *refusal;
    return application_value{Value{std::string_view(static_cast<const char*>(b.value), std::get<std::size_t>(length))}};
}

// SQL_C_WCHAR: the UTF-16 value as UTF-8 text, which the value keeps.
read_result wide_text_of(const application_buffer& b) {
    const auto length = byte_length(b, value_shape::wide);
    if (const auto* refusal = std::get_if<value_refusal>(&length)) return *refusal;
    auto utf8 = std::make_shared<const std::string>(
        wide::utf8_of_utf16(static_cast<const std::byte*>(b.value), std::get<std::size_t>(length) / wide::unit_size));
    const std::string_view bytes = *utf8;
    return application_value{text_value{bytes, std::move(utf8)}};
}

// SQL_C_NUMERIC: the 128-bit little-endian magnitude scaled by 10^-scale. A whole number that
// fits is an exact integer; anything else its exact decimal text, which the literal writers read
// as a decimal (every digit kept) or as the nearest double.
application_value numeric_value(const SQL_NUMERIC_STRUCT& n) {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    for (int i = 7; i >= 0; --i) low = (low << 8) | n.val[i];
    for (int i = SQL_MAX_NUMERIC_LEN - 1; i >= 8; --i) high = (high << 8) | n.val[i];
    const bool negative = n.sign == 0;
    constexpr auto int64_max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (high == 0 && n.scale == 0) {
        if (!negative && low <= int64_max) return static_cast<std::int64_t>(low);
        if (negative && low <= int64_max + 1)
            return low == int64_max + 1 ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(low);
    }
    // The decimal digits of the magnitude, by long division of its bytes by 10.
    std::array<unsigned, SQL_MAX_NUMERIC_LEN> bytes{};
    for (std::size_t i = 0; i < SQL_MAX_NUMERIC_LEN; ++i) bytes[i] = n.val[i];
    std::string reversed;
    while (std::any_of(bytes.begin(), bytes.end(), [](unsigned b) { return b != 0; })) {
        unsigned remainder = 0;
        for (std::size_t i = SQL_MAX_NUMERIC_LEN; i-- > 0;) {
            const unsigned current = remainder * 256 + bytes[i];
            bytes[i] = current / 10;
            remainder = current % 10;
        }
        reversed.push_back(static_cast<char>('0' + remainder));
    }
    if (reversed.empty()) reversed.push_back('0');
    const std::string magnitude(reversed.rbegin(), reversed.rend());
    std::string digits = negative ? "-" : "";
    if (n.scale <= 0) {
        digits += magnitude;
        digits.append(static_cast<std::size_t>(-n.scale), '0');
    } else if (const auto scale = static_cast<std::size_t>(n.scale); magnitude.size() <= scale) {
        digits += "0.";
        digits.append(scale - magnitude.size(), '0');
        digits += magnitude;
    } else {
        digits.append(magnitude, 0, magnitude.size() - scale);
        digits += '.';
        digits.append(magnitude, magnitude.size() - scale, scale);
    }
    auto text = std::make_shared<const std::string>(std::move(digits));
    const std::string_view view = *text;
    return application_value{text_value{view, std::move(text)}};
}

}  // namespace

SQLSMALLINT concrete_c_type(SQLSMALLINT c_type, SQLSMALLINT sql_type) noexcept {
    switch (c_type) {
    case SQL_C_DATE: return SQL_C_TYPE_DATE;
    case SQL_C_TIME: return SQL_C_TYPE_TIME;
    case SQL_C_TIMESTAMP: return SQL_C_TYPE_TIMESTAMP;
    case SQL_C_TINYINT: return SQL_C_STINYINT;
    case SQL_C_DEFAULT: break;
    default: return c_type;
    }
    switch (sql_type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_DECIMAL:
    case SQL_NUMERIC: return SQL_C_CHAR;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return SQL_C_BINARY;
    case SQL_BIT: return SQL_C_BIT;
    case SQL_TINYINT: return SQL_C_UTINYINT;
    case SQL_SMALLINT: return SQL_C_SSHORT;
    case SQL_INTEGER: return SQL_C_SLONG;
    case SQL_BIGINT: return SQL_C_SBIGINT;
    case SQL_REAL: return SQL_C_FLOAT;
    case SQL_FLOAT:
    case SQL_DOUBLE: return SQL_C_DOUBLE;
    case SQL_TYPE_DATE: return SQL_C_TYPE_DATE;
    case SQL_TYPE_TIME: return SQL_C_TYPE_TIME;
    case SQL_TYPE_TIMESTAMP: return SQL_C_TYPE_TIMESTAMP;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR: return SQL_C_WCHAR;
    default: return SQL_C_DEFAULT;
    }
}

std::optional<value_refusal> unreadable_c_type(SQLSMALLINT c_type) {
    switch (c_type) {
    case SQL_C_CHAR:
    case SQL_C_WCHAR:
    case SQL_C_BINARY:
    case SQL_C_BIT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
    case SQL_C_FLOAT:
    case SQL_C_DOUBLE:
    case SQL_C_NUMERIC:
    case SQL_C_TYPE_DATE:
    case SQL_C_TYPE_TIME:
    case SQL_C_TYPE_TIMESTAMP: return std::nullopt;
    default:
        return value_refusal{diag::state::optional_feature,
                             fmt::format("values of C type {} ({}) are not read", c_type_name(c_type), c_type)};
    }
}

read_result read_value(const application_buffer& b) {
    if (b.indicator) {
        if (*b.indicator == SQL_NULL_DATA) return application_value{null_value{}};
        if (is_data_at_execution(*b.indicator))
            return value_refusal{diag::state::optional_feature,
                                 "data-at-execution is not offered: give the value in its buffer, with its length"};
    }
    if (auto refusal = unreadable_c_type(b.c_type)) return *std::move(refusal);
    if (b.value == nullptr) return application_value{null_value{}};
    switch (b.c_type) {
    case SQL_C_CHAR: return bytes_of<text_value>(b);
    case SQL_C_WCHAR: return wide_text_of(b);
    case SQL_C_BINARY: return bytes_of<binary_value>(b);
    case SQL_C_STINYINT: return application_value{std::int64_t{load<std::int8_t>(b.value)}};
    case SQL_C_SHORT:
    case SQL_C_SSHORT: return application_value{std::int64_t{load<std::int16_t>(b.value)}};
    case SQL_C_LONG:
    case SQL_C_SLONG: return application_value{std::int64_t{load<std::int32_t>(b.value)}};
    case SQL_C_SBIGINT: return application_value{load<std::int64_t>(b.value)};
    case SQL_C_BIT:
    case SQL_C_UTINYINT: return application_value{std::uint64_t{load<std::uint8_t>(b.value)}};
    case SQL_C_USHORT: return application_value{std::uint64_t{load<std::uint16_t>(b.value)}};
    case SQL_C_ULONG: return application_value{std::uint64_t{load<std::uint32_t>(b.value)}};
    case SQL_C_UBIGINT: return application_value{load<std::uint64_t>(b.value)};
    case SQL_C_FLOAT: return application_value{load<float>(b.value)};
    case SQL_C_DOUBLE: return application_value{load<double>(b.value)};
    case SQL_C_NUMERIC: return numeric_value(load<SQL_NUMERIC_STRUCT>(b.value));
    case SQL_C_TYPE_DATE: return application_value{load<SQL_DATE_STRUCT>(b.value)};
    case SQL_C_TYPE_TIME: return application_value{load<SQL_TIME_STRUCT>(b.value)};
    default: return application_value{load<SQL_TIMESTAMP_STRUCT>(b.value)};  // SQL_C_TYPE_TIMESTAMP
    }
}

}  // namespace buffers
