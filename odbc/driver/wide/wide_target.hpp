#pragma once
// SQL_C_WCHAR targets of SQLBindCol and SQLGetData. The driver's values are 8-bit text: a wide
// target gets exactly the text an SQL_C_CHAR target gets (numbers and timestamps included), in
// UTF-16. Lengths are in bytes, as ODBC counts them for wide buffers.

#include <sql.h>

#include <cstddef>
#include <optional>
#include <vector>

#include "diagnostics/diag_record.hpp"
#include "statement/result_table.hpp"

namespace wide {

// SQLGetData's place in one value that it hands out in wide pieces.
struct wide_piece {
    std::size_t offset = 0;                 // in/out: bytes of the value's UTF-8 text handed out
    std::optional<std::size_t> units_left;  // in/out: UTF-16 units not yet handed out, once counted
    bool returned = false;                  // out: the cell held a value (it was not NULL or missing)
    bool truncated = false;                 // out: characters of the value remain after this call
};

// Converts the cells first_row ... first_row + count - 1 of `column` into the UTF-16 slots of a
// binding, laid out as for SQL_C_CHAR (`buffer_length` bytes per slot column-wise, `bind_type`
// bytes per row row-wise). Each slot receives the leading whole characters that fit in
// buffer_length bytes with a 2-byte zero after them (never half a surrogate pair), and its
// indicator the length in bytes of the whole UTF-16 value; NULL and missing cells store
// SQL_NULL_DATA. A value that does not fit is cut with 01004 and its slot marked in
// `warned_slots`, as fetch_column_generic does. With `piece`, the single row's value is handed
// out from `piece` on: a value that does not fit returns 01004 with the length in bytes still
// remaining through the indicator, and a buffer with room for a character but not for the next
// one (half a surrogate pair) is HY090.
diag_record fetch_column_wide(const column_data& column, SQLULEN count, SQLULEN first_row, SQLULEN bind_type,
                              SQLPOINTER buffer, SQLLEN buffer_length, SQLLEN* indicator, wide_piece* piece = nullptr,
                              std::vector<bool>* warned_slots = nullptr);

}  // namespace wide
