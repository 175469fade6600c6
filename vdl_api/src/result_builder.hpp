// Builds result and metadata records from the engine's rows, in one pass, into one arena.
#pragma once

#include "failure.hpp"
#include "lang/translator.hpp"
#include "records.hpp"

#include <sqlite3.h>

#include <vector>

namespace vdl {

// Steps the prepared statement to its end and returns the result record; first is what the
// first step, made by the caller, returned (SQLITE_ROW or SQLITE_DONE). column_kinds
// tells, per column, whether the select item is a count(...) or a timestamp expression
// (missing entries: neither). Columns declared TIMESTAMP give timestamp cells, columns
// declared BLOB give blob cells. A column the engine named after the engine text of its item
// gets the name the query wrote instead (lang::written_name of the source statement).
outcome<owned_record> build_result(sqlite3* db, sqlite3_stmt* statement, int first,
                                   const std::vector<lang::select_item>& column_kinds,
                                   const lang::engine_statement& source);

struct column_description {
    std::string_view name;
    std::string_view declared_type;
    bool not_null;
};

// A metadata record for the columns in the given order.
owned_record build_metadata(const std::vector<column_description>& columns);

} // namespace vdl
