#pragma once
// The date and time type codes of ODBC 2 (SQL_DATE, SQL_TIME, SQL_TIMESTAMP), which applications
// written for it (and some written since, such as Qt's) still pass: each stands for the ODBC 3 code
// of the same type.

#include <sql.h>
#include <sqlext.h>

constexpr SQLSMALLINT odbc3_type_code(SQLSMALLINT sql_type) noexcept {
    switch (sql_type) {
    case SQL_DATE: return SQL_TYPE_DATE;
    case SQL_TIME: return SQL_TYPE_TIME;
    case SQL_TIMESTAMP: return SQL_TYPE_TIMESTAMP;
    default: return sql_type;
    }
}
