// The statement's attributes: the rows that fetching and execution read reach the
// statement's own fields; every other row reports its default.

#include <sql.h>

#include <array>
#include <cstdint>

#include "attributes/attribute_tables.hpp"
#include "attributes/named_constant.hpp"
#include "handle/implicit_descriptors.hpp"
#include "handle/variant_handle.hpp"
#include "logger/logger.hpp"

namespace attributes {

namespace {

using handle::implicit_descriptor;
using handle::statement;
using u32 = std::uint32_t;
using ulen = SQLULEN;
constexpr SQLPOINTER null_pointer = nullptr;

// The handle of an implicit descriptor; a set of these attributes is ignored.
template <implicit_descriptor Role>
attribute_value descriptor_handle(statement& stmt) {
    return static_cast<SQLPOINTER>(&handle::implicit_descriptor_of(stmt, Role));
}

attribute_value max_rows(statement& stmt) { return ulen{stmt.max_rows}; }
void set_max_rows(statement& stmt, const attribute_value& value) {
    if (const auto* rows = std::get_if<ulen>(&value)) stmt.max_rows = *rows;
}

attribute_value metadata_id(statement& stmt) { return ulen{stmt.metadata_id}; }
void set_metadata_id(statement& stmt, const attribute_value& value) {
    if (const auto* id = std::get_if<ulen>(&value)) stmt.metadata_id = *id == SQL_FALSE ? SQL_FALSE : SQL_TRUE;
}

// Honoured through the client library's interrupt: a call running longer is stopped with HYT00.
attribute_value query_timeout(statement& stmt) { return ulen{stmt.query_timeout}; }
void set_query_timeout(statement& stmt, const attribute_value& value) {
    if (const auto* seconds = std::get_if<ulen>(&value)) stmt.query_timeout = *seconds;
}

attribute_value noscan(statement& stmt) { return ulen{stmt.noscan ? SQL_NOSCAN_ON : SQL_NOSCAN_OFF}; }
void set_noscan(statement& stmt, const attribute_value& value) {
    if (const auto* scan = std::get_if<ulen>(&value)) stmt.noscan = *scan == SQL_NOSCAN_ON;
}

attribute_value row_array_size(statement& stmt) { return ulen{stmt.cursor.row_array_size}; }
void set_row_array_size(statement& stmt, const attribute_value& value) {
    const auto* size = std::get_if<ulen>(&value);
    if (size == nullptr) return;
    log_line(logger::level::debug, "Array size: {}", *size);
    stmt.cursor.row_array_size = *size;
}

attribute_value row_bind_type(statement& stmt) { return ulen{stmt.cursor.bind_type}; }
void set_row_bind_type(statement& stmt, const attribute_value& value) {
    const auto* type = std::get_if<ulen>(&value);
    if (type == nullptr) return;
    if (*type != SQL_BIND_BY_COLUMN) {
        log_line(logger::level::debug, "Bind by size: {}", *type);
    } else {
        log_line(logger::level::debug, "Bind by column");
    }
    stmt.cursor.bind_type = *type;
}

// The one-based number of the current row in the result; 0 without one (before the first row,
// past the last, or without a result).
attribute_value row_number(statement& stmt) {
    const std::int64_t row = stmt.cursor.current_row;
    return ulen{handle::on_a_row(row, stmt.result.row_count) ? static_cast<ulen>(row) + 1 : 0};
}

attribute_value row_bind_offset_ptr(statement& stmt) { return static_cast<SQLPOINTER>(stmt.cursor.bind_offset_ptr); }
void set_row_bind_offset_ptr(statement& stmt, const attribute_value& value) {
    if (const auto* pointer = std::get_if<SQLPOINTER>(&value))
        stmt.cursor.bind_offset_ptr = static_cast<SQLLEN*>(*pointer);
}

attribute_value row_status_ptr(statement& stmt) { return static_cast<SQLPOINTER>(stmt.cursor.row_status_ptr); }
void set_row_status_ptr(statement& stmt, const attribute_value& value) {
    const auto* pointer = std::get_if<SQLPOINTER>(&value);
    if (pointer == nullptr) return;
    log_line(logger::level::debug, "set SQL_ATTR_ROW_STATUS_PTR");
    stmt.cursor.row_status_ptr = static_cast<SQLUSMALLINT*>(*pointer);
}

attribute_value rows_fetched_ptr(statement& stmt) { return static_cast<SQLPOINTER>(stmt.cursor.rows_fetched_ptr); }
// The rows-fetched pointer serves as the sink of the row count: a new pointer receives the
// current count at once.
void set_rows_fetched_ptr(statement& stmt, const attribute_value& value) {
    const auto* pointer = std::get_if<SQLPOINTER>(&value);
    if (pointer == nullptr) return;
    // Only a fetch writes through the pointer, with the rows it put in the rowset: the application
    // may not have the memory it points to ready yet (RODBC sets it before sizing its buffers).
    stmt.cursor.rows_fetched_ptr = static_cast<SQLULEN*>(*pointer);
    if (stmt.cursor.rows_fetched_ptr != nullptr) log_line(logger::level::debug, "set SQL_ATTR_ROWS_FETCHED_PTR");
}

// The parameter-set rows reach the statement's parameter_sets; execution reads them there.
template <SQLULEN parameter_sets::*Field>
attribute_value param_number(statement& stmt) {
    return ulen{stmt.params.sets.*Field};
}
template <SQLULEN parameter_sets::*Field>
void set_param_number(statement& stmt, const attribute_value& value) {
    if (const auto* number = std::get_if<ulen>(&value)) stmt.params.sets.*Field = *number;
}
template <typename T, T* parameter_sets::*Field>
attribute_value param_pointer(statement& stmt) {
    return static_cast<SQLPOINTER>(stmt.params.sets.*Field);
}
template <typename T, T* parameter_sets::*Field>
void set_param_pointer(statement& stmt, const attribute_value& value) {
    if (const auto* pointer = std::get_if<SQLPOINTER>(&value)) stmt.params.sets.*Field = static_cast<T*>(*pointer);
}

// Integer rows are SQLULEN as ODBC types them, except SQL_ATTR_ENABLE_AUTO_IPD (SQLUINTEGER).
constexpr auto statement_rows = std::to_array<attribute_row<statement>>({
    {VDL_NAMED_ID(SQL_ATTR_APP_PARAM_DESC), .value = null_pointer,
     .getter = descriptor_handle<implicit_descriptor::application_parameter>},
    {VDL_NAMED_ID(SQL_ATTR_APP_ROW_DESC), .value = null_pointer,
     .getter = descriptor_handle<implicit_descriptor::application_row>},
    {VDL_NAMED(SQL_ATTR_ASYNC_ENABLE), ulen{0}},
    {VDL_NAMED(SQL_ATTR_ASYNC_STMT_EVENT), null_pointer},
    {VDL_NAMED(SQL_ATTR_CONCURRENCY), ulen{SQL_CONCUR_READ_ONLY}},
    {VDL_NAMED(SQL_ATTR_CURSOR_SCROLLABLE), ulen{1}},
    {VDL_NAMED(SQL_ATTR_CURSOR_SENSITIVITY), ulen{2}},
    {VDL_NAMED(SQL_ATTR_CURSOR_TYPE), ulen{SQL_CURSOR_FORWARD_ONLY}},
    {VDL_NAMED(SQL_ATTR_ENABLE_AUTO_IPD), u32{0}},
    {VDL_NAMED(SQL_ATTR_FETCH_BOOKMARK_PTR), null_pointer},
    {VDL_NAMED_ID(SQL_ATTR_IMP_PARAM_DESC), .value = null_pointer,
     .getter = descriptor_handle<implicit_descriptor::implementation_parameter>},
    {VDL_NAMED_ID(SQL_ATTR_IMP_ROW_DESC), .value = null_pointer,
     .getter = descriptor_handle<implicit_descriptor::implementation_row>},
    {VDL_NAMED(SQL_ATTR_KEYSET_SIZE), ulen{0}},
    {VDL_NAMED(SQL_ATTR_MAX_LENGTH), ulen{0}},
    {VDL_NAMED_ID(SQL_ATTR_MAX_ROWS), .value = ulen{0}, .getter = max_rows, .setter = set_max_rows},
    {VDL_NAMED_ID(SQL_ATTR_METADATA_ID), .value = ulen{SQL_FALSE}, .getter = metadata_id, .setter = set_metadata_id},
    {VDL_NAMED_ID(SQL_ATTR_NOSCAN), .value = ulen{SQL_NOSCAN_OFF}, .getter = noscan, .setter = set_noscan},
    {VDL_NAMED_ID(SQL_ATTR_PARAM_BIND_OFFSET_PTR), .value = null_pointer,
     .getter = param_pointer<SQLULEN, &parameter_sets::bind_offset>,
     .setter = set_param_pointer<SQLULEN, &parameter_sets::bind_offset>},
    {VDL_NAMED_ID(SQL_ATTR_PARAM_BIND_TYPE), .value = ulen{0}, .getter = param_number<&parameter_sets::bind_type>,
     .setter = set_param_number<&parameter_sets::bind_type>},
    {VDL_NAMED_ID(SQL_ATTR_PARAM_OPERATION_PTR), .value = null_pointer,
     .getter = param_pointer<SQLUSMALLINT, &parameter_sets::operations>,
     .setter = set_param_pointer<SQLUSMALLINT, &parameter_sets::operations>},
    {VDL_NAMED_ID(SQL_ATTR_PARAM_STATUS_PTR), .value = null_pointer,
     .getter = param_pointer<SQLUSMALLINT, &parameter_sets::statuses>,
     .setter = set_param_pointer<SQLUSMALLINT, &parameter_sets::statuses>},
    {VDL_NAMED_ID(SQL_ATTR_PARAMS_PROCESSED_PTR), .value = null_pointer,
     .getter = param_pointer<SQLULEN, &parameter_sets::processed>,
     .setter = set_param_pointer<SQLULEN, &parameter_sets::processed>},
    {VDL_NAMED_ID(SQL_ATTR_PARAMSET_SIZE), .value = ulen{1}, .getter = param_number<&parameter_sets::size>,
     .setter = set_param_number<&parameter_sets::size>},
    {VDL_NAMED_ID(SQL_ATTR_QUERY_TIMEOUT), .value = ulen{0}, .getter = query_timeout, .setter = set_query_timeout},
    {VDL_NAMED(SQL_ATTR_RETRIEVE_DATA), ulen{1}},
    {VDL_NAMED_ID(SQL_ATTR_ROW_ARRAY_SIZE), .value = ulen{1}, .getter = row_array_size, .setter = set_row_array_size},
    {VDL_NAMED_ID(SQL_ATTR_ROW_BIND_OFFSET_PTR), .value = null_pointer, .getter = row_bind_offset_ptr,
     .setter = set_row_bind_offset_ptr},
    {VDL_NAMED_ID(SQL_ATTR_ROW_BIND_TYPE), .value = ulen{0}, .getter = row_bind_type, .setter = set_row_bind_type},
    {VDL_NAMED_ID(SQL_ATTR_ROW_NUMBER), .value = ulen{0}, .getter = row_number},
    {VDL_NAMED(SQL_ATTR_ROW_OPERATION_PTR), null_pointer},
    {VDL_NAMED_ID(SQL_ATTR_ROW_STATUS_PTR), .value = null_pointer, .getter = row_status_ptr,
     .setter = set_row_status_ptr},
    {VDL_NAMED_ID(SQL_ATTR_ROWS_FETCHED_PTR), .value = null_pointer, .getter = rows_fetched_ptr,
     .setter = set_rows_fetched_ptr},
    {VDL_NAMED(SQL_ATTR_SIMULATE_CURSOR), ulen{0}},
    {VDL_NAMED(SQL_ATTR_USE_BOOKMARKS), ulen{0}},
    {1227, "SQL_SOPT_SS_HIDDEN_COLUMNS", ulen{0}},
    {1228, "SQL_SOPT_SS_NOBROWSETABLE", ulen{0}},
});
static_assert(named::ids_unique(statement_rows), "each attribute has one row");
static_assert(named::names_unique(statement_rows), "each name is written once");

}  // namespace

template <>
const attribute_table<statement>& prepare_attributes<statement>() {
    static const attribute_table<statement> table{statement_rows};
    return table;
}

}  // namespace attributes
