#include "attributes/attribute_access.hpp"

#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include <fmt/format.h>

#include "diagnostics/copy_out_string.hpp"

namespace attributes::detail {

namespace {

// SQL_ATTR_APP_WCHAR_TYPE: the application's wide-character type; only 2 is served.
constexpr std::int64_t app_wchar_type = 1061;

template <typename Length>
void store_length(Length* length_ptr, std::int64_t length) noexcept {
    if (length_ptr == nullptr) return;
    length = std::clamp<std::int64_t>(length, std::numeric_limits<Length>::min(), std::numeric_limits<Length>::max());
    *length_ptr = static_cast<Length>(length);
}

// A negative buffer length asks for a binary attribute: SQL_LEN_BINARY_ATTR(n) = -100 - n
// announces a buffer of n bytes. The bytes go out without a terminator, at most n of them
// (none for a negative length that is not of that form), and the length reported is
// SQL_LEN_BINARY_ATTR of the count copied.
template <typename Length>
void write_binary(std::string_view bytes, void* value_ptr, std::int64_t buffer_length, Length* length_ptr) {
    const std::int64_t capacity =
        buffer_length <= SQL_LEN_BINARY_ATTR_OFFSET ? SQL_LEN_BINARY_ATTR_OFFSET - buffer_length : 0;
    const auto copied = std::min(static_cast<std::int64_t>(bytes.size()), capacity);
    if (value_ptr != nullptr && copied > 0) std::memcpy(value_ptr, bytes.data(), static_cast<std::size_t>(copied));
    store_length(length_ptr, SQL_LEN_BINARY_ATTR_OFFSET - copied);
}

}  // namespace

diag_record unknown_attribute(std::int64_t id) {
    return diag_record(diag::state::invalid_attribute_identifier, fmt::format("Unknown attribute: {}", id));
}

diag_record optional_attribute(std::int64_t id, std::string_view name) {
    return diag_record(diag::state::optional_feature, fmt::format("Optional attribute: {}({})", id, name));
}

namespace {

std::string printed(const attribute_value& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, SQLPOINTER>) {
                return fmt::format("{}", fmt::ptr(v));
            } else if constexpr (std::is_same_v<T, std::string>) {
                return fmt::format("'{}'", v);
            } else {
                return fmt::format("{}", v);
            }
        },
        value);
}

}  // namespace

diag_record value_changed(std::int64_t id, std::string_view name, const attribute_value& requested,
                          const attribute_value& in_force) {
    return diag_record(diag::state::option_value_changed, fmt::format("{}({}) cannot be {}; it stays {}", id, name,
                                                                      printed(requested), printed(in_force)));
}

template <typename Length>
void write_out(const attribute_value& value, void* value_ptr, std::int64_t buffer_length, Length* length_ptr,
               read_kind kind) {
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                if (kind == read_kind::attribute && buffer_length < 0) {
                    write_binary(v, value_ptr, buffer_length, length_ptr);
                } else {
                    copy_out_string(v, value_ptr, buffer_length, length_ptr);
                }
            } else {
                // Exactly the width of the type: the caller's buffer is that wide. The length says
                // so too, for callers that read as many bytes as it gives (DBD::ODBC does).
                if (value_ptr != nullptr) std::memcpy(value_ptr, &v, sizeof v);
                store_length(length_ptr, static_cast<std::int64_t>(sizeof v));
            }
        },
        value);
}

template void write_out(const attribute_value&, void*, std::int64_t, SQLINTEGER*, read_kind);
template void write_out(const attribute_value&, void*, std::int64_t, SQLSMALLINT*, read_kind);

diag_record screen_value(std::int64_t id, std::string_view name, SQLPOINTER value) {
    if (id != app_wchar_type) return diag_record::success();
    const auto requested = reinterpret_cast<std::uintptr_t>(value);
    if (requested == 2) return diag_record::success();
    if (requested == 1) return optional_attribute(id, name);
    return diag_record(diag::state::invalid_attribute_value,
                       fmt::format("Unknown value: {}({}):{}", id, name, requested));
}

attribute_value with_argument(const attribute_value& type, SQLPOINTER value, std::int64_t string_length) {
    const auto bits = reinterpret_cast<std::uintptr_t>(value);
    return std::visit(
        [&](const auto& current) -> attribute_value {
            using T = std::decay_t<decltype(current)>;
            if constexpr (std::is_same_v<T, SQLPOINTER>) {
                return value;
            } else if constexpr (std::is_same_v<T, std::string>) {
                // A null pointer is empty text; SQL_NTS runs to the terminating zero, a length of
                // zero or more is exact, and any other negative length leaves the value as it was.
                const auto* chars = static_cast<const char*>(value);
                if (string_length >= 0)
                    return chars == nullptr ? std::string()
                                            : std::string(chars, static_cast<std::size_t>(string_length));
                if (string_length == SQL_NTS) return chars == nullptr ? std::string() : std::string(chars);
                return current;
            } else {
                // Integers travel in the pointer's bits; the type keeps as many as it is wide.
                return static_cast<T>(bits);
            }
        },
        type);
}

}  // namespace attributes::detail
