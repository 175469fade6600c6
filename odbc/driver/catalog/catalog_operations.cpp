#include "catalog/catalog_operations.hpp"

#include "diagnostics/not_implemented_yet.hpp"

namespace catalog_ops {

using sv = std::string_view;

diag_record tables(handle::statement&, sv, sv, sv, sv) { return not_implemented_yet(); }
diag_record columns(handle::statement&, sv, sv, sv, sv) { return not_implemented_yet(); }
diag_record primary_keys(handle::statement&, sv, sv, sv) { return not_implemented_yet(); }
diag_record foreign_keys(handle::statement&, sv, sv, sv, sv, sv, sv) { return not_implemented_yet(); }
diag_record statistics(handle::statement&, sv, sv, sv, SQLUSMALLINT, SQLUSMALLINT) { return not_implemented_yet(); }
diag_record table_privileges(handle::statement&, sv, sv, sv) { return not_implemented_yet(); }
diag_record column_privileges(handle::statement&, sv, sv, sv, sv) { return not_implemented_yet(); }
diag_record procedures(handle::statement&, sv, sv, sv) { return not_implemented_yet(); }
diag_record procedure_columns(handle::statement&, sv, sv, sv, sv) { return not_implemented_yet(); }
diag_record get_type_info(handle::statement&, SQLSMALLINT) { return not_implemented_yet(); }

}  // namespace catalog_ops
