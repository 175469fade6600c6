// SQLGetTypeInfo: the rows of the type table, all of them or the one of a data type, as a result
// whose texts are views into the table (which outlives every statement).

#include "catalog/catalog_operations.hpp"
#include "catalog/catalog_table.hpp"
#include "catalog/type_table.hpp"
#include "statement/odbc2_type_codes.hpp"
#include "statement/result_installation.hpp"

namespace catalog_ops {

using namespace catalog;

namespace {

constexpr auto view = cell_kind::text_view;
constexpr auto sshort = cell_kind::sshort;
constexpr auto slong = cell_kind::slong;

constexpr column_spec type_info_columns[] = {
    {"TYPE_NAME", view},
    {"DATA_TYPE", sshort},
    {"COLUMN_SIZE", slong},
    {"LITERAL_PREFIX", view},
    {"LITERAL_SUFFIX", view},
    {"CREATE_PARAMS", view},
    {"NULLABLE", sshort},
    {"CASE_SENSITIVE", sshort},
    {"SEARCHABLE", sshort},
    {"UNSIGNED_ATTRIBUTE", sshort},
    {"FIXED_PREC_SCALE", sshort},
    {"AUTO_UNIQUE_VALUE", sshort},
    {"LOCAL_TYPE_NAME", view},
    {"MINIMUM_SCALE", sshort},
    {"MAXIMUM_SCALE", sshort},
    {"SQL_DATA_TYPE", sshort},
    {"SQL_DATETIME_SUB", sshort},
    {"NUM_PREC_RADIX", sshort},
    {"INTERVAL_PRECISION", sshort},
};

// An empty text or a zero where the reference has no value is NULL.
cell_value or_null(std::string_view text) { return text.empty() ? cell_value(null) : cell_value(text); }
cell_value or_null(std::int16_t number) { return number == 0 ? cell_value(null) : cell_value(std::int64_t{number}); }

void add_type(catalog_table& answer, const type_row& t) {
    answer.add_row({t.type_name, t.data_type, t.column_size, t.literal_prefix, t.literal_suffix,
                    or_null(t.create_params), t.nullable, t.case_sensitive, t.searchable, t.unsigned_attribute,
                    t.fixed_prec_scale, t.auto_unique_value, t.local_type_name, t.minimum_scale, t.maximum_scale,
                    t.sql_data_type, or_null(t.sql_datetime_sub), or_null(t.num_prec_radix),
                    or_null(t.interval_precision)});
}

}  // namespace

diag_record get_type_info(handle::statement& stmt, SQLSMALLINT data_type) {
    // Unlike the other catalog answers, this one is read from its first row on.
    stmt.cursor.close();
    if (data_type == SQL_ALL_TYPES) {
        catalog_table answer(type_info_columns, type_rows().size());
        for (const auto& t : type_rows()) add_type(answer, t);
        install_catalog_result(stmt, std::move(answer));
    } else if (const type_row* t = find_type(odbc3_type_code(data_type))) {
        catalog_table answer(type_info_columns, 1);
        add_type(answer, *t);
        install_catalog_result(stmt, std::move(answer));
    } else {
        // A type the driver does not offer: the columns, and no rows.
        install_catalog_result(stmt, catalog_table(type_info_columns));
    }
    return diag_record::success();
}

}  // namespace catalog_ops
