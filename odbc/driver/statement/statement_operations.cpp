#include "statement/statement_operations.hpp"

#include "diagnostics/not_implemented_yet.hpp"

namespace statement_ops {

diag_record prepare(handle::statement&, std::string_view) { return not_implemented_yet(); }
diag_record num_params(handle::statement&, SQLSMALLINT*) { return not_implemented_yet(); }
diag_record bind_parameter(handle::statement&, SQLUSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLULEN,
                           SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) {
    return not_implemented_yet();
}
diag_record exec_direct(handle::statement&, std::string_view) { return not_implemented_yet(); }
diag_record execute(handle::statement&) { return not_implemented_yet(); }
diag_record row_count(handle::statement&, SQLLEN*) { return not_implemented_yet(); }
diag_record free_stmt(handle::statement&, SQLUSMALLINT) { return not_implemented_yet(); }
diag_record cancel(handle::statement&) { return not_implemented_yet(); }
diag_record num_result_cols(handle::statement&, SQLSMALLINT*) { return not_implemented_yet(); }
diag_record describe_col(handle::statement&, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLSMALLINT*, SQLULEN*,
                         SQLSMALLINT*, SQLSMALLINT*) {
    return not_implemented_yet();
}
diag_record col_attribute(handle::statement&, SQLUSMALLINT, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*,
                          SQLLEN*) {
    return not_implemented_yet();
}

}  // namespace statement_ops
