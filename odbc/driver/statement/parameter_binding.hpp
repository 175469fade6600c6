#pragma once
// SQLBindParameter records and the rendering of a bound value into query text: the database
// takes no bound parameters, so each marker is replaced by a literal at execution.

#include <sql.h>

#include <string>
#include <string_view>

struct parameter_binding {
    SQLSMALLINT sql_type = SQL_CHAR;  // decides how the buffer is read and rendered
    SQLPOINTER value = nullptr;       // read at execution, not at bind time
    SQLLEN buffer_length = 0;
    SQLLEN* indicator = nullptr;
};

// Whether a parameter of this SQL type can be rendered.
bool is_accepted_parameter_type(SQLSMALLINT sql_type) noexcept;

// The ODBC symbolic name of an SQL data type code; empty for a code without one.
std::string_view sql_type_name(SQLSMALLINT sql_type) noexcept;

// The literal for the bound value. Character and binary values are quoted only for an insert,
// with quotes inside the value doubled;
// a NULL value (SQL_NULL_DATA indicator or no buffer) is the literal NULL.
std::string render(const parameter_binding& binding, bool insert_flag);
