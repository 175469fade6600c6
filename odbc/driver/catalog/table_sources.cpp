#include "catalog/table_sources.hpp"

#include <algorithm>

#include <fmt/format.h>

#include "client/client_gate.hpp"
#include "logger/logger.hpp"

namespace catalog {

namespace {

// The text of a cell that holds one (a string or a blob); null for any other cell, whose payload
// is no text.
const char* text_of(const vdl_cell& cell, std::size_t& length) noexcept {
    if (cell.kind == VDL_CELL_STRING) {
        length = cell.payload.as_string.length;
        return cell.payload.as_string.data;
    }
    if (cell.kind == VDL_CELL_BLOB) {
        length = cell.payload.as_blob.length;
        return static_cast<const char*>(cell.payload.as_blob.data);
    }
    return nullptr;
}

}  // namespace

std::vector<std::string> list_tables(handle::statement& stmt) {
    log_line(logger::level::debug, "call 'SHOW TABLES;'");
    // Only the record tells: a store that cannot list its tables gives none.
    const library_result result = client::query(stmt, "show tables;").result;
    std::vector<std::string> tables;
    if (!result) {
        log_line(logger::level::error, "no tables in the database...");
        return tables;
    }
    if (result->column_count == 0) return tables;
    tables.reserve(result->row_count);
    for (std::uint32_t r = 0; r < result->row_count; ++r) {
        std::size_t length = 0;
        if (const char* name = text_of(result->rows[r][0], length)) tables.emplace_back(name, length);
    }
    return tables;
}

name_filter pattern_argument(const handle::statement& stmt, std::string_view argument) {
    return name_filter(argument, stmt.metadata_id == SQL_TRUE ? argument_kind::identifier : argument_kind::pattern);
}

name_filter name_argument(const handle::statement& stmt, std::string_view argument) {
    return name_filter(argument, stmt.metadata_id == SQL_TRUE ? argument_kind::identifier : argument_kind::exact);
}

void keep_matching(std::vector<std::string>& tables, const name_filter& filter) {
    std::erase_if(tables, [&](const std::string& name) { return !filter.matches(name); });
    std::sort(tables.begin(), tables.end());
}

library_metadata get_table_metadata(handle::statement& stmt, std::string_view table) {
    // The store reads the name up to its first zero byte: a name holding one names no table.
    if (table.find('\0') != std::string_view::npos) {
        log_line(logger::level::error, "could not get metadata for {}: {}", table, "the name holds a zero byte");
        return nullptr;
    }
    const std::string name(table);
    auto [status, metadata] = client::table_metadata(stmt, name);
    if (status != VDL_OK) log_line(logger::level::error, "could not get metadata for {}: {}", name, vdl_error(status));
    return std::move(metadata);
}

std::span<const vdl_column_meta> columns_of(const library_metadata& metadata) noexcept {
    if (!metadata || metadata->columns == nullptr) return {};
    return {metadata->columns, metadata->column_count};
}

std::string_view name_of(const vdl_column_meta& column) noexcept {
    return column.name != nullptr ? std::string_view(column.name) : std::string_view();
}

}  // namespace catalog
