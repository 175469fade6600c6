// SQLTables and SQLColumns: the store's tables, and the columns of one of them, as the store's
// table list and table metadata tell them. There are no catalogs or schemas: those arguments
// are only logged, and those columns are NULL.

#include <sqlext.h>

#include <algorithm>
#include <cctype>

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
    {"COLUMN_DEF", text},        {"SQL_DATA_TYPE", sshort},  {"SQL_DATETIME_SUB", sshort}, {"CHAR_OCTET_LENGTH", slong},
    {"ORDINAL_POSITION", slong}, {"IS_NULLABLE", text},
};

constexpr std::string_view table_type_name = "TABLE";

// Whether a list of table types ("TABLE,VIEW", "'TABLE'", ...) names TABLE; an empty list or %
// names every type.
bool lists_tables(std::string_view types) {
    if (types.empty() || types == SQL_ALL_TABLE_TYPES) return true;
    while (!types.empty()) {
        const auto comma = types.find(',');
        std::string_view one = types.substr(0, comma);
        types = comma == std::string_view::npos ? std::string_view() : types.substr(comma + 1);
        while (!one.empty() && one.front() == ' ') one.remove_prefix(1);
        while (!one.empty() && one.back() == ' ') one.remove_suffix(1);
        if (one.size() >= 2 && one.front() == '\'' && one.back() == '\'') one = one.substr(1, one.size() - 2);
        if (one.size() == table_type_name.size() &&
            std::equal(one.begin(), one.end(), table_type_name.begin(),
                       [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; }))
            return true;
    }
    return false;
}

}  // namespace

diag_record tables(handle::statement& stmt, std::string_view catalog, std::string_view schema, std::string_view table,
                   std::string_view table_type) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"table", table}, {"table", table_type}});
    if (auto refusal = client::without_connection(stmt)) return *refusal;

    // The enumerations: the store has no catalogs and no schemas, and one type of table.
    if (catalog == SQL_ALL_CATALOGS && schema.empty() && table.empty() && table_type.empty()) {
        install_catalog_result(stmt, catalog_table(tables_columns));
        return diag_record::success();
    }
    if (schema == SQL_ALL_SCHEMAS && catalog.empty() && table.empty() && table_type.empty()) {
        install_catalog_result(stmt, catalog_table(tables_columns));
        return diag_record::success();
    }
    if (table_type == SQL_ALL_TABLE_TYPES && catalog.empty() && schema.empty() && table.empty()) {
        catalog_table answer(tables_columns, 1);
        answer.add_row({null, null, null, table_type_name, null});
        install_catalog_result(stmt, std::move(answer));
        return diag_record::success();
    }

    auto names = list_tables(stmt);
    keep_matching(names, pattern_argument(stmt, table));
    // Every table is a TABLE: a list of types without it (views only) picks none.
    if (!lists_tables(table_type)) names.clear();
    catalog_table answer(tables_columns, names.size());
    for (const auto& name : names) answer.add_row({null, null, name, table_type_name, null});
    install_catalog_result(stmt, std::move(answer));
    return diag_record::success();
}

diag_record columns(handle::statement& stmt, std::string_view catalog, std::string_view schema, std::string_view table,
                    std::string_view column) {
    log_arguments({{"catalog", catalog}, {"schema", schema}, {"table", table}, {"column", column}});
    if (auto refusal = client::without_connection(stmt)) return *refusal;

    // Every column of every table the pattern picks; the column argument picks among them.
    catalog_table answer(columns_columns);
    for_each_column(
        stmt, pattern_argument(stmt, table), pattern_argument(stmt, column),
        [&](const std::string& name, const vdl_column_meta& c, std::int64_t position) {
            const auto& type = describe_column_type(c.type);
            const bool not_null = (c.flags & VDL_COLUMN_NOT_NULL) != 0;
            answer.add_row({null, null, name, name_of(c), type.data_type, type.type_name, type.column_size,
                            type.buffer_length, type.decimal_digits, type.num_prec_radix,
                            not_null ? SQL_NO_NULLS : SQL_NULLABLE, null, null, type.sql_data_type,
                            type.sql_datetime_sub, type.char_octet_length, position, not_null ? "NO" : "YES"});
        });
    install_catalog_result(stmt, std::move(answer));
    return diag_record::success();
}

}  // namespace catalog_ops
