// What the driver states about itself through SQLGetInfo: forward-only, no transactions, no
// catalogs or schemas, the joins, predicates and expressions of the store's language. Every bit
// claimed is tried by the capability test. Two answers follow the connection.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "attributes/attribute_tables.hpp"
#include "attributes/named_constant.hpp"
#include "statement/escape_sequences.hpp"

namespace attributes {

namespace {

using u16 = std::uint16_t;
using u32 = std::uint32_t;
constexpr std::string_view text(const char* s) { return s; }

// Bits the statement rules compute, read when the table is built.
using computed_bits = u32 (*)() noexcept;
template <SQLSMALLINT SqlType>
u32 conversions() noexcept {
    return escapes::claimed_conversions(SqlType);
}
template <escapes::function_group Group>
u32 functions() noexcept {
    return escapes::claimed_functions(Group);
}

// The `dsn` setting of the last connect; empty before any.
// The data source the connect named; empty for a connection string without DSN, as ODBC has it.
attribute_value data_source_name(handle::connection& dbc) { return dbc.data_source; }

// The user of the last secure connect; empty otherwise.
attribute_value user_name(handle::connection& dbc) { return dbc.user_name; }

// A row as written here, its value in a form a constant holds: the table is checked when the
// driver is compiled and built from these rows on first use.
struct info_row {
    SQLUSMALLINT id = 0;
    std::string_view name;
    std::variant<std::string_view, u16, u32, computed_bits> value;
    attribute_value (*getter)(handle::connection&) = nullptr;
};

// In order of name, one row per information type. Widths as ODBC types each answer.
constexpr auto info_rows = std::to_array<info_row>({
    {VDL_NAMED(SQL_ACCESSIBLE_PROCEDURES), text("N")},
    {VDL_NAMED(SQL_ACCESSIBLE_TABLES), text("N")},
    {VDL_NAMED(SQL_ACTIVE_ENVIRONMENTS), u16{0}},
    {VDL_NAMED(SQL_AGGREGATE_FUNCTIONS),
     u32{SQL_AF_AVG | SQL_AF_COUNT | SQL_AF_MAX | SQL_AF_MIN | SQL_AF_SUM | SQL_AF_DISTINCT | SQL_AF_ALL}},
    {VDL_NAMED(SQL_ALTER_DOMAIN), u32{0}},
    {VDL_NAMED(SQL_ALTER_TABLE), u32{0}},
    {VDL_NAMED(SQL_ASYNC_DBC_FUNCTIONS), u32{0}},
    {VDL_NAMED(SQL_ASYNC_MODE), u32{0}},
    {VDL_NAMED(SQL_ASYNC_NOTIFICATION), u32{0}},
    {VDL_NAMED(SQL_BATCH_ROW_COUNT), u32{0}},
    {VDL_NAMED(SQL_BATCH_SUPPORT), u32{0}},
    {VDL_NAMED(SQL_BOOKMARK_PERSISTENCE), u32{0}},
    {VDL_NAMED(SQL_CATALOG_LOCATION), u16{0}},
    {VDL_NAMED(SQL_CATALOG_NAME), text("N")},
    {VDL_NAMED(SQL_CATALOG_NAME_SEPARATOR), text("")},
    {VDL_NAMED(SQL_CATALOG_TERM), text("")},
    {VDL_NAMED(SQL_CATALOG_USAGE), u32{0}},
    {VDL_NAMED(SQL_COLLATION_SEQ), text("ISO 8859-1")},
    {VDL_NAMED(SQL_COLUMN_ALIAS), text("Y")},
    {VDL_NAMED(SQL_CONCAT_NULL_BEHAVIOR), u16{0}},
    {VDL_NAMED(SQL_CONVERT_BIGINT), &conversions<SQL_BIGINT>},
    {VDL_NAMED(SQL_CONVERT_BINARY), &conversions<SQL_BINARY>},
    {VDL_NAMED(SQL_CONVERT_BIT), &conversions<SQL_BIT>},
    {VDL_NAMED(SQL_CONVERT_CHAR), &conversions<SQL_CHAR>},
    {VDL_NAMED(SQL_CONVERT_DATE), &conversions<SQL_TYPE_DATE>},
    {VDL_NAMED(SQL_CONVERT_DECIMAL), &conversions<SQL_DECIMAL>},
    {VDL_NAMED(SQL_CONVERT_DOUBLE), &conversions<SQL_DOUBLE>},
    {VDL_NAMED(SQL_CONVERT_FLOAT), &conversions<SQL_FLOAT>},
    {VDL_NAMED(SQL_CONVERT_FUNCTIONS), u32{SQL_FN_CVT_CONVERT | SQL_FN_CVT_CAST}},
    {VDL_NAMED(SQL_CONVERT_GUID), &conversions<SQL_GUID>},
    {VDL_NAMED(SQL_CONVERT_INTEGER), &conversions<SQL_INTEGER>},
    {VDL_NAMED(SQL_CONVERT_INTERVAL_DAY_TIME), u32{0}},
    {VDL_NAMED(SQL_CONVERT_INTERVAL_YEAR_MONTH), u32{0}},
    {VDL_NAMED(SQL_CONVERT_LONGVARBINARY), &conversions<SQL_LONGVARBINARY>},
    {VDL_NAMED(SQL_CONVERT_LONGVARCHAR), &conversions<SQL_LONGVARCHAR>},
    {VDL_NAMED(SQL_CONVERT_NUMERIC), &conversions<SQL_NUMERIC>},
    {VDL_NAMED(SQL_CONVERT_REAL), &conversions<SQL_REAL>},
    {VDL_NAMED(SQL_CONVERT_SMALLINT), &conversions<SQL_SMALLINT>},
    {VDL_NAMED(SQL_CONVERT_TIME), &conversions<SQL_TYPE_TIME>},
    {VDL_NAMED(SQL_CONVERT_TIMESTAMP), &conversions<SQL_TYPE_TIMESTAMP>},
    {VDL_NAMED(SQL_CONVERT_TINYINT), &conversions<SQL_TINYINT>},
    {VDL_NAMED(SQL_CONVERT_VARBINARY), &conversions<SQL_VARBINARY>},
    {VDL_NAMED(SQL_CONVERT_VARCHAR), &conversions<SQL_VARCHAR>},
    {VDL_NAMED(SQL_CONVERT_WCHAR), &conversions<SQL_WCHAR>},
    {VDL_NAMED(SQL_CONVERT_WLONGVARCHAR), &conversions<SQL_WLONGVARCHAR>},
    {VDL_NAMED(SQL_CONVERT_WVARCHAR), &conversions<SQL_WVARCHAR>},
    {VDL_NAMED(SQL_CORRELATION_NAME), u16{SQL_CN_ANY}},
    {VDL_NAMED(SQL_CREATE_ASSERTION), u32{0}},
    {VDL_NAMED(SQL_CREATE_CHARACTER_SET), u32{0}},
    {VDL_NAMED(SQL_CREATE_COLLATION), u32{0}},
    {VDL_NAMED(SQL_CREATE_DOMAIN), u32{0}},
    {VDL_NAMED(SQL_CREATE_SCHEMA), u32{0}},
    {VDL_NAMED(SQL_CREATE_TABLE), u32{1}},
    {VDL_NAMED(SQL_CREATE_TRANSLATION), u32{0}},
    {VDL_NAMED(SQL_CREATE_VIEW), u32{0}},
    {VDL_NAMED(SQL_CURSOR_COMMIT_BEHAVIOR), u16{1}},
    {VDL_NAMED(SQL_CURSOR_ROLLBACK_BEHAVIOR), u16{1}},
    // A result is read whole when it is made: changes made after do not show in it.
    {VDL_NAMED(SQL_CURSOR_SENSITIVITY), u32{SQL_INSENSITIVE}},
    {VDL_NAMED(SQL_DATABASE_NAME), text("")},
    {VDL_NAMED_ID(SQL_DATA_SOURCE_NAME), .value = text(""), .getter = data_source_name},
    {VDL_NAMED(SQL_DATA_SOURCE_READ_ONLY), text("N")},
    {VDL_NAMED(SQL_DATETIME_LITERALS), u32{7}},
    {VDL_NAMED(SQL_DBMS_NAME), text("Vandrel")},
    {VDL_NAMED(SQL_DBMS_VER), text("3.14.2")},
    {VDL_NAMED(SQL_DDL_INDEX), u32{0}},
    {VDL_NAMED(SQL_DEFAULT_TXN_ISOLATION), u32{0}},
    {VDL_NAMED(SQL_DESCRIBE_PARAMETER), text("N")},
    {VDL_NAMED(SQL_DM_VER), text("")},
    {VDL_NAMED(SQL_DRIVER_AWARE_POOLING_SUPPORTED), u32{0}},
    {VDL_NAMED(SQL_DRIVER_NAME), text("libvdl_odbc_driver.so")},
    {VDL_NAMED(SQL_DRIVER_ODBC_VER), text("03.80")},
    {VDL_NAMED(SQL_DRIVER_VER), text("3.14.2")},
    {VDL_NAMED(SQL_DROP_ASSERTION), u32{0}},
    {VDL_NAMED(SQL_DROP_CHARACTER_SET), u32{0}},
    {VDL_NAMED(SQL_DROP_COLLATION), u32{0}},
    {VDL_NAMED(SQL_DROP_DOMAIN), u32{0}},
    {VDL_NAMED(SQL_DROP_SCHEMA), u32{0}},
    {VDL_NAMED(SQL_DROP_TABLE), u32{SQL_DT_DROP_TABLE}},
    {VDL_NAMED(SQL_DROP_TRANSLATION), u32{0}},
    {VDL_NAMED(SQL_DROP_VIEW), u32{0}},
    {VDL_NAMED(SQL_DTC_TRANSITION_COST), u32{1}},
    {VDL_NAMED(SQL_DYNAMIC_CURSOR_ATTRIBUTES1), u32{0}},
    {VDL_NAMED(SQL_DYNAMIC_CURSOR_ATTRIBUTES2), u32{0}},
    {VDL_NAMED(SQL_EXPRESSIONS_IN_ORDERBY), text("Y")},
    {VDL_NAMED(SQL_FILE_USAGE), u16{0}},
    // SQLSetPos on the rowset's first row (SQL_POS_OPERATIONS).
    {VDL_NAMED(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1),
     u32{SQL_CA1_NEXT | SQL_CA1_POS_POSITION | SQL_CA1_POS_UPDATE | SQL_CA1_POS_DELETE}},
    {VDL_NAMED(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2), u32{0}},
    // No output parameters: nothing for SQL_GD_OUTPUT_PARAMS to read; SQLSetPos positions on no
    // row but the rowset's first, so SQLGetData reads no other row of a block (SQL_GD_BLOCK).
    {VDL_NAMED(SQL_GETDATA_EXTENSIONS), u32{SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND}},
    // GROUP BY and the select list need not name the same columns.
    {VDL_NAMED(SQL_GROUP_BY), u16{SQL_GB_NO_RELATION}},
    {VDL_NAMED(SQL_IDENTIFIER_CASE), u16{4}},
    {VDL_NAMED(SQL_IDENTIFIER_QUOTE_CHAR), text("\"")},
    {VDL_NAMED(SQL_INDEX_KEYWORDS), u32{0}},
    {VDL_NAMED(SQL_INFO_SCHEMA_VIEWS), u32{0}},
    {VDL_NAMED(SQL_INSERT_STATEMENT), u32{SQL_IS_INSERT_LITERALS | SQL_IS_INSERT_SEARCHED}},
    {VDL_NAMED(SQL_INTEGRITY), text("N")},
    {VDL_NAMED(SQL_KEYSET_CURSOR_ATTRIBUTES1), u32{0}},
    {VDL_NAMED(SQL_KEYSET_CURSOR_ATTRIBUTES2), u32{0}},
    {VDL_NAMED(SQL_KEYWORDS), text("")},
    {VDL_NAMED(SQL_LIKE_ESCAPE_CLAUSE), text("Y")},
    {VDL_NAMED(SQL_LOCK_TYPES), u32{0}},
    {VDL_NAMED(SQL_MAX_ASYNC_CONCURRENT_STATEMENTS), u32{0}},
    {VDL_NAMED(SQL_MAX_BINARY_LITERAL_LEN), u32{0}},
    {VDL_NAMED(SQL_MAX_CATALOG_NAME_LEN), u16{1024}},
    {VDL_NAMED(SQL_MAX_CHAR_LITERAL_LEN), u32{0}},
    {VDL_NAMED(SQL_MAX_COLUMNS_IN_GROUP_BY), u16{0}},
    {VDL_NAMED(SQL_MAX_COLUMNS_IN_INDEX), u16{0}},
    {VDL_NAMED(SQL_MAX_COLUMNS_IN_ORDER_BY), u16{0}},
    {VDL_NAMED(SQL_MAX_COLUMNS_IN_SELECT), u16{0}},
    {VDL_NAMED(SQL_MAX_COLUMNS_IN_TABLE), u16{0}},
    {VDL_NAMED(SQL_MAX_COLUMN_NAME_LEN), u16{1024}},
    {VDL_NAMED(SQL_MAX_CONCURRENT_ACTIVITIES), u16{1}},
    {VDL_NAMED(SQL_MAX_CURSOR_NAME_LEN), u16{1024}},
    {VDL_NAMED(SQL_MAX_DRIVER_CONNECTIONS), u16{1}},
    {VDL_NAMED(SQL_MAX_IDENTIFIER_LEN), u16{1024}},
    {VDL_NAMED(SQL_MAX_INDEX_SIZE), u32{0}},
    {VDL_NAMED(SQL_MAX_PROCEDURE_NAME_LEN), u16{0}},
    {VDL_NAMED(SQL_MAX_ROW_SIZE), u32{0}},
    {VDL_NAMED(SQL_MAX_ROW_SIZE_INCLUDES_LONG), text("N")},
    {VDL_NAMED(SQL_MAX_SCHEMA_NAME_LEN), u16{1024}},
    {VDL_NAMED(SQL_MAX_STATEMENT_LEN), u32{0}},
    {VDL_NAMED(SQL_MAX_TABLES_IN_SELECT), u16{0}},
    {VDL_NAMED(SQL_MAX_TABLE_NAME_LEN), u16{1024}},
    {VDL_NAMED(SQL_MAX_USER_NAME_LEN), u16{1024}},
    {VDL_NAMED(SQL_MULTIPLE_ACTIVE_TXN), text("N")},
    {VDL_NAMED(SQL_MULT_RESULT_SETS), text("N")},
    {VDL_NAMED(SQL_NEED_LONG_DATA_LEN), text("N")},
    {VDL_NAMED(SQL_NON_NULLABLE_COLUMNS), u16{0}},
    // NULL sorts below every value: first ascending, last descending.
    {VDL_NAMED(SQL_NULL_COLLATION), u16{SQL_NC_LOW}},
    {VDL_NAMED(SQL_NUMERIC_FUNCTIONS), &functions<escapes::function_group::numeric>},
    {VDL_NAMED(SQL_ODBC_INTERFACE_CONFORMANCE), u32{1}},
    {VDL_NAMED(SQL_OJ_CAPABILITIES), u32{SQL_OJ_LEFT | SQL_OJ_RIGHT | SQL_OJ_FULL | SQL_OJ_NESTED | SQL_OJ_NOT_ORDERED |
                                         SQL_OJ_INNER | SQL_OJ_ALL_COMPARISON_OPS}},
    {VDL_NAMED(SQL_ORDER_BY_COLUMNS_IN_SELECT), text("N")},
    {VDL_NAMED(SQL_PARAM_ARRAY_ROW_COUNTS), u32{2}},
    {VDL_NAMED(SQL_PARAM_ARRAY_SELECTS), u32{3}},
    {VDL_NAMED(SQL_POSITIONED_STATEMENTS), u32{0}},
    {VDL_NAMED(SQL_POS_OPERATIONS), u32{SQL_POS_POSITION | SQL_POS_UPDATE | SQL_POS_DELETE}},
    {VDL_NAMED(SQL_PROCEDURES), text("N")},
    {VDL_NAMED(SQL_PROCEDURE_TERM), text("")},
    // Quoted names match whatever their case, and are kept as written.
    {VDL_NAMED(SQL_QUOTED_IDENTIFIER_CASE), u16{SQL_IC_MIXED}},
    {180, "SQL_RETURN_ESCAPE_CLAUSE", u32{0}},
    {VDL_NAMED(SQL_ROW_UPDATES), text("N")},
    {VDL_NAMED(SQL_SCHEMA_TERM), text("")},
    {VDL_NAMED(SQL_SCHEMA_USAGE), u32{0}},
    {VDL_NAMED(SQL_SCROLL_OPTIONS), u32{1}},
    {VDL_NAMED(SQL_SEARCH_PATTERN_ESCAPE), text("\\")},
    {VDL_NAMED(SQL_SERVER_NAME), text("vandrel")},
    {VDL_NAMED(SQL_SPECIAL_CHARACTERS), text("")},
    {VDL_NAMED(SQL_SQL92_DATETIME_FUNCTIONS),
     u32{SQL_SDF_CURRENT_DATE | SQL_SDF_CURRENT_TIME | SQL_SDF_CURRENT_TIMESTAMP}},
    {VDL_NAMED(SQL_SQL92_FOREIGN_KEY_DELETE_RULE), u32{0}},
    {VDL_NAMED(SQL_SQL92_FOREIGN_KEY_UPDATE_RULE), u32{0}},
    {VDL_NAMED(SQL_SQL92_GRANT), u32{0}},
    {VDL_NAMED(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS), u32{0}},
    {VDL_NAMED(SQL_SQL92_PREDICATES), u32{SQL_SP_EXISTS | SQL_SP_ISNOTNULL | SQL_SP_ISNULL | SQL_SP_LIKE | SQL_SP_IN |
                                          SQL_SP_BETWEEN | SQL_SP_COMPARISON}},
    {VDL_NAMED(SQL_SQL92_RELATIONAL_JOIN_OPERATORS),
     u32{SQL_SRJO_CROSS_JOIN | SQL_SRJO_EXCEPT_JOIN | SQL_SRJO_FULL_OUTER_JOIN | SQL_SRJO_INNER_JOIN |
         SQL_SRJO_INTERSECT_JOIN | SQL_SRJO_LEFT_OUTER_JOIN | SQL_SRJO_NATURAL_JOIN | SQL_SRJO_RIGHT_OUTER_JOIN}},
    {VDL_NAMED(SQL_SQL92_REVOKE), u32{0}},
    {VDL_NAMED(SQL_SQL92_ROW_VALUE_CONSTRUCTOR), u32{0}},
    {VDL_NAMED(SQL_SQL92_STRING_FUNCTIONS), u32{SQL_SSF_LOWER | SQL_SSF_UPPER}},
    {VDL_NAMED(SQL_SQL92_VALUE_EXPRESSIONS), u32{SQL_SVE_CASE | SQL_SVE_CAST | SQL_SVE_COALESCE | SQL_SVE_NULLIF}},
    {VDL_NAMED(SQL_SQL_CONFORMANCE), u32{1}},
    {VDL_NAMED(SQL_STANDARD_CLI_CONFORMANCE), u32{0}},
    {VDL_NAMED(SQL_STATIC_CURSOR_ATTRIBUTES1), u32{0}},
    {VDL_NAMED(SQL_STATIC_CURSOR_ATTRIBUTES2), u32{0}},
    {VDL_NAMED(SQL_STRING_FUNCTIONS), &functions<escapes::function_group::string>},
    {VDL_NAMED(SQL_SUBQUERIES), u32{SQL_SQ_COMPARISON | SQL_SQ_EXISTS | SQL_SQ_IN | SQL_SQ_CORRELATED_SUBQUERIES}},
    {VDL_NAMED(SQL_SYSTEM_FUNCTIONS), &functions<escapes::function_group::system>},
    {VDL_NAMED(SQL_TABLE_TERM), text("table")},
    {VDL_NAMED(SQL_TIMEDATE_ADD_INTERVALS), &escapes::claimed_intervals},
    {VDL_NAMED(SQL_TIMEDATE_DIFF_INTERVALS), &escapes::claimed_intervals},
    {VDL_NAMED(SQL_TIMEDATE_FUNCTIONS), &functions<escapes::function_group::timedate>},
    {VDL_NAMED(SQL_TXN_CAPABLE), u16{0}},
    {VDL_NAMED(SQL_TXN_ISOLATION_OPTION), u32{0}},
    {VDL_NAMED(SQL_UNION), u32{SQL_U_UNION | SQL_U_UNION_ALL}},
    {VDL_NAMED_ID(SQL_USER_NAME), .value = text(""), .getter = user_name},
});
static_assert(named::names_rise(info_rows), "the rows are in order of name");
static_assert(named::ids_unique(info_rows), "each information type has one row");

// ODBC 2 names of information types: each is answered by the row of its ODBC 3 name above.
constexpr auto odbc2_rows = std::to_array<info_row>({
    {VDL_NAMED(SQL_ACTIVE_CONNECTIONS), u16{1}},
    {VDL_NAMED(SQL_ACTIVE_STATEMENTS), u16{1}},
    {VDL_NAMED(SQL_QUALIFIER_NAME_SEPARATOR), text("")},
    {VDL_NAMED(SQL_QUALIFIER_TERM), text("")},
    {VDL_NAMED(SQL_OWNER_USAGE), u32{0}},
    {VDL_NAMED(SQL_QUALIFIER_USAGE), u32{0}},
});
static_assert(std::all_of(odbc2_rows.begin(), odbc2_rows.end(),
                          [](const info_row& old) {
                              return std::any_of(info_rows.begin(), info_rows.end(),
                                                 [&](const info_row& row) { return row.id == old.id; });
                          }),
              "an ODBC 2 name stands for a type answered in its ODBC 3 row");

info_table::entry entry_of(const info_row& row) {
    attribute_value value = std::visit(
        [](auto v) -> attribute_value {
            if constexpr (std::is_same_v<decltype(v), std::string_view>) {
                return std::string(v);
            } else if constexpr (std::is_same_v<decltype(v), computed_bits>) {
                return v();
            } else {
                return v;
            }
        },
        row.value);
    return {.id = row.id, .name = row.name, .value = std::move(value), .getter = row.getter};
}

}  // namespace

const info_table& prepare_infos() {
    static const info_table table = [] {
        std::vector<info_table::entry> entries;
        entries.reserve(info_rows.size());
        for (const auto& row : info_rows) entries.push_back(entry_of(row));
        return info_table(entries);
    }();
    return table;
}

}  // namespace attributes
