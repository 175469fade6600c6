#pragma once
// Catalog functions and type information, answered as result tables.

#include <sql.h>

#include <string_view>

#include "diagnostics/diag_record.hpp"
#include "handle/variant_handle.hpp"

namespace catalog_ops {

diag_record tables(handle::statement& stmt, std::string_view catalog, std::string_view schema, std::string_view table,
                   std::string_view table_type);
diag_record columns(handle::statement& stmt, std::string_view catalog, std::string_view schema, std::string_view table,
                    std::string_view column);
diag_record primary_keys(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                         std::string_view table);
diag_record foreign_keys(handle::statement& stmt, std::string_view pk_catalog, std::string_view pk_schema,
                         std::string_view pk_table, std::string_view fk_catalog, std::string_view fk_schema,
                         std::string_view fk_table);
diag_record statistics(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                       std::string_view table, SQLUSMALLINT unique, SQLUSMALLINT reserved);
diag_record table_privileges(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                             std::string_view table);
diag_record column_privileges(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                              std::string_view table, std::string_view column);
diag_record procedures(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                       std::string_view procedure);
diag_record procedure_columns(handle::statement& stmt, std::string_view catalog, std::string_view schema,
                              std::string_view procedure, std::string_view column);
diag_record get_type_info(handle::statement& stmt, SQLSMALLINT data_type);

}  // namespace catalog_ops
