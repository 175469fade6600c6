#pragma once
// A statement's current result, held wholly in memory column by column.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "client/library_record.hpp"
#include "statement/column_values.hpp"
#include "vdl_api.h"

// The longest column name a result carries, in bytes: what SQLGetInfo reports as
// SQL_MAX_COLUMN_NAME_LEN.
inline constexpr std::size_t max_column_name_length = 1024;

// A point in time: seconds since 1970-01-01T00:00:00Z and a nanosecond part.
struct timestamp_value {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    friend bool operator==(const timestamp_value&, const timestamp_value&) = default;
};

template <>
struct cell_reader<timestamp_value> {
    static timestamp_value read(const vdl_cell& c) noexcept {
        return {c.payload.as_timestamp.seconds, c.payload.as_timestamp.nanoseconds};
    }
};

// The cells of one column of one kind: one entry per row, absent for SQL NULL. The kind
// number is part of the type so that kinds sharing a value type stay distinct.
template <int Kind, typename T>
struct cells {
    static constexpr int kind = Kind;
    using value_type = T;
    column_values<T> values;
};

using no_cells = std::monostate;                      // 0: every row is NULL
using sshort_cells = cells<1, std::int16_t>;          // 1
using ushort_cells = cells<2, std::uint16_t>;         // 2
using slong_cells = cells<3, std::int32_t>;           // 3
using ulong_cells = cells<4, std::uint32_t>;          // 4
using bigint_cells = cells<5, std::int64_t>;          // 5
using ubigint_cells = cells<6, std::uint32_t>;        // 6: 32-bit values reported as unsigned big integers
using float_cells = cells<7, float>;                  // 7
using double_cells = cells<8, double>;                // 8
using text_cells = cells<9, std::string>;             // 9: owned text
using text_view_cells = cells<10, std::string_view>;  // 10: text viewed in the library result
using timestamp_cells = cells<11, timestamp_value>;   // 11

// The variant index is the kind number.
using column_data =
    std::variant<no_cells, sshort_cells, ushort_cells, slong_cells, ulong_cells, bigint_cells, ubigint_cells,
                 float_cells, double_cells, text_cells, text_view_cells, timestamp_cells>;

// Number of stored cells of a column (0 for kind 0).
std::size_t cell_count(const column_data& data) noexcept;

// What the kind of a column reports to the application.
struct kind_description {
    std::string_view kind_name;  // as messages name the kind, such as SQL_CHAR
    std::string_view type_name;  // SQL_DESC_TYPE_NAME: the store's type

    std::int32_t sql_type;
    std::int32_t c_type;
    std::int32_t column_size;
    std::int32_t precision;
};
const kind_description& describe_kind(std::size_t kind) noexcept;

struct result_column {
    std::string name;
    std::string_view type_name;
    std::int32_t c_type = SQL_C_CHAR;
    std::int32_t sql_type = SQL_CHAR;
    std::int32_t column_size = 0;
    std::int32_t decimal_digits = 0;
    std::int32_t precision = 0;
    std::int32_t radix = 0;  // reported for SQL_DESC_NUM_PREC_RADIX; always equal to precision
    std::int32_t searchable = 0;
    std::int32_t nullable = SQL_NULLABLE;
    column_data data;

    // A column whose description follows from its cells' kind: the type name, types, size and
    // precision of the kind; text kinds are as wide as their longest value (NULL cells aside).
    static result_column of(std::string name, column_data data);
    // Sets the description from the cells already in `data` (what `of` does, in place).
    void describe_from_data();
};

// The smallest size a text column of a statement prepared with parameter markers is described
// with: such a statement runs again with other values, and clients that size their buffers once
// per SQLPrepare from the first description (DBD::ODBC) must still hold the longer texts of later
// executions. The store's texts have no declared length.
inline constexpr std::int32_t prepared_text_column_size = 65535;

// Describes every text column at least `size` wide.
void widen_text_columns(std::vector<result_column>& columns, std::int32_t size) noexcept;

// The columns of the current result, and the library result that text views point into.
struct result_table {
    std::vector<result_column> columns;
    library_result source;
};
