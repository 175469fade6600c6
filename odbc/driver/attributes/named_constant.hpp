#pragma once
// A header constant and its name, written once: VDL_NAMED(SQL_X) stands for `SQL_X, "SQL_X"`, so
// a table row pairing a number with its name cannot pair it with another name or number.
// VDL_NAMED_ID(SQL_X) is the same for a row written with designated initializers:
// `.id = SQL_X, .name = "SQL_X"`.

#include <algorithm>
#include <iterator>
#include <string_view>

#define VDL_NAMED(constant) (constant), #constant
#define VDL_NAMED_ID(constant) .id = (constant), .name = #constant

namespace named {

// A row of a table that only names numbers.
template <typename Id>
struct constant {
    Id id;
    std::string_view name;
};

// The name of `id` in the rows; empty when none has it.
template <typename Rows, typename Id>
constexpr std::string_view name_of(const Rows& rows, Id id) noexcept {
    for (const auto& row : rows)
        if (row.id == id) return row.name;
    return {};
}

// Whether the rows' identifiers rise strictly, so that no identifier is written twice.
template <typename Rows>
constexpr bool ids_rise(const Rows& rows) noexcept {
    return std::adjacent_find(std::begin(rows), std::end(rows),
                              [](const auto& a, const auto& b) { return a.id >= b.id; }) == std::end(rows);
}

// Whether the rows' names rise strictly, as in a table kept in order of name.
template <typename Rows>
constexpr bool names_rise(const Rows& rows) noexcept {
    return std::adjacent_find(std::begin(rows), std::end(rows),
                              [](const auto& a, const auto& b) { return a.name >= b.name; }) == std::end(rows);
}

namespace detail {

// Whether no two rows have equal fields, whatever their order.
template <typename Rows, typename Field>
constexpr bool none_repeated(const Rows& rows, Field field) noexcept {
    for (auto a = std::begin(rows); a != std::end(rows); ++a)
        for (auto b = std::next(a); b != std::end(rows); ++b)
            if (field(*a) == field(*b)) return false;
    return true;
}

}  // namespace detail

// Whether no identifier appears in two rows, whatever their order.
template <typename Rows>
constexpr bool ids_unique(const Rows& rows) noexcept {
    return detail::none_repeated(rows, [](const auto& row) { return row.id; });
}

// Whether no name appears in two rows, whatever their order.
template <typename Rows>
constexpr bool names_unique(const Rows& rows) noexcept {
    return detail::none_repeated(rows, [](const auto& row) { return std::string_view(row.name); });
}

}  // namespace named
