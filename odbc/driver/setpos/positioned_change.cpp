#include "setpos/positioned_change.hpp"

#include <cmath>
#include <iterator>
#include <type_traits>
#include <utility>

#include <fmt/format.h>

#include "fetch/cell_converters.hpp"
#include "statement/parameter_literal.hpp"

namespace setpos {

namespace {

using buffers::value_refusal;

// Every double has a decimal form that reads back to it; NaN and the infinities have none in the
// query language (and NaN equals nothing, so no WHERE term could name it).
literal floating_literal(double value) {
    if (!std::isfinite(value))
        return value_refusal{diag::state::general_error, fmt::format("{} has no literal in a statement text", value)};
    return fmt::format("{}", value);
}

literal text_literal(std::string_view text) {
    std::string out;
    if (auto refusal = append_text_literal(out, text)) return *std::move(refusal);
    return out;
}

template <typename... Args>
std::string datetime(fmt::format_string<Args...> pattern, Args&&... args) {
    std::string out = "DATETIME(";
    fmt::format_to(std::back_inserter(out), pattern, std::forward<Args>(args)...);
    out.push_back(')');
    return out;
}

}  // namespace

cell_value cell_at(const column_data& data, std::size_t row) noexcept {
    return std::visit(
        [row](const auto& cells) -> cell_value {
            using cells_type = std::decay_t<decltype(cells)>;
            if constexpr (std::is_same_v<cells_type, no_cells>) {
                return std::monostate{};
            } else {
                if (row >= cells.values.size() || !cells.values.has_value(row)) return std::monostate{};
                const auto& value = cells.values.value(row);
                using value_type = typename cells_type::value_type;
                if constexpr (std::is_same_v<value_type, std::string>) {
                    return std::string_view(value);
                } else if constexpr (std::is_integral_v<value_type> && std::is_signed_v<value_type>) {
                    return std::int64_t{value};
                } else if constexpr (std::is_integral_v<value_type>) {
                    return std::uint64_t{value};
                } else {
                    return value;  // float, double, text view, timestamp
                }
            }
        },
        data);
}

literal current_literal(const cell_value& cell) {
    return std::visit(
        [](const auto& value) -> literal {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return std::string();
            } else if constexpr (std::is_integral_v<T>) {
                return fmt::format("{}", value);
            } else if constexpr (std::is_floating_point_v<T>) {
                return floating_literal(static_cast<double>(value));
            } else if constexpr (std::is_same_v<T, std::string_view>) {
                return text_literal(value);
            } else {
                conversion::text_buffer text;
                return fmt::format("DATETIME({})", conversion::store_timestamp_text(value, text));
            }
        },
        cell);
}

literal new_literal(const buffers::application_value& value) {
    return std::visit(
        [](const auto& v) -> literal {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, buffers::null_value>) {
                return std::string();
            } else if constexpr (std::is_integral_v<T>) {
                return fmt::format("{}", v);
            } else if constexpr (std::is_floating_point_v<T>) {
                return floating_literal(static_cast<double>(v));
            } else if constexpr (std::is_same_v<T, buffers::text_value> || std::is_same_v<T, buffers::binary_value>) {
                return text_literal(v.bytes);
            } else if constexpr (std::is_same_v<T, SQL_DATE_STRUCT>) {
                return datetime("{:04d}-{:02d}-{:02d}T00:00:00", v.year, v.month, v.day);
            } else if constexpr (std::is_same_v<T, SQL_TIME_STRUCT>) {
                // A time of day has no date: the text reads 1900-01-00.
                return datetime("1900-01-00T{:02d}:{:02d}:{:02d}", v.hour, v.minute, v.second);
            } else {
                // The form of a current timestamp, fraction included, so that an unchanged value is
                // seen as one and a changed one is written whole.
                return datetime("{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}.{:09d}Z", v.year, v.month, v.day, v.hour,
                                v.minute, v.second, v.fraction);
            }
        },
        value);
}

std::variant<generated_change, value_refusal> generate(change_kind kind, std::string_view table,
                                                       std::span<const bound_column> columns) {
    std::string set_clause;
    std::string where_clause;
    const auto refused = [](std::string_view column, value_refusal refusal) {
        refusal.reason = fmt::format("column {}: {}", column, refusal.reason);
        return refusal;
    };
    for (const bound_column& column : columns) {
        literal current = current_literal(column.current);
        if (auto* refusal = std::get_if<value_refusal>(&current)) return refused(column.name, std::move(*refusal));
        const auto& current_text = std::get<std::string>(current);
        if (!current_text.empty())
            fmt::format_to(std::back_inserter(where_clause), "{} {}={} ", where_clause.empty() ? "WHERE" : "AND",
                           column.name, current_text);

        if (kind != change_kind::update || !column.replacement) continue;
        literal replacement = new_literal(*column.replacement);
        if (auto* refusal = std::get_if<value_refusal>(&replacement)) return refused(column.name, std::move(*refusal));
        const auto& new_text = std::get<std::string>(replacement);
        if (!new_text.empty() && new_text != current_text)
            fmt::format_to(std::back_inserter(set_clause), "{} {}={}", set_clause.empty() ? "SET" : ",", column.name,
                           new_text);
    }
    std::string count_text = fmt::format("SELECT count(*) FROM {} {};", table, where_clause);
    if (kind == change_kind::update)
        return generated_change{fmt::format("UPDATE {} {} {};", table, set_clause, where_clause), std::move(count_text),
                                !set_clause.empty() && !where_clause.empty()};
    return generated_change{fmt::format("DELETE FROM {} {};", table, where_clause), std::move(count_text),
                            !where_clause.empty()};
}

std::string table_text(std::string_view statement_text) {
    const auto from = statement_text.find("FROM");
    if (from == std::string_view::npos) return std::string();
    return std::string(statement_text.substr(from + 5));
}

}  // namespace setpos
