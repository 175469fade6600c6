// What the columns of a prepared statement's results are: learned by building a result, kept
// with the statement, and reused while the engine has not prepared the statement again (a
// change of the schema) and the query's select items are the same, so that a statement run
// again does not ask the engine for its columns' names and declared types every time.
#pragma once

#include "lang/translator.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vdl {

// How the values of one result column become cells, decided once per column. integer, real and
// text make cells as plain does, and tell the kind of a column without values.
enum class column_rule : std::uint8_t { plain, timestamp, blob, count, integer, real, text };

struct result_layout {
    int reprepares = -1;  // the statement's SQLITE_STMTSTATUS_REPREPARE when learned; -1: nothing learned
    std::vector<lang::select_item> items;
    std::vector<column_rule> rules;
    std::vector<std::string> names;  // empty when a name is made from the query's own values

    [[nodiscard]] bool describes(sqlite3_stmt* statement, std::span<const lang::select_item> query_items) const {
        return reprepares >= 0 && sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_REPREPARE, 0) == reprepares &&
               rules.size() == static_cast<std::size_t>(sqlite3_column_count(statement)) &&
               std::equal(items.begin(), items.end(), query_items.begin(), query_items.end());
    }
};

}  // namespace vdl
