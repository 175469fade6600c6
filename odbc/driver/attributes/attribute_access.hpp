#pragma once
// The one reader and the one writer of attribute tables, shared by the environment,
// connection and statement attributes and by SQLGetInfo.

#include <sql.h>

#include <cstdint>
#include <string_view>

#include "attributes/attribute_table.hpp"
#include "attributes/attribute_value.hpp"
#include "diagnostics/diag_record.hpp"
#include "logger/logger.hpp"

namespace attributes {

// Whom a read answers. The attribute functions take 32-bit lengths and accept the
// binary-attribute form of negative buffer lengths; SQLGetInfo takes 16-bit lengths, ignores
// negative buffer lengths, and logs its reads as information requests.
enum class read_kind { attribute, info };

namespace detail {

diag_record unknown_attribute(std::int64_t id);
diag_record optional_attribute(std::int64_t id, std::string_view name);
// 01S02 for a write whose value the attribute did not take: it reads back `in_force`.
diag_record value_changed(std::int64_t id, std::string_view name, const attribute_value& requested,
                          const attribute_value& in_force);

// Writes a value to the caller's buffer by its alternative; strings report their length.
template <typename Length>
void write_out(const attribute_value& value, void* value_ptr, std::int64_t buffer_length, Length* length_ptr,
               read_kind kind);

// Attribute 1061 (SQL_ATTR_APP_WCHAR_TYPE) accepts only 2; success for every other attribute.
diag_record screen_value(std::int64_t id, std::string_view name, SQLPOINTER value);

// The row's type filled with the caller's ValuePtr argument: an integer from its bits, a
// pointer as it is, a string from the characters it points to.
attribute_value with_argument(const attribute_value& type, SQLPOINTER value, std::int64_t string_length);

}  // namespace detail

// Reads attribute `id` of `owner` through its table into the caller's buffer.
template <typename Owner, typename Key, typename Length>
diag_record get_attribute(const attribute_table<Owner, Key>& table, Owner& owner, Key id, SQLPOINTER value_ptr,
                          std::int64_t buffer_length, Length* length_ptr, read_kind kind = read_kind::attribute) {
    const auto* row = table.find(id);
    if (row == nullptr) return detail::unknown_attribute(id);
    if (row->optional) return detail::optional_attribute(id, row->name);
    if (kind == read_kind::info) {
        log_line(logger::level::debug, "Get info: {}({})", id, row->name);
    } else {
        log_line(logger::level::debug, "Get attribute: {}({})", id, row->name);
    }
    if (row->getter != nullptr) {
        detail::write_out(row->getter(owner), value_ptr, buffer_length, length_ptr, kind);
    } else {
        detail::write_out(row->value, value_ptr, buffer_length, length_ptr, kind);
    }
    return diag_record::success();
}

// Writes attribute `id` of `owner`. Only a row with a setter changes anything: every other
// row keeps reporting its default. The value in force afterwards (the getter's, else the
// default) is compared with the value asked for: a value that was not kept gives 01S02, so an
// application learns that the driver cannot honour it (autocommit off, a read-only access mode,
// a scrollable cursor type ...). A setter without a getter keeps what it is given.
template <typename Owner, typename Key>
diag_record set_attribute(const attribute_table<Owner, Key>& table, Owner& owner, Key id, SQLPOINTER value,
                          std::int64_t string_length) {
    const auto* row = table.find(id);
    if (row == nullptr) return detail::unknown_attribute(id);
    if (row->optional) return detail::optional_attribute(id, row->name);
    log_line(logger::level::debug, "Set attribute: {}({})", id, row->name);
    if (auto screened = detail::screen_value(id, row->name, value); !screened.ok()) return screened;
    const attribute_value requested = detail::with_argument(row->value, value, string_length);
    if (row->setter != nullptr) row->setter(owner, requested);
    if (row->setter != nullptr && row->getter == nullptr) return diag_record::success();
    const attribute_value in_force = row->getter != nullptr ? row->getter(owner) : row->value;
    if (in_force == requested) return diag_record::success();
    return detail::value_changed(id, row->name, requested, in_force);
}

}  // namespace attributes
