// SQLTablePrivileges, SQLColumnPrivileges, SQLProcedures and SQLProcedureColumns. The store has
// no grants and no procedures: every table and column is readable by everyone (SELECT,
// grantable), and there are no procedures to list.

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

constexpr std::string_view privilege = "SELECT";
constexpr std::string_view grantable = "YES";

constexpr column_spec table_privileges_columns[] = {
    {"TABLE_CAT", text}, {"TABLE_SCHEM", text}, {"TABLE_NAME", text},   {"GRANTOR", text},
    {"GRANTEE", text},   {"PRIVILEGE", text},   {"IS_GRANTABLE", text},
};

constexpr column_spec column_privileges_columns[] = {
    {"TABLE_CAT", text}, {"TABLE_SCHEM", text}, {"TABLE_NAME", text}, {"COLUMN_NAME", text},
    {"GRANTOR", text},   {"GRANTEE", text},     {"PRIVILEGE", text},  {"IS_GRANTABLE", text},
};

constexpr column_spec procedures_columns[] = {
    {"PROCEDURE_CAT", text},     {"PROCEDURE_SCHEM", text}, {"PROCEDURE_NAME", text},   {"NUM_INPUT_PARAMS", text},
    {"NUM_OUTPUT_PARAMS", text}, {"REMARKS", text},         {"PROCEDURE_TYPE", sshort},
};

constexpr column_spec procedure_columns_columns[] = {
    {"PROCEDURE_CAT", text},
    {"PROCEDURE_SCHEM", text},
    {"PROCEDURE_NAME", text},
    {"COLUMN_NAME", text},
    {"COLUMN_TYPE", sshort},
    {"DATA_TYPE", sshort},
    {"TYPE_NAME", text},
    {"COLUMN_SIZE", slong},
    {"BUFFER_LENGTH", slong},
    {"DECIMAL_DIGITS", sshort},
    {"NUM_PREC_RADIX", sshort},
    {"NULLABLE", sshort},
    {"REMARKS", text},
    {"COLUMN_DEF", text},
    {"SQL_DATA_TYPE", sshort},
    {"SQL_DATETIME_SUB", sshort},
    {"CHAR_OCTET_LENGTH", slong},
    {"ORDINAL_POSITION", slong},
    {"IS_NULLABLE", text},
};

}  // namespace

diag_record table_privileges(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                             std::string_view table) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"table", table}});
    if (auto refusal = client::without_connection(stmt)) return *refusal;
    auto names = list_tables(stmt);
    keep_matching(names, pattern_argument(stmt, table));

    catalog_table answer(table_privileges_columns, names.size());
    for (const auto& name : names) answer.add_row({null, null, name, null, null, privilege, grantable});
    install_catalog_result(stmt, std::move(answer));
    return diag_record::success();
}

diag_record column_privileges(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                              std::string_view table, std::string_view column) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"table", table}, {"column", column}});
    if (table.empty()) {
        keep_columns_without_rows(stmt);
        return diag_record(diag::state::general_error, "Can't retrieve column privileges on all tables");
    }
    if (auto refusal = client::without_connection(stmt)) return *refusal;

    // The columns of the table that the column pattern picks; a table that does not exist has none.
    catalog_table answer(column_privileges_columns);
    for_each_column(stmt, name_argument(stmt, table), pattern_argument(stmt, column),
                    [&](const std::string& name, const vdl_column_meta& c, std::int64_t) {
                        answer.add_row({null, null, name, name_of(c), null, null, privilege, grantable});
                    });
    install_catalog_result(stmt, std::move(answer));
    return diag_record::success();
}

diag_record procedures(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                       std::string_view procedure) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"procedure", procedure}});
    install_catalog_result(stmt, catalog_table(procedures_columns));
    return diag_record::success();
}

diag_record procedure_columns(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                              std::string_view procedure, std::string_view column) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"procedure", procedure}, {"column", column}});
    install_catalog_result(stmt, catalog_table(procedure_columns_columns));
    return diag_record::success();
}

}  // namespace catalog_ops
