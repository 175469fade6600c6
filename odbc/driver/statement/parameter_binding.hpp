#pragma once
// SQLBindParameter records and the parameter-set attributes that lay their values out in
// application memory. The buffers are read at execution, not at bind time (deferred binding).

#include <sql.h>
#include <sqlext.h>

#include <string_view>

#include "buffers/application_value.hpp"

struct parameter_binding {
    SQLSMALLINT sql_type = SQL_CHAR;  // decides the literal the value is written as
    SQLSMALLINT c_type = SQL_C_CHAR;  // decides how the buffer is read
    SQLPOINTER value = nullptr;
    SQLLEN buffer_length = 0;
    SQLLEN* indicator = nullptr;
};

// SQL_ATTR_PARAMSET_SIZE and the attributes that say where each set's values are and where the
// outcome of each set goes.
struct parameter_sets {
    SQLULEN size = 1;
    // SQL_PARAM_BIND_BY_COLUMN (0), or the size of one set's structure for row-wise binding.
    SQLULEN bind_type = SQL_PARAM_BIND_BY_COLUMN;
    SQLULEN* bind_offset = nullptr;      // added to every value and indicator address
    SQLUSMALLINT* operations = nullptr;  // SQL_PARAM_PROCEED or SQL_PARAM_IGNORE per set
    SQLUSMALLINT* statuses = nullptr;    // SQL_PARAM_SUCCESS, SQL_PARAM_ERROR, ... per set
    SQLULEN* processed = nullptr;        // number of sets processed
};

// Whether a parameter of this SQL type can be rendered.
bool is_accepted_parameter_type(SQLSMALLINT sql_type) noexcept;

// The ODBC symbolic name of an SQL data type code; empty for a code without one.
std::string_view sql_type_name(SQLSMALLINT sql_type) noexcept;

// Where the binding's value for the zero-based parameter set `set` is, with the value its
// length/indicator holds there. The bind offset is added to a null value pointer too, since
// applications that bind with offsets give addresses relative to it.
buffers::application_buffer buffer_of(const parameter_binding& binding, const parameter_sets& sets, SQLULEN set);
