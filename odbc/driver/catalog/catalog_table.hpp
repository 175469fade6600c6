#pragma once
// A catalog answer as a table: its columns fixed first (name and kind), then its rows, each row
// one value per column in column order. Every catalog function describes its answer this way and
// installs it on the statement, where it is described and fetched like a query result.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "handle/statement.hpp"
#include "statement/result_table.hpp"

namespace catalog {

// The kinds of cells a catalog column holds.
enum class cell_kind {
    sshort,     // SMALLINT: signed 16-bit
    slong,      // INTEGER: signed 32-bit
    bigint,     // BIGINT: signed 64-bit
    text,       // VARCHAR: owned text
    text_view,  // VARCHAR: text of static storage, not copied
};

struct column_spec {
    std::string_view name;
    cell_kind kind;
};

// The value of a NULL cell.
struct null_value {};
inline constexpr null_value null{};

// One cell of a row: NULL, a number for a numeric column, a text for a text column.
using cell_value = std::variant<null_value, std::int64_t, std::string_view>;

class catalog_table {
public:
    // An answer with the given columns and no rows yet; `expected_rows` reserves room.
    explicit catalog_table(std::span<const column_spec> columns, std::size_t expected_rows = 0);

    // Appends a row: exactly one value per column. A number must fit its column's kind and a text
    // go to a text column; anything else is a fault of the driver (std::logic_error).
    void add_row(std::initializer_list<cell_value> row);

    [[nodiscard]] std::size_t row_count() const noexcept { return rows_; }
    // The columns, described by their kinds; the table is left without columns.
    [[nodiscard]] std::vector<result_column> take_columns();

private:
    std::span<const column_spec> specs_;
    std::vector<column_data> cells_;
    std::size_t rows_ = 0;
};

// Replaces the statement's result by a catalog answer: its columns, in order, and `row_count`
// rows. A cursor on a row of the previous result stays where it is (an application closes it
// before a catalog call, which puts it before the first row); a cursor past the previous result's
// end is put before the first row. Column bindings stay; SQLGetData starts over.
void install_catalog_result(handle::statement& stmt, std::vector<result_column> columns, std::int64_t row_count);

// Installs the whole table, every row of it.
void install_catalog_result(handle::statement& stmt, catalog_table table);

// Keeps the statement's columns and leaves it without rows: the answer of a catalog call that
// names no table where it needs one.
void keep_columns_without_rows(handle::statement& stmt);

}  // namespace catalog
