#pragma once
// What the catalog answers from: the store's list of tables and the metadata of one table.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/name_filter.hpp"
#include "diagnostics/diag_record.hpp"
#include "handle/statement.hpp"
#include "statement/result_table.hpp"

namespace catalog {

// The store's tables, in the order it lists them ("show tables;"); empty when it gives no list.
std::vector<std::string> list_tables(handle::statement& stmt);

// How a catalog call reads a name argument: a search pattern, or an ordinary argument that names
// one name exactly; with SQL_ATTR_METADATA_ID on, either is an identifier.
name_filter pattern_argument(const handle::statement& stmt, std::string_view argument);
name_filter name_argument(const handle::statement& stmt, std::string_view argument);

// Keeps the tables the filter picks, in name order. A name that picks none leaves none: the
// answer of a catalog call about a missing table is empty, not a failure.
void keep_matching(std::vector<std::string>& tables, const name_filter& filter);

// The columns of a table, or null when the store cannot tell them (an unknown table); the failure
// is logged.
library_metadata get_table_metadata(handle::statement& stmt, std::string_view table);

// The columns of a metadata record; none for a null record.
std::span<const vdl_column_meta> columns_of(const library_metadata& metadata) noexcept;

// The name of a metadata column; empty when the store gives none.
std::string_view name_of(const vdl_column_meta& column) noexcept;

// Calls row(table, column, position) for every column that `columns` picks of every table that
// `tables` picks: in table name order, then in each table's order of columns, the position
// counting every column of the table from 1. A table that does not exist has none.
template <typename Row>
void for_each_column(handle::statement& stmt, const name_filter& tables, const name_filter& columns, Row&& row) {
    auto names = list_tables(stmt);
    keep_matching(names, tables);
    for (const auto& name : names) {
        const auto metadata = get_table_metadata(stmt, name);
        std::int64_t position = 0;
        for (const auto& c : columns_of(metadata)) {
            ++position;
            if (columns.matches(name_of(c))) row(name, c, position);
        }
    }
}

}  // namespace catalog
