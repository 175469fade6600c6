#include "attributes/attribute_operations.hpp"

#include "diagnostics/not_implemented_yet.hpp"

namespace attributes {

diag_record set_env_attr(handle::environment&, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return not_implemented_yet(); }
diag_record get_env_attr(handle::environment&, SQLINTEGER, SQLPOINTER, SQLINTEGER, SQLINTEGER*) {
    return not_implemented_yet();
}
diag_record set_connect_attr(handle::connection&, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return not_implemented_yet(); }
diag_record get_connect_attr(handle::connection&, SQLINTEGER, SQLPOINTER, SQLINTEGER, SQLINTEGER*) {
    return not_implemented_yet();
}
diag_record set_stmt_attr(handle::statement&, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return not_implemented_yet(); }
diag_record get_stmt_attr(handle::statement&, SQLINTEGER, SQLPOINTER, SQLINTEGER, SQLINTEGER*) {
    return not_implemented_yet();
}
diag_record get_info(handle::connection&, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*) {
    return not_implemented_yet();
}
diag_record get_functions(handle::connection&, SQLUSMALLINT, SQLUSMALLINT*) { return not_implemented_yet(); }

}  // namespace attributes
