#pragma once
// A text as the SQLCHAR* that the ODBC calls take. The calls take no ownership and, for input
// arguments, do not write: the cast away from const is safe.

#include <sql.h>

#include <string>

namespace support {

inline SQLCHAR* sql_text(const char* text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)); }
inline SQLCHAR* sql_text(const std::string& text) { return sql_text(text.c_str()); }

}  // namespace support
