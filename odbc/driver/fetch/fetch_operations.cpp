#include "fetch/fetch_operations.hpp"

#include "diagnostics/not_implemented_yet.hpp"

namespace fetch_ops {

diag_record bind_col(handle::statement&, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) {
    return not_implemented_yet();
}
diag_record fetch(handle::statement&) { return not_implemented_yet(); }
diag_record fetch_scroll(handle::statement&, SQLSMALLINT, SQLLEN) { return not_implemented_yet(); }
diag_record more_results(handle::statement&) { return not_implemented_yet(); }
diag_record get_data(handle::statement&, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) {
    return not_implemented_yet();
}

}  // namespace fetch_ops
