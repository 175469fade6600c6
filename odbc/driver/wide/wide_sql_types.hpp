#pragma once
// The wide-character SQL types of a parameter. The store's text is 8-bit, so a parameter declared
// SQL_WCHAR, SQL_WVARCHAR or SQL_WLONGVARCHAR is sent as the 8-bit type of the same shape.

#include <sql.h>
#include <sqlext.h>

namespace wide {

constexpr SQLSMALLINT narrow_sql_type(SQLSMALLINT sql_type) noexcept {
    switch (sql_type) {
    case SQL_WCHAR: return SQL_CHAR;
    case SQL_WVARCHAR: return SQL_VARCHAR;
    case SQL_WLONGVARCHAR: return SQL_LONGVARCHAR;
    default: return sql_type;
    }
}

}  // namespace wide
