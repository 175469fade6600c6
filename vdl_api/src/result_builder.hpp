// Builds result and metadata records from the engine's rows, in one pass, into one arena.
#pragma once

#include "failure.hpp"
#include "lang/translator.hpp"
#include "records.hpp"
#include "result_layout.hpp"
#include "vdl_api.h"

#include <sqlite3.h>

#include <span>
#include <vector>

namespace vdl {

// Steps the prepared statement to its end and returns the result record; first is what the
// first step, made by the caller, returned (SQLITE_ROW or SQLITE_DONE). items are the query's
// outermost select items, which lang::column_kinds places on the columns: a count(...) or a
// timestamp expression types its column. Columns declared TIMESTAMP give timestamp cells, columns
// declared BLOB give blob cells. A column the engine named after the engine text of its item
// gets the name the query wrote instead (lang::written_name of the source statement).
// With a layout, what it knows of the statement's columns is used, and what is learned kept in it.
// With `kinds`, the columns are left as the engine gave their values and the cell kinds each holds
// are stored there (see cell_kinds and unify_columns): for a part of a result read by one of
// several readers.
outcome<owned_record> build_result(sqlite3* db, sqlite3_stmt* statement, int first,
                                   std::span<const lang::select_item> items, const lang::engine_statement& source,
                                   result_layout* layout = nullptr, std::vector<unsigned>* kinds = nullptr);

// Gives each column of the rows one kind besides NULL (integers among reals become reals, numbers
// and timestamps among texts or blobs become text), by the kinds build_result found in it. Texts
// made are kept in `memory`.
void unify_columns(arena& memory, std::span<vdl_cell* const> rows, std::span<const unsigned> kinds);

struct column_description {
    std::string_view name;
    std::string_view declared_type;
    bool not_null;
};

// A metadata record for the columns in the given order.
owned_record build_metadata(const std::vector<column_description>& columns);

}  // namespace vdl
