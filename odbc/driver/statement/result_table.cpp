#include "statement/result_table.hpp"

#include <array>

namespace {

// The kind names are the driver's own (messages name them); the type names are those of the
// store's types, which CREATE TABLE takes and SQLGetTypeInfo lists.
constexpr std::array<kind_description, 12> kinds{{
    {"SQL_NULL_DATA", "STRING", SQL_CHAR, SQL_C_CHAR, 0, 0},
    {"SQL_SSHORT", "INT64", SQL_SMALLINT, SQL_C_SSHORT, 6, 5},
    {"SQL_USHORT", "INT64", SQL_SMALLINT, SQL_C_USHORT, 5, 5},
    {"SQL_LONG", "INT64", SQL_INTEGER, SQL_C_LONG, 11, 10},
    {"SQL_ULONG", "INT64", SQL_INTEGER, SQL_C_ULONG, 10, 10},
    {"SQL_BIGINT", "INT64", SQL_BIGINT, SQL_C_SBIGINT, 20, 19},
    {"SQL_UBIGINT", "INT64", SQL_BIGINT, SQL_C_UBIGINT, 19, 20},
    {"SQL_FLOAT", "DOUBLE", SQL_FLOAT, SQL_C_FLOAT, 14, 24},
    {"SQL_DOUBLE", "DOUBLE", SQL_DOUBLE, SQL_C_DOUBLE, 24, 53},
    {"SQL_CHAR", "STRING", SQL_CHAR, SQL_C_CHAR, 0, 0},
    {"SQL_CHAR", "STRING", SQL_CHAR, SQL_C_CHAR, 0, 0},
    // Sized for ODBC's text of a timestamp with nine fraction digits, yyyy-mm-dd hh:mm:ss.fffffffff.
    {"SQL_TYPE_TIMESTAMP", "TIMESTAMP", SQL_TYPE_TIMESTAMP, SQL_C_TYPE_TIMESTAMP, 29, 0},
}};
static_assert(kinds.size() == std::variant_size_v<column_data>, "one description per kind of column");

// The fraction digits of a timestamp: nanoseconds.
constexpr std::int32_t timestamp_fraction_digits = 9;

// The longest value's length; NULL cells have none and do not count. 0 without values.
template <typename Cells>
std::int32_t text_width(const Cells& c) {
    std::size_t width = 0;
    for (std::size_t r = 0; r < c.values.size(); ++r) {
        if (c.values.has_value(r) && c.values.value(r).size() > width) width = c.values.value(r).size();
    }
    return static_cast<std::int32_t>(width);
}

}  // namespace

std::size_t cell_count(const column_data& data) noexcept {
    return std::visit(
        [](const auto& c) -> std::size_t {
            if constexpr (std::is_same_v<std::decay_t<decltype(c)>, no_cells>) {
                return 0;
            } else {
                return c.values.size();
            }
        },
        data);
}

const kind_description& describe_kind(std::size_t kind) noexcept { return kinds.at(kind < kinds.size() ? kind : 0); }

result_column result_column::of(std::string name, column_data data) {
    result_column c;
    c.name = std::move(name);
    c.data = std::move(data);
    c.describe_from_data();
    return c;
}

void result_column::describe_from_data() {
    const auto& k = describe_kind(data.index());
    type_name = k.type_name;
    sql_type = k.sql_type;
    c_type = k.c_type;
    precision = k.precision;
    radix = k.precision;
    decimal_digits = std::holds_alternative<timestamp_cells>(data) ? timestamp_fraction_digits : 0;
    if (const auto* t = std::get_if<text_cells>(&data)) {
        column_size = text_width(*t);
    } else if (const auto* v = std::get_if<text_view_cells>(&data)) {
        column_size = text_width(*v);
    } else {
        column_size = k.column_size;
    }
}

void widen_text_columns(std::vector<result_column>& columns, std::int32_t size) noexcept {
    for (auto& c : columns)
        if (c.sql_type == SQL_CHAR && c.column_size < size) c.column_size = size;
}
