// SQLNumResultCols, SQLDescribeCol and SQLColAttribute(s): the shape of the current result.

#include <sqlext.h>

#include <array>
#include <optional>
#include <utility>
#include <variant>

#include <fmt/format.h>

#include "attributes/named_constant.hpp"
#include "diagnostics/copy_out_string.hpp"
#include "logger/logger.hpp"
#include "statement/execution.hpp"
#include "statement/statement_operations.hpp"

namespace statement_ops {

namespace {

// The fields by number, for the log.
constexpr auto field_names = std::to_array<named::constant<SQLUSMALLINT>>({
    {VDL_NAMED(SQL_COLUMN_COUNT)},
    {VDL_NAMED(SQL_COLUMN_NAME)},
    {VDL_NAMED(SQL_DESC_CONCISE_TYPE)},
    {VDL_NAMED(SQL_COLUMN_LENGTH)},
    {VDL_NAMED(SQL_COLUMN_PRECISION)},
    {VDL_NAMED(SQL_COLUMN_SCALE)},
    {VDL_NAMED(SQL_DESC_DISPLAY_SIZE)},
    {VDL_NAMED(SQL_COLUMN_NULLABLE)},
    {VDL_NAMED(SQL_DESC_UNSIGNED)},
    {VDL_NAMED(SQL_DESC_FIXED_PREC_SCALE)},
    {VDL_NAMED(SQL_DESC_UPDATABLE)},
    {VDL_NAMED(SQL_DESC_AUTO_UNIQUE_VALUE)},
    {VDL_NAMED(SQL_DESC_CASE_SENSITIVE)},
    {VDL_NAMED(SQL_DESC_SEARCHABLE)},
    {VDL_NAMED(SQL_DESC_TYPE_NAME)},
    {VDL_NAMED(SQL_DESC_TABLE_NAME)},
    {VDL_NAMED(SQL_DESC_SCHEMA_NAME)},
    {VDL_NAMED(SQL_DESC_CATALOG_NAME)},
    {VDL_NAMED(SQL_DESC_LABEL)},
    {VDL_NAMED(SQL_DESC_ARRAY_SIZE)},
    {VDL_NAMED(SQL_DESC_ARRAY_STATUS_PTR)},
    {VDL_NAMED(SQL_DESC_BASE_COLUMN_NAME)},
    {VDL_NAMED(SQL_DESC_BASE_TABLE_NAME)},
    {VDL_NAMED(SQL_DESC_BIND_OFFSET_PTR)},
    {VDL_NAMED(SQL_DESC_BIND_TYPE)},
    {VDL_NAMED(SQL_DESC_DATETIME_INTERVAL_PRECISION)},
    {VDL_NAMED(SQL_DESC_LITERAL_PREFIX)},
    {VDL_NAMED(SQL_DESC_LITERAL_SUFFIX)},
    {VDL_NAMED(SQL_DESC_LOCAL_TYPE_NAME)},
    {VDL_NAMED(SQL_DESC_MAXIMUM_SCALE)},
    {VDL_NAMED(SQL_DESC_MINIMUM_SCALE)},
    {VDL_NAMED(SQL_DESC_NUM_PREC_RADIX)},
    {VDL_NAMED(SQL_DESC_COUNT)},
    {VDL_NAMED(SQL_DESC_TYPE)},
    {VDL_NAMED(SQL_DESC_LENGTH)},
    {VDL_NAMED(SQL_DESC_OCTET_LENGTH_PTR)},
    {VDL_NAMED(SQL_DESC_PRECISION)},
    {VDL_NAMED(SQL_DESC_SCALE)},
    {VDL_NAMED(SQL_DESC_DATETIME_INTERVAL_CODE)},
    {VDL_NAMED(SQL_DESC_NULLABLE)},
    {VDL_NAMED(SQL_DESC_INDICATOR_PTR)},
    {VDL_NAMED(SQL_DESC_DATA_PTR)},
    {VDL_NAMED(SQL_DESC_NAME)},
    {VDL_NAMED(SQL_DESC_UNNAMED)},
    {VDL_NAMED(SQL_DESC_OCTET_LENGTH)},
});
static_assert(named::ids_rise(field_names), "the fields are in order of number, each once");
static_assert(named::names_unique(field_names), "each name is written once");

std::string_view field_name(SQLUSMALLINT field) noexcept { return named::name_of(field_names, field); }

// The column at a one-based column number, or the 07009 record.
std::variant<const result_column*, diag_record> column_at(const handle::statement& stmt, SQLUSMALLINT number) {
    const auto index = static_cast<std::uint16_t>(number - 1);
    const auto count = stmt.result.table.columns.size();
    if (index >= count)
        return diag_record(diag::state::invalid_descriptor_index,
                           fmt::format("tried to fetch col index {}, max is {}", index, count));
    return &stmt.result.table.columns[index];
}

using attribute_answer = std::variant<SQLLEN, std::string_view>;

std::optional<attribute_answer> answer(const handle::statement& stmt, const result_column& c, SQLUSMALLINT field) {
    switch (field) {
    case SQL_COLUMN_COUNT:
    case SQL_DESC_COUNT: return SQLLEN(stmt.result.table.columns.size());
    case SQL_COLUMN_NAME:
    case SQL_DESC_LABEL:
    case SQL_DESC_NAME: return std::string_view(c.name);
    case SQL_DESC_CONCISE_TYPE:
    case SQL_DESC_TYPE: return SQLLEN(c.sql_type);
    case SQL_COLUMN_LENGTH:
    case SQL_DESC_DISPLAY_SIZE:
    case SQL_DESC_LENGTH:
    case SQL_DESC_OCTET_LENGTH: return SQLLEN(c.column_size);
    case SQL_COLUMN_PRECISION:
    case SQL_DESC_PRECISION: return SQLLEN(c.precision);
    case SQL_COLUMN_SCALE:
    case SQL_DESC_SCALE: return SQLLEN(c.decimal_digits);
    case SQL_COLUMN_NULLABLE: return SQLLEN(c.nullable);
    case SQL_DESC_NULLABLE: return SQLLEN(SQL_NULLABLE);
    case SQL_DESC_UNSIGNED:
    case SQL_DESC_FIXED_PREC_SCALE:
    case SQL_DESC_AUTO_UNIQUE_VALUE: return SQLLEN(0);
    case SQL_DESC_UPDATABLE: return SQLLEN(SQL_ATTR_READWRITE_UNKNOWN);
    case SQL_DESC_CASE_SENSITIVE:
    case SQL_DESC_UNNAMED: return SQLLEN(1);
    case SQL_DESC_SEARCHABLE: return SQLLEN(c.searchable);
    case SQL_DESC_TYPE_NAME: return c.type_name;
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_SCHEMA_NAME:
    case SQL_DESC_CATALOG_NAME:
    case SQL_DESC_BASE_COLUMN_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
    case SQL_DESC_LOCAL_TYPE_NAME: return std::string_view{};
    case SQL_DESC_NUM_PREC_RADIX: return SQLLEN(c.radix);
    default: return std::nullopt;
    }
}

}  // namespace

diag_record num_result_cols(handle::statement& stmt, SQLSMALLINT* count) {
    // A prepared select is run early so that its columns can be counted.
    if (auto r = execution::execute_early(stmt); r.return_code != SQL_SUCCESS && r.return_code != SQL_NO_DATA) return r;
    const auto columns = stmt.result.table.columns.size();
    if (count != nullptr) *count = static_cast<SQLSMALLINT>(columns);
    log_line(logger::level::debug, "columns count: {}", columns);
    return diag_record::success();
}

diag_record describe_col(handle::statement& stmt, SQLUSMALLINT number, SQLCHAR* name, SQLSMALLINT buffer_length,
                         SQLSMALLINT* name_length, SQLSMALLINT* data_type, SQLULEN* column_size,
                         SQLSMALLINT* decimal_digits, SQLSMALLINT* nullable) {
    if (auto r = execution::execute_early(stmt); !r.ok()) return r;
    const auto found = column_at(stmt, number);
    if (const auto* failure = std::get_if<diag_record>(&found)) return *failure;
    const result_column& c = *std::get<const result_column*>(found);
    copy_out_string(c.name, name, buffer_length, name_length);
    if (data_type != nullptr) *data_type = static_cast<SQLSMALLINT>(c.sql_type);
    if (column_size != nullptr) *column_size = static_cast<SQLULEN>(c.column_size);
    if (decimal_digits != nullptr) *decimal_digits = static_cast<SQLSMALLINT>(c.decimal_digits);
    if (nullable != nullptr) *nullable = static_cast<SQLSMALLINT>(c.nullable);
    return diag_record::success();
}

diag_record col_attribute(handle::statement& stmt, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER character,
                          SQLSMALLINT buffer_length, SQLSMALLINT* string_length, SQLLEN* numeric) {
    log_line(logger::level::debug, "column attribute for index {}: {} - {}", static_cast<std::uint16_t>(number - 1),
             field, field_name(field));
    if (auto r = execution::execute_early(stmt); !r.ok()) return r;
    const auto found = column_at(stmt, number);
    if (const auto* failure = std::get_if<diag_record>(&found)) return *failure;
    const auto value = answer(stmt, *std::get<const result_column*>(found), field);
    if (!value) return diag_record(diag::state::general_error, "attribute not supported");
    if (const auto* text = std::get_if<std::string_view>(&*value)) {
        copy_out_string(*text, character, buffer_length, string_length);
        if (numeric != nullptr) *numeric = 0;
    } else if (numeric != nullptr) {
        *numeric = std::get<SQLLEN>(*value);
    }
    return diag_record::success();
}

}  // namespace statement_ops
