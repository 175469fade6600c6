// Owning pointers for the engine's connection and statement objects.
#pragma once

#include <sqlite3.h>

#include <memory>

namespace vdl {

struct database_closer {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using database_ptr = std::unique_ptr<sqlite3, database_closer>;

struct statement_finalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using statement_ptr = std::unique_ptr<sqlite3_stmt, statement_finalizer>;

}  // namespace vdl
