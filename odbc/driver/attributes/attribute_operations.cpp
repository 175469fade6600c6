#include "attributes/attribute_operations.hpp"

#include <sqlext.h>

#include "attributes/attribute_access.hpp"
#include "attributes/attribute_tables.hpp"

namespace attributes {

diag_record set_env_attr(handle::environment& env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    return set_attribute(prepare_attributes<handle::environment>(), env, attribute, value, length);
}

diag_record get_env_attr(handle::environment& env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER buffer_length,
                         SQLINTEGER* string_length) {
    return get_attribute(prepare_attributes<handle::environment>(), env, attribute, value, buffer_length,
                         string_length);
}

diag_record set_connect_attr(handle::connection& dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    return set_attribute(prepare_attributes<handle::connection>(), dbc, attribute, value, length);
}

diag_record get_connect_attr(handle::connection& dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER buffer_length,
                             SQLINTEGER* string_length) {
    return get_attribute(prepare_attributes<handle::connection>(), dbc, attribute, value, buffer_length, string_length);
}

diag_record set_stmt_attr(handle::statement& stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    return set_attribute(prepare_attributes<handle::statement>(), stmt, attribute, value, length);
}

diag_record get_stmt_attr(handle::statement& stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER buffer_length,
                          SQLINTEGER* string_length) {
    return get_attribute(prepare_attributes<handle::statement>(), stmt, attribute, value, buffer_length, string_length);
}

diag_record get_info(handle::connection& dbc, SQLUSMALLINT info_type, SQLPOINTER value, SQLSMALLINT buffer_length,
                     SQLSMALLINT* string_length) {
    return get_attribute(prepare_infos(), dbc, info_type, value, buffer_length, string_length, read_kind::info);
}

}  // namespace attributes
