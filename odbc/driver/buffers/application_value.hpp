#pragma once
// The one reader of a value in an application's buffer, by the C type the application gave:
// bound parameters and the new values of a positioned update are read through it. Fixed-size C types
// are read by their size; character and binary values by their length/indicator, never past the
// buffer length; a data-at-execution token is never dereferenced. Wide-character values
// (SQL_C_WCHAR, UTF-16) are read as the UTF-8 text an SQL_C_CHAR buffer would hold.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "diagnostics/diag_record.hpp"

namespace buffers {

struct null_value {};
// The bytes of a character value: of SQL_C_CHAR as the application encoded them, of SQL_C_WCHAR
// their UTF-8 form, which `transcoded` holds.
struct text_value {
    std::string_view bytes;
    std::shared_ptr<const std::string> transcoded = nullptr;
};
// The bytes of a binary value (SQL_C_BINARY), zero bytes included.
struct binary_value {
    std::string_view bytes;
};

// A value read from an application buffer. Signed C integers are read as std::int64_t, unsigned
// ones (and SQL_C_BIT) as std::uint64_t; SQL_C_NUMERIC as an integer when it has no fraction and
// fits, else as a double. The views point into the application's buffer, or into the UTF-8 copy
// that a wide-character value keeps.
using application_value = std::variant<null_value, std::int64_t, std::uint64_t, float, double, text_value, binary_value,
                                       SQL_DATE_STRUCT, SQL_TIME_STRUCT, SQL_TIMESTAMP_STRUCT>;

// Why a value cannot be read or written: the state to report and the reason, without the
// context (which parameter) that the caller adds.
struct value_refusal {
    diag::state state;
    std::string reason;
};

// One value's place in application memory.
struct application_buffer {
    SQLSMALLINT c_type = SQL_C_CHAR;
    const void* value = nullptr;  // a null pointer is a NULL value
    SQLLEN buffer_length = 0;
    // The value the length/indicator holds, when the application gave one.
    std::optional<SQLLEN> indicator;
};

using read_result = std::variant<application_value, value_refusal>;

// Reads the value: SQL_NULL_DATA (or no value pointer) is NULL; character and binary values take
// the indicator's length, up to the first zero byte for SQL_NTS (and for text without an
// indicator), or the buffer length for binary without an indicator. Wide-character lengths are
// in bytes too, and SQL_NTS runs up to the first 2-byte zero; ill-formed UTF-16 (a surrogate
// without its partner) reads as U+FFFD.
read_result read_value(const application_buffer& buffer);

// The C type SQL_C_DEFAULT stands for with an SQL type (SQL_C_WCHAR for the wide types), and the
// ODBC 3 code of an ODBC 2 date or time code and of SQL_C_TINYINT; any other code is returned as
// it is.
SQLSMALLINT concrete_c_type(SQLSMALLINT c_type, SQLSMALLINT sql_type) noexcept;

// The refusal of a C type that read_value does not read.
std::optional<value_refusal> unreadable_c_type(SQLSMALLINT c_type);

}  // namespace buffers
