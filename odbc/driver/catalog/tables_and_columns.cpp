// SQLTables and SQLColumns: the store's tables, and the columns of one of them, as the store's
// table list and table metadata tell them. There are no catalogs or schemas: those arguments
// are only logged, and those columns are NULL.

#include "catalog/catalog_arguments.hpp"
#include "catalog/catalog_operations.hpp"
#include "catalog/catalog_table.hpp"
#include "catalog/column_types.hpp"
#include "catalog/table_sources.hpp"
#include "client/client_gate.hpp"
#include "statement/execution.hpp"

namespace catalog_ops {

using namespace catalog;

namespace {

constexpr auto text = cell_kind::text;
constexpr auto sshort = cell_kind::sshort;
constexpr auto slong = cell_kind::slong;

constexpr column_spec tables_columns[] = {
    {"TABLE_CAT", text}, {"TABLE_SCHEM", text}, {"TABLE_NAME", text}, {"TABLE_TYPE", text}, {"REMARKS", text},
};

constexpr column_spec columns_columns[] = {
    {"TABLE_CAT", text},         {"TABLE_SCHEM", text},      {"TABLE_NAME", text},         {"COLUMN_NAME", text},
    {"DATA_TYPE", sshort},       {"TYPE_NAME", text},        {"COLUMN_SIZE", slong},       {"BUFFER_LENGTH", slong},
    {"DECIMAL_DIGITS", sshort},  {"NUM_PREC_RADIX", sshort}, {"NULLABLE", sshort},         {"REMARKS", text},
    {"COLUMN_DEF", text},        {"SQL_DATA_TYPE", text},    {"SQL_DATETIME_SUB", sshort}, {"CHAR_OCTET_LENGTH", slong},
    {"ORDINAL_POSITION", slong}, {"IS_NULLABLE", text},
};

}  // namespace

diag_record tables(handle::statement& stmt, std::string_view catalog, std::string_view schema, std::string_view table,
                   std::string_view table_type) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"table", table}, {"table", table_type}});
    if (auto refusal = client::without_connection(stmt)) return *refusal;
    auto names = list_tables(stmt);
    if (auto r = select_table(names, table); r.return_code != SQL_SUCCESS) return r;

    // Every table is a TABLE, whatever types were asked for: the store has no views.
    catalog_table answer(tables_columns, names.size());
    for (const auto& name : names) answer.add_row({null, null, name, "TABLE", null});
    install_catalog_result(stmt, std::move(answer));
    return diag_record::success();
}

diag_record columns(handle::statement& stmt, std::string_view catalog, std::string_view schema, std::string_view table,
                    std::string_view column) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"table", table}, {"column", column}});
    if (table.empty()) {
        keep_columns_without_rows(stmt);
        return diag_record(diag::state::general_error, "Can't retrieve columns on all tables");
    }
    if (auto refusal = client::without_connection(stmt)) return *refusal;

    // Every column of the table, whatever column was asked for; an unknown table has none.
    const auto metadata = get_table_metadata(stmt, table);
    const auto described = columns_of(metadata);
    catalog_table answer(columns_columns, described.size());
    std::int64_t position = 0;
    for (const auto& c : described) {
        const auto& type = describe_column_type(c.type);
        answer.add_row({null, null, table, name_of(c), type.data_type, type.type_name, type.column_size,
                        type.column_size, type.decimal_digits, type.decimal_digits, SQL_NULLABLE, null, "",
                        type.type_name, 0, type.char_octet_length, ++position, "YES"});
    }
    install_catalog_result(stmt, std::move(answer));
    return diag_record::success();
}

}  // namespace catalog_ops
