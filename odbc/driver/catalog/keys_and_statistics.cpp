// SQLPrimaryKeys, SQLForeignKeys and SQLStatistics. The store has no keys and no indexes; the
// driver answers with one virtual primary key and one virtual index per table, both on the time
// column "$timestamp", and with no foreign keys.

#include "catalog/catalog_arguments.hpp"
#include "catalog/catalog_operations.hpp"
#include "catalog/catalog_table.hpp"
#include "catalog/table_sources.hpp"
#include "client/client_gate.hpp"
#include "statement/execution.hpp"

namespace catalog_ops {

using namespace catalog;

namespace {

constexpr auto text = cell_kind::text;
constexpr auto sshort = cell_kind::sshort;
constexpr auto slong = cell_kind::slong;

constexpr std::string_view time_column = "$timestamp";
constexpr std::string_view virtual_key = "virtual_pk";

constexpr column_spec primary_keys_columns[] = {
    {"TABLE_CAT", text},   {"TABLE_SCHEM", text}, {"TABLE_NAME", text},
    {"COLUMN_NAME", text}, {"KEY_SEQ", sshort},   {"PK_NAME", text},
};

constexpr column_spec foreign_keys_columns[] = {
    {"PKTABLE_CAT", text}, {"PKTABLE_SCHEM", text},   {"PKTABLE_NAME", text},  {"PKCOLUMN_NAME", text},
    {"FKTABLE_CAT", text}, {"FKTABLE_SCHEM", text},   {"FKTABLE_NAME", text},  {"FKCOLUMN_NAME", text},
    {"KEY_SEQ", sshort},   {"UPDATE_RULE", sshort},   {"DELETE_RULE", sshort}, {"FK_NAME", text},
    {"PK_NAME", text},     {"DEFERRABILITY", sshort},
};

constexpr column_spec statistics_columns[] = {
    {"TABLE_CAT", text},        {"TABLE_SCHEM", text}, {"TABLE_NAME", text},   {"NON_UNIQUE", sshort},
    {"INDEX_QUALIFIER", text},  {"INDEX_NAME", text},  {"TYPE", sshort},       {"ORDINAL_POSITION", sshort},
    {"COLUMN_NAME", text},      {"ASC_OR_DESC", text}, {"CARDINALITY", slong}, {"PAGES", slong},
    {"FILTER_CONDITION", text},
};

diag_record all_tables_refused() {
    return diag_record(diag::state::general_error, "Can't retrieve primary keys on all tables");
}

}  // namespace

diag_record primary_keys(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                         std::string_view table) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"table", table}});
    if (table.empty()) {
        keep_columns_without_rows(stmt);
        return all_tables_refused();
    }
    if (auto refusal = client::without_connection(stmt)) return *refusal;
    // Every table has the key; a table that does not exist has none.
    auto names = list_tables(stmt);
    keep_matching(names, name_argument(stmt, table));
    catalog_table answer(primary_keys_columns, names.size());
    for (const auto& name : names) answer.add_row({null, null, name, time_column, 1, virtual_key});
    install_catalog_result(stmt, std::move(answer));
    return diag_record::success();
}

diag_record foreign_keys(handle::statement& stmt, std::string_view pk_catalog, std::string_view pk_schema,
                         std::string_view pk_table, std::string_view fk_catalog, std::string_view fk_schema,
                         std::string_view fk_table) {
    log_arguments({{"pkcatalog", pk_catalog},
                   {"pkschema", pk_schema},
                   {"pktable", pk_table},
                   {"fkcatalog", fk_catalog},
                   {"fkschema", fk_schema},
                   {"fktable", fk_table}});
    const std::string_view table = pk_table.empty() ? fk_table : pk_table;
    if (table.empty()) {
        keep_columns_without_rows(stmt);
        return all_tables_refused();
    }
    // No rows: the one row stored only shapes the description of the columns.
    catalog_table answer(foreign_keys_columns, 1);
    answer.add_row({null, null, table, time_column, null, null, table, time_column, 1, SQL_SET_NULL, SQL_SET_NULL,
                    virtual_key, virtual_key, SQL_INITIALLY_DEFERRED});
    install_catalog_result(stmt, answer.take_columns(), 0);
    return diag_record::success();
}

diag_record statistics(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                       std::string_view table, SQLUSMALLINT, SQLUSMALLINT) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"table", table}});
    if (auto refusal = client::without_connection(stmt)) return *refusal;
    auto names = list_tables(stmt);
    // A lone % keeps every table, as it always has; a table that does not exist has no index.
    if (table != "%") keep_matching(names, name_argument(stmt, table));

    // One index row per table; no table-statistics row, as the store keeps no statistics.
    catalog_table answer(statistics_columns, names.size());
    for (const auto& name : names)
        answer.add_row(
            {null, null, name, 1, null, time_column, SQL_INDEX_OTHER, 1, time_column, "A", null, null, null});
    install_catalog_result(stmt, std::move(answer));
    return diag_record::success();
}

}  // namespace catalog_ops
