#pragma once
// A statement's current result as an application reads it: its columns as SQLDescribeCol and
// SQLColAttribute describe them, and its rows as SQLFetch and SQLGetData deliver them, as text.

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <string>

#include "diagnostics.hpp"

namespace support {

// The columns as "name TYPE_NAME(size)", separated by ", ": the store's type name and the size
// follow from the kind the driver read the column as.
inline std::string columns_text(SQLHSTMT stmt) {
    SQLSMALLINT count = -1;
    if (!SQL_SUCCEEDED(SQLNumResultCols(stmt, &count))) return "columns: " + diag(SQL_HANDLE_STMT, stmt);
    std::string out;
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
        std::array<SQLCHAR, 256> name{};
        std::array<char, 64> type_name{};
        SQLSMALLINT length = 0;
        SQLULEN size = 0;
        SQLDescribeCol(stmt, c, name.data(), name.size(), &length, nullptr, &size, nullptr, nullptr);
        SQLColAttribute(stmt, c, SQL_DESC_TYPE_NAME, type_name.data(), type_name.size(), &length, nullptr);
        if (c > 1) out += ", ";
        out += reinterpret_cast<const char*>(name.data());
        out += " " + std::string(type_name.data()) + "(" + std::to_string(size) + ")";
    }
    return out;
}

// The rows from the cursor's position on: one line per row, its cells read as SQL_C_CHAR and
// separated by " | ", NULL for SQL NULL. A failure to fetch or to read ends the text with its
// diagnostic.
inline std::string rows_text(SQLHSTMT stmt) {
    SQLSMALLINT count = -1;
    if (!SQL_SUCCEEDED(SQLNumResultCols(stmt, &count))) return "columns: " + diag(SQL_HANDLE_STMT, stmt);
    std::string out;
    SQLRETURN fetched = SQL_SUCCESS;
    while ((fetched = SQLFetch(stmt)) == SQL_SUCCESS) {
        for (SQLUSMALLINT c = 1; c <= count; ++c) {
            std::array<char, 256> cell{};
            SQLLEN indicator = 0;
            if (c > 1) out += " | ";
            if (!SQL_SUCCEEDED(SQLGetData(stmt, c, SQL_C_CHAR, cell.data(), cell.size(), &indicator)))
                return out + "<" + diag(SQL_HANDLE_STMT, stmt) + ">\n";
            out += indicator == SQL_NULL_DATA ? "NULL" : cell.data();
        }
        out += "\n";
    }
    if (fetched != SQL_NO_DATA) out += "<fetch: " + diag(SQL_HANDLE_STMT, stmt) + ">\n";
    return out;
}

// SQLRowCount's answer.
inline SQLLEN row_count(SQLHSTMT stmt) {
    SQLLEN rows = -2;
    const SQLRETURN rc = SQLRowCount(stmt, &rows);
    return SQL_SUCCEEDED(rc) ? rows : -2;
}

// SQL_ATTR_ROW_NUMBER: the one-based current row, 0 without one.
inline SQLULEN row_number(SQLHSTMT stmt) {
    SQLULEN row = 0xDEAD;
    SQLGetStmtAttr(stmt, SQL_ATTR_ROW_NUMBER, &row, 0, nullptr);
    return row;
}

}  // namespace support
