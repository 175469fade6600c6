#include "catalog/catalog_table.hpp"

#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include <fmt/format.h>

#include "statement/result_installation.hpp"

namespace catalog {

namespace {

column_data empty_cells(cell_kind kind) {
    switch (kind) {
    case cell_kind::sshort: return sshort_cells{};
    case cell_kind::slong: return slong_cells{};
    case cell_kind::bigint: return bigint_cells{};
    case cell_kind::text: return text_cells{};
    case cell_kind::text_view: return text_view_cells{};
    }
    throw std::logic_error("unknown catalog cell kind");
}

[[noreturn]] void wrong_value(const column_spec& spec) {
    throw std::logic_error(fmt::format("catalog column {} cannot hold the value given", spec.name));
}

// Appends one value to the cells of a column: NULL to any column, a number that fits to a numeric
// column, a text to a text column.
template <typename Cells>
void append(Cells& cells, const cell_value& value, const column_spec& spec) {
    using cells_type = std::decay_t<Cells>;
    if constexpr (std::is_same_v<cells_type, no_cells>) {
        wrong_value(spec);
    } else {
        using T = typename cells_type::value_type;
        if (std::holds_alternative<null_value>(value)) {
            cells.values.emplace_back();
        } else if constexpr (std::is_integral_v<T>) {
            const auto* number = std::get_if<std::int64_t>(&value);
            if (number == nullptr || !std::in_range<T>(*number)) wrong_value(spec);
            cells.values.emplace_back(static_cast<T>(*number));
        } else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::string_view>) {
            const auto* text = std::get_if<std::string_view>(&value);
            if (text == nullptr) wrong_value(spec);
            cells.values.emplace_back(T(*text));
        } else {
            wrong_value(spec);
        }
    }
}

}  // namespace

catalog_table::catalog_table(std::span<const column_spec> columns, std::size_t expected_rows) : specs_(columns) {
    cells_.reserve(columns.size());
    for (const auto& spec : columns) {
        cells_.push_back(empty_cells(spec.kind));
        std::visit(
            [&](auto& c) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(c)>, no_cells>) c.values.reserve(expected_rows);
            },
            cells_.back());
    }
}

void catalog_table::add_row(std::initializer_list<cell_value> row) {
    if (row.size() != specs_.size())
        throw std::logic_error(fmt::format("a catalog row of {} values for {} columns", row.size(), specs_.size()));
    auto value = row.begin();
    for (std::size_t c = 0; c < specs_.size(); ++c, ++value)
        std::visit([&](auto& cells) { append(cells, *value, specs_[c]); }, cells_[c]);
    ++rows_;
}

std::vector<result_column> catalog_table::take_columns() {
    std::vector<result_column> columns;
    columns.reserve(specs_.size());
    for (std::size_t c = 0; c < specs_.size() && c < cells_.size(); ++c)
        columns.push_back(result_column::of(std::string(specs_[c].name), std::move(cells_[c])));
    cells_.clear();
    return columns;
}

void install_catalog_result(handle::statement& stmt, std::vector<result_column> columns, std::int64_t row_count) {
    // A cursor on a row of the previous result stays there: an application closes it before a
    // catalog call (the Driver Manager refuses the call until then). One that has run past the end
    // (the application read the result to SQL_NO_DATA, after which the Driver Manager lets the call
    // through without a close) would leave the new answer unreadable: it starts before its first
    // row instead.
    if (static_cast<std::uint64_t>(stmt.cursor.current_row) >= static_cast<std::uint64_t>(stmt.result.row_count))
        stmt.cursor.close();
    // A catalog answer owns its texts: it keeps no library result alive.
    execution::install_result(stmt, result_table{std::move(columns), nullptr}, row_count,
                              execution::cursor_placement::unchanged);
}

void install_catalog_result(handle::statement& stmt, catalog_table table) {
    const auto rows = static_cast<std::int64_t>(table.row_count());
    install_catalog_result(stmt, table.take_columns(), rows);
}

void keep_columns_without_rows(handle::statement& stmt) {
    // The table is handed back to the one install, which keeps its library result alive with it.
    execution::install_result(stmt, std::move(stmt.result.table), 0, execution::cursor_placement::unchanged);
}

}  // namespace catalog
