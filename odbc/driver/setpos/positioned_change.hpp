#pragma once
// The UPDATE and DELETE that change one fetched row. The store has no updatable cursors, so the
// row is named by the values its bound columns held when it was fetched (the WHERE clause), and
// the new values are those the application put into the bound buffers (the SET clause).
//
// Everything here is a function of its inputs: the table text, the bound columns' current cells
// and new values. Literals:
//   integers          decimal
//   floating values   the shortest form that reads back to the same double (a float is widened
//                     first); NaN and infinities have no literal
//   texts             'text', every ' doubled; a zero byte has no literal
//   timestamps        DATETIME(YYYY-MM-DDTHH:MM:SS.nnnnnnnnnZ)
//   dates             DATETIME(YYYY-MM-DDT00:00:00)
//   times of day      DATETIME(1900-01-00THH:MM:SS)
// A NULL cell gives no WHERE term, and a column without a new value no SET term.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "buffers/application_value.hpp"
#include "statement/result_table.hpp"

namespace setpos {

// A cell of the current row: nothing for NULL, else its value.
using cell_value =
    std::variant<std::monostate, std::int64_t, std::uint64_t, float, double, std::string_view, timestamp_value>;

// The cell of `data` at `row`; nothing for a NULL cell, a column of kind 0 and a row past the end.
cell_value cell_at(const column_data& data, std::size_t row) noexcept;

// A literal, or why the value has none.
using literal = std::variant<std::string, buffers::value_refusal>;

// The literal a WHERE term compares the column with; empty for NULL.
literal current_literal(const cell_value& cell);

// The literal a SET term assigns; empty for NULL and for C types without a literal.
literal new_literal(const buffers::application_value& value);

// One bound column of the current row.
struct bound_column {
    std::string_view name;
    cell_value current;
    // The value in the application's buffer; none for a delete, and for a buffer that holds no
    // value to write (no buffer or indicator, a negative indicator).
    std::optional<buffers::application_value> replacement;
};

enum class change_kind { update, remove };

struct generated_change {
    std::string text;
    // The query that counts the rows the change would touch: "SELECT count(*) FROM {table} {where};",
    // the same table text and WHERE clause as the change.
    std::string count_text;
    // Every clause the change needs has a term: an update a SET and a WHERE term, a delete a
    // WHERE term. An incomplete text is not to be run.
    bool complete = false;
};

// "UPDATE {table} SET a=1, b=2 WHERE c=3 AND d=4 ;" or "DELETE FROM {table} WHERE c=3 ;", and the count
// of the rows it would touch, "SELECT count(*) FROM {table} WHERE c=3 AND d=4 ;". WHERE terms
// come from every column whose cell is not NULL, SET terms from every new value whose literal
// differs from the current one. A value without a literal is refused, naming its column.
std::variant<generated_change, buffers::value_refusal> generate(change_kind kind, std::string_view table,
                                                                std::span<const bound_column> columns);

// The table of a statement text: what follows the first "FROM" and the one character after it,
// to the end of the text; empty when there is no "FROM". Throws std::out_of_range when "FROM"
// ends the text.
std::string table_text(std::string_view statement_text);

}  // namespace setpos
