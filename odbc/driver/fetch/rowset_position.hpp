#pragma once
// Where a fetch moves a block cursor: the ODBC rules of SQLFetchScroll for the first row of the
// next rowset, from the current rowset, the rowset size and the number of rows.

#include <sql.h>

#include <cstdint>
#include <optional>

namespace fetch_ops {

// A zero-based rowset start: `before_first_row` is before the first row, and any start at or
// above the row count is past the last row.
inline constexpr std::int64_t before_first_row = -1;

struct cursor_move {
    SQLSMALLINT orientation;  // SQL_FETCH_NEXT ... SQL_FETCH_RELATIVE
    SQLLEN offset;            // the fetch offset of ABSOLUTE and RELATIVE
};

struct rowset_geometry {
    std::int64_t start;      // the current rowset's first row (zero-based, or before/past as above)
    std::uint64_t previous;  // the size of the current rowset (the rowset size of the last fetch)
    std::uint64_t size;      // the rowset size of this fetch, at least 1
    std::uint64_t rows;      // the number of rows of the result
};

// The first row of the rowset `move` fetches: ABSOLUTE counts from 1 (negative offsets from the
// end, 0 is before the first row); NEXT moves one rowset on (by the size of the current rowset),
// PRIOR one rowset back; RELATIVE counts from the current rowset's first row; LAST is the rowset
// that ends on the last row. A move that would start a rowset before the first row but still
// reach into the result starts it on the first row. Past the last row the start is `rows`.
// Nullopt for an orientation that is not one of these six.
std::optional<std::int64_t> rowset_start_after(const cursor_move& move, const rowset_geometry& at) noexcept;

}  // namespace fetch_ops
