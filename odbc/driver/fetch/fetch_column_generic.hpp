#pragma once
// The one conversion of result cells into application buffers, used by every fetch path.

#include <sql.h>

#include <cstddef>
#include <string_view>
#include <vector>

#include "diagnostics/diag_record.hpp"
#include "statement/result_table.hpp"

// SQLGetData's place in one character or binary value that it hands out in pieces.
struct value_piece {
    std::size_t offset = 0;  // in: bytes returned by earlier calls; out: bytes returned so far
    bool returned = false;   // out: the cell held a value (it was not NULL or missing)
    bool truncated = false;  // out: bytes of the value remain after this call
};

// How a text or binary value went into its slot: whole, cut to the buffer, or not at all because
// the buffer cannot hold the next whole character (a wide piece of SQLGetData).
enum class put_outcome : unsigned char { whole, cut, no_room };

// Takes the SQL_C_CHAR text of each converted cell in place of the copy into its slot, so that a
// target holding text in another form is served by the same conversion: the same texts for
// numbers, timestamps and texts. It stores the value at `data` (null when the application gave
// no buffer) and its length at `indicator` (when not null).
class text_sink {
public:
    virtual put_outcome put(std::string_view text, std::byte* data, std::byte* indicator) = 0;

protected:
    text_sink() = default;
    text_sink(const text_sink&) = default;
    text_sink& operator=(const text_sink&) = default;
    ~text_sink() = default;
};

// Converts the cells first_row ... first_row + count - 1 of `column` into the slots 0 ... count - 1
// of a binding: `bind_type` 0 is column-wise binding, any other value the size of one row of a
// row-wise bound structure. A cell past the column's end or NULL stores SQL_NULL_DATA through the
// slot's indicator (when there is one) and never fails; any other cell is converted to `c_type`,
// and its indicator receives the length of the converted value. The first row that cannot be
// converted ends the call with its record (22003, 22018, 07006 ...); earlier slots keep their values.
//
// A value stored with a warning (a character or binary value cut to its buffer: 01004; a number
// whose fraction was dropped: 01S07) does not stop the call: its slot is marked in `warned_slots`
// (when given; resized to `count` on the first mark) and the first warning is the call's outcome.
//
// With `piece`, the single row's character or binary value is handed out from `piece->offset`
// on, and a value that does not fit returns 01004 with the length still remaining through the
// indicator.
//
// With SQL_C_CHAR and a `sink`, each present cell's text goes to the sink instead (and `piece` is
// not used); every other C type ignores the sink.
diag_record fetch_column_generic(const column_data& column, SQLULEN count, SQLULEN first_row, SQLULEN bind_type,
                                 SQLSMALLINT c_type, SQLPOINTER buffer, SQLLEN buffer_length, SQLLEN* indicator,
                                 value_piece* piece = nullptr, text_sink* sink = nullptr,
                                 std::vector<bool>* warned_slots = nullptr);
