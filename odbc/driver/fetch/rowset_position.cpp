#include "fetch/rowset_position.hpp"

#include <sqlext.h>

namespace fetch_ops {

namespace {

using u64 = std::uint64_t;

// |offset| without overflow, also for the most negative offset.
constexpr u64 magnitude(SQLLEN offset) noexcept {
    return offset < 0 ? u64{0} - static_cast<u64>(offset) : static_cast<u64>(offset);
}

// Offsets count rows from 1; the rules below are those of the ODBC cursor positioning table,
// written for zero-based starts. `rows` is also "past the last row".
std::int64_t absolute(SQLLEN offset, u64 size, u64 rows) noexcept {
    if (offset == 0) return before_first_row;
    const u64 m = magnitude(offset);
    if (offset > 0) return m <= rows ? static_cast<std::int64_t>(m - 1) : static_cast<std::int64_t>(rows);
    if (m <= rows) return static_cast<std::int64_t>(rows - m);
    return m > size ? before_first_row : 0;
}

std::int64_t relative(SQLLEN offset, u64 start, u64 size, u64 rows) noexcept {
    const u64 m = magnitude(offset);
    if (offset >= 0) return m < rows - start ? static_cast<std::int64_t>(start + m) : static_cast<std::int64_t>(rows);
    if (m <= start) return static_cast<std::int64_t>(start - m);
    // Before the first row: a rowset that still reaches into the result starts on the first row.
    if (start == 0 || m > size) return before_first_row;
    return 0;
}

}  // namespace

std::optional<std::int64_t> rowset_start_after(const cursor_move& move, const rowset_geometry& at) noexcept {
    const u64 rows = at.rows;
    const u64 size = at.size == 0 ? 1 : at.size;
    const bool before = at.start < 0;
    const bool past = !before && static_cast<u64>(at.start) >= rows;
    const u64 start = before || past ? 0 : static_cast<u64>(at.start);
    const auto past_end = static_cast<std::int64_t>(rows);

    std::int64_t next = 0;
    switch (move.orientation) {
    case SQL_FETCH_NEXT:
        if (before) {
            next = 0;
        } else if (past) {
            next = past_end;
        } else {
            const u64 step = at.previous == 0 ? size : at.previous;
            next = step < rows - start ? static_cast<std::int64_t>(start + step) : past_end;
        }
        break;
    case SQL_FETCH_PRIOR:
        if (before) {
            next = before_first_row;
        } else if (past) {
            next = size > rows ? 0 : static_cast<std::int64_t>(rows - size);
        } else if (start == 0) {
            next = before_first_row;
        } else {
            next = start < size ? 0 : static_cast<std::int64_t>(start - size);
        }
        break;
    case SQL_FETCH_FIRST: next = 0; break;
    case SQL_FETCH_LAST: next = size > rows ? 0 : static_cast<std::int64_t>(rows - size); break;
    case SQL_FETCH_ABSOLUTE: next = absolute(move.offset, size, rows); break;
    case SQL_FETCH_RELATIVE:
        if ((before && move.offset > 0) || (past && move.offset < 0)) {
            next = absolute(move.offset, size, rows);
        } else if (before) {
            next = before_first_row;
        } else if (past) {
            next = past_end;
        } else {
            next = relative(move.offset, start, size, rows);
        }
        break;
    default: return std::nullopt;
    }
    // A start on no row (an empty result) is past the last row.
    if (next >= past_end) return past_end;
    return next;
}

}  // namespace fetch_ops
