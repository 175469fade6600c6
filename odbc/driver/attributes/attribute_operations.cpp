#include "attributes/attribute_operations.hpp"

#include <sqlext.h>

#include "attributes/attribute_access.hpp"
#include "attributes/attribute_tables.hpp"

namespace attributes {

namespace {

// Left out of the read-back check of statement attributes: the parameter-array rows, whose
// values belong to the execution of parameter sets.
value_check check_of_statement_attribute(SQLINTEGER attribute) noexcept {
    switch (attribute) {
    case SQL_ATTR_PARAMSET_SIZE:
    case SQL_ATTR_PARAM_BIND_TYPE:
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
    case SQL_ATTR_PARAM_STATUS_PTR: return value_check::none;
    default: return value_check::read_back;
    }
}

}  // namespace

diag_record set_env_attr(handle::environment& env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    return set_attribute(prepare_attributes<handle::environment>(), env, attribute, value, length);
}

diag_record get_env_attr(handle::environment& env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER buffer_length,
                         SQLINTEGER* string_length) {
    return get_attribute(prepare_attributes<handle::environment>(), env, attribute, value, buffer_length, string_length);
}

diag_record set_connect_attr(handle::connection& dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    return set_attribute(prepare_attributes<handle::connection>(), dbc, attribute, value, length);
}

diag_record get_connect_attr(handle::connection& dbc, SQLINTEGER attribute, SQLPOINTER value,
                             SQLINTEGER buffer_length, SQLINTEGER* string_length) {
    return get_attribute(prepare_attributes<handle::connection>(), dbc, attribute, value, buffer_length, string_length);
}

diag_record set_stmt_attr(handle::statement& stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    return set_attribute(prepare_attributes<handle::statement>(), stmt, attribute, value, length,
                         check_of_statement_attribute(attribute));
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
