#include "engine_errors.hpp"

#include "vdl_api.h"

#include <gtest/gtest.h>

namespace vdl {
namespace {

TEST(engine_errors, messages_map_to_codes_with_the_useful_part_kept) {
    const std::tuple<int, const char*, std::uint32_t, const char*> cases[] = {
        {SQLITE_ERROR, "no such table: main.trades", VDL_E_NO_TABLE, "trades"},
        {SQLITE_ERROR, "no such column: prise", VDL_E_NO_COLUMN, "prise"},
        {SQLITE_ERROR, "table t has no column named x", VDL_E_NO_COLUMN, "x (table t)"},
        {SQLITE_ERROR, "table t already exists", VDL_E_TABLE_EXISTS, "t"},
        {SQLITE_ERROR, "near \"FORM\": syntax error", VDL_E_SYNTAX, "near \"FORM\": syntax error"},
        {SQLITE_ERROR, "incomplete input", VDL_E_SYNTAX, "incomplete input"},
        {SQLITE_ERROR, "no such function: f", VDL_E_QUERY, "no such function: f"},
        {SQLITE_CONSTRAINT_CHECK, "CHECK constraint failed: vdl_type:a:b:INT64", VDL_E_TYPE,
         "column a:b holds INT64 values; the value given is of another type"},
        {SQLITE_CONSTRAINT_CHECK, "CHECK constraint failed: other", VDL_E_CONSTRAINT, "CHECK constraint failed: other"},
        {SQLITE_CONSTRAINT_NOTNULL, "NOT NULL constraint failed: t.$timestamp", VDL_E_CONSTRAINT,
         "NOT NULL constraint failed: t.$timestamp"},
        {SQLITE_BUSY, "database is locked", VDL_E_BUSY,
         "database is locked (another connection kept the store locked)"},
        {SQLITE_READONLY, "attempt to write a readonly database", VDL_E_ACCESS_DENIED,
         "attempt to write a readonly database (the store is open for reading only: its file or file system does "
         "not allow writing)"},
        {SQLITE_IOERR_WRITE, "disk I/O error", VDL_E_STORAGE, "disk I/O error"},
        {SQLITE_FULL, "database or disk is full", VDL_E_STORAGE, "database or disk is full"},
        {SQLITE_NOMEM, "out of memory", VDL_E_OUT_OF_MEMORY, "out of memory"},
    };
    for (const auto& [code, message, expected, detail] : cases) {
        const auto error = classify_engine_error(code, message);
        EXPECT_EQ(error.code, expected) << message;
        EXPECT_EQ(error.detail, detail) << message;
    }
}

}  // namespace
}  // namespace vdl
