#pragma once
// Where the value and the length/indicator of each row of a rowset go in application memory.

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <cstring>
#include <type_traits>

// Writes a value into application memory, which need not be aligned for its type.
template <typename T>
requires std::is_trivially_copyable_v<T>
inline void store_into(std::byte* at, const T& value) noexcept { std::memcpy(at, &value, sizeof value); }

// The bytes one row takes in a column-wise bound array of the C type: the buffer length for
// character and binary targets, the size of the C value otherwise, 0 for codes without one.
constexpr std::size_t element_size(SQLSMALLINT c_type, SQLLEN buffer_length) noexcept {
    switch (c_type) {
    case SQL_C_CHAR:
    case SQL_C_WCHAR:
    case SQL_C_BINARY: return buffer_length > 0 ? static_cast<std::size_t>(buffer_length) : 0;
    case SQL_C_NUMERIC: return sizeof(SQL_NUMERIC_STRUCT);
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
    case SQL_C_FLOAT: return 4;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT: return 2;
    case SQL_C_DOUBLE:
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT: return 8;
    case SQL_C_TYPE_DATE:
    case SQL_C_TYPE_TIME: return 6;
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_GUID: return 16;
    case SQL_C_BIT:
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT: return 1;
    default: return 0;
    }
}

// The slots of one binding. Row-wise binding (a row size b > 0) puts slot j's value and indicator
// j * b bytes after the first row's; column-wise binding keeps values one element and indicators
// one SQLLEN apart. A null buffer or indicator stays null in every slot.
class application_slots {
public:
    application_slots(SQLULEN row_size, SQLSMALLINT c_type, SQLPOINTER buffer, SQLLEN buffer_length,
                      SQLLEN* indicator) noexcept
        : data_(static_cast<std::byte*>(buffer)),
          indicator_(reinterpret_cast<std::byte*>(indicator)),
          data_stride_(row_size != 0 ? row_size : element_size(c_type, buffer_length)),
          indicator_stride_(row_size != 0 ? row_size : sizeof(SQLLEN)) {}

    [[nodiscard]] std::byte* data(std::size_t slot) const noexcept {
        return data_ != nullptr ? data_ + slot * data_stride_ : nullptr;
    }
    [[nodiscard]] std::byte* indicator(std::size_t slot) const noexcept {
        return indicator_ != nullptr ? indicator_ + slot * indicator_stride_ : nullptr;
    }

private:
    std::byte* data_;
    std::byte* indicator_;
    std::size_t data_stride_;
    std::size_t indicator_stride_;
};
