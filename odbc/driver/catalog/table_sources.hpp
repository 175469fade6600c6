#pragma once
// What the catalog answers from: the store's list of tables and the metadata of one table.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/diag_record.hpp"
#include "handle/statement.hpp"
#include "statement/result_table.hpp"

namespace catalog {

// The store's tables, in the order it lists them ("show tables;"); empty when it gives no list.
std::vector<std::string> list_tables(handle::statement& stmt);

// Narrows the list to the table argument: empty or "%" keeps every table, any other text names
// exactly one table (byte for byte, case-sensitive); a name not in the list fails with HY000
// "Could not find table {}.". No other pattern is understood.
diag_record select_table(std::vector<std::string>& tables, std::string_view table);

// The columns of a table, or null when the store cannot tell them (an unknown table); the failure
// is logged.
library_metadata get_table_metadata(handle::statement& stmt, std::string_view table);

// The columns of a metadata record; none for a null record.
std::span<const vdl_column_meta> columns_of(const library_metadata& metadata) noexcept;

// The name of a metadata column; empty when the store gives none.
std::string_view name_of(const vdl_column_meta& column) noexcept;

}  // namespace catalog
