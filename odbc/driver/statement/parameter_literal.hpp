#pragma once
// The one writer of a bound value as a literal of the query language, by the parameter's SQL
// type: the database takes no bound parameters, so each marker is replaced by such a literal.
//
//   character types  'text', every ' doubled; numbers as their text
//   binary types     X'hex' blob literal, byte for byte
//   integer types    decimal; a number or a text that is one, whole and in the type's range
//                    (SQL_BIT: 0 or 1)
//   floating types   the shortest decimal form that reads back to the same value (SQL_DECIMAL
//                    and SQL_NUMERIC too: the store's numbers are integers and doubles)
//   date and time    unquoted YYYY-MM-DDTHH:MM:SS[.fraction], a time of day on the current
//                    date (UTC); a date or time structure is written so whatever the SQL type
//   NULL             NULL, whatever the type

#include <sql.h>

#include <optional>
#include <string>
#include <string_view>

#include "buffers/application_value.hpp"

// Appends `text` as a quoted text literal, every ' doubled, to `out`; a text holding a zero byte
// cannot be one (a query text ends at its first zero byte): `out` stays as it was.
std::optional<buffers::value_refusal> append_text_literal(std::string& out, std::string_view text);

// Appends the literal of `value` as a parameter of `sql_type` to `out`, or leaves `out` as it was
// and answers why the value cannot be one.
std::optional<buffers::value_refusal> append_literal(std::string& out, SQLSMALLINT sql_type,
                                                     const buffers::application_value& value);
