#pragma once
// Attribute tables: per handle kind, the rows that name each attribute, fix its type and
// default, and bind the few that reach the handle's real state.

#include <sql.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <variant>

#include "attributes/attribute_value.hpp"

namespace handle {
struct connection;
}  // namespace handle

namespace attributes {

// A default as a constant holds it: attribute_value with its text as a view, alternative for
// alternative, so that a table of rows can be checked when the driver is compiled.
using constant_value =
    std::variant<SQLPOINTER, std::string_view, std::uint32_t, std::int32_t, std::uint16_t, std::int16_t, SQLULEN>;
static_assert(std::variant_size_v<constant_value> == std::variant_size_v<attribute_value>);

// The attribute_value of a constant: the same alternative, its text copied.
inline attribute_value value_of(const constant_value& constant) {
    return std::visit(
        [](auto v) -> attribute_value {
            if constexpr (std::is_same_v<decltype(v), std::string_view>) {
                return std::string(v);
            } else {
                return v;
            }
        },
        constant);
}

// One row. The value is the attribute's default and, through its alternative, its type for
// reads and writes; a set never changes it. A getter, when present, supplies what a read
// reports; a setter, when present, receives the value of a successful write. Both take the
// handle the row is read or written through.
template <typename Owner, typename Value = attribute_value>
struct attribute_entry {
    std::int32_t id = 0;
    std::string_view name;
    Value value;
    bool optional = false;  // recognised but not implemented
    attribute_value (*getter)(Owner&) = nullptr;
    void (*setter)(Owner&, const attribute_value&) = nullptr;
};

// A row as a handle kind's table is written: a constant, checked when the driver is compiled.
template <typename Owner>
using attribute_row = attribute_entry<Owner, constant_value>;

// Identifier to row, filled once from the rows in the order given: a row whose identifier is
// already present is skipped, so the first row for an identifier wins. Never changed after.
template <typename Owner, typename Key = SQLINTEGER>
class attribute_table {
public:
    using entry = attribute_entry<Owner>;

    attribute_table(std::initializer_list<entry> rows) : attribute_table(std::span(rows.begin(), rows.size())) {}
    explicit attribute_table(std::span<const entry> rows) {
        rows_.reserve(rows.size());
        for (const auto& row : rows) rows_.try_emplace(static_cast<Key>(row.id), row);
    }
    // From constant rows, each default made an attribute_value.
    explicit attribute_table(std::span<const attribute_row<Owner>> rows) {
        rows_.reserve(rows.size());
        for (const auto& row : rows)
            rows_.try_emplace(static_cast<Key>(row.id), entry{.id = row.id,
                                                              .name = row.name,
                                                              .value = value_of(row.value),
                                                              .optional = row.optional,
                                                              .getter = row.getter,
                                                              .setter = row.setter});
    }

    // The row of `id`, or null when the table has none.
    [[nodiscard]] const entry* find(Key id) const {
        const auto it = rows_.find(id);
        return it == rows_.end() ? nullptr : &it->second;
    }

private:
    std::unordered_map<Key, entry> rows_;
};

// The answers of SQLGetInfo, keyed by the 16-bit information type.
using info_table = attribute_table<handle::connection, SQLUSMALLINT>;

}  // namespace attributes
