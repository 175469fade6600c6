#pragma once
// The one heap object behind every ODBC handle: a tagged union of the four kinds.

#include <sql.h>

#include <cstdint>
#include <string_view>
#include <utility>
#include <variant>

#include "handle/connection.hpp"
#include "handle/descriptor.hpp"
#include "handle/environment.hpp"
#include "handle/statement.hpp"

struct variant_handle {
    // Alternative order fixes the kind index: descriptor 0, environment 1, connection 2, statement 3.
    std::variant<handle::descriptor, handle::environment, handle::connection, handle::statement> record;

    template <typename Kind>
    explicit variant_handle(Kind&& k) : record(std::forward<Kind>(k)) {}

    template <typename Kind>
    [[nodiscard]] Kind* get_if() noexcept {
        return std::get_if<Kind>(&record);
    }

    // Every kind begins with the common members.
    [[nodiscard]] handle::base& common() noexcept {
        return std::visit([](auto& k) -> handle::base& { return k; }, record);
    }
};

// Applies the visitor's operation for the handle's kind.
template <typename Visitor>
decltype(auto) visit_handle(variant_handle& h, Visitor&& visitor) {
    return std::visit(std::forward<Visitor>(visitor), h.record);
}

namespace handle {
// Name of an ODBC handle type, for log lines and messages.
std::string_view type_name(SQLSMALLINT handle_type) noexcept;
}  // namespace handle
