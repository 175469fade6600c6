// Translates one statement of the query language into the engine's SQL.
//
// The language is SQL with these differences, each handled by a rewrite here:
//   - identifiers may begin with $ ($timestamp): written quoted for the engine;
//   - timestamp literals are unquoted (2021-03-04T05:06:07.5Z), also inside DATETIME(...),
//     and NOW() is the current time: all become integer nanoseconds since the epoch;
//   - CREATE TABLE takes the language's five column types and adds $timestamp;
//   - SHOW TABLES lists the tables.
// Everything else (expressions, WHERE, GROUP BY, ORDER BY, LIMIT, aggregates) passes
// through to the engine unchanged.
#pragma once

#include "../failure.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vdl::lang {

enum class statement_kind {
    empty,        // nothing but whitespace and comments
    query,        // SELECT, VALUES, WITH ...
    change,       // INSERT, UPDATE, DELETE
    create_table,
    drop_table,
    show_tables,
};

// What a top-level item of a SELECT list is, for typing the result's columns: count(...)
// gives count cells; a timestamp literal, DATETIME(...), NOW(), min($timestamp) and
// max($timestamp) give timestamp cells.
enum class select_item { other, star, count, timestamp };

struct translation {
    statement_kind kind = statement_kind::empty;
    // Engine statements to run in order, in one transaction when there are several.
    std::vector<std::string> sql;
    // The items of the outermost SELECT list; empty when unknown or not a query.
    std::vector<select_item> items;
};

// now: the value NOW() stands for, in nanoseconds since the epoch.
outcome<translation> translate(std::string_view text, std::int64_t now);

// The kind of each of column_count result columns. Items around a * are placed by
// counting from the start (before the first *) and from the end (after the last *);
// columns that cannot be placed, and those of a *, are "other".
std::vector<select_item> column_kinds(const std::vector<select_item>& items, std::size_t column_count);

// An identifier quoted for the engine: "name" with inner quotes doubled.
std::string quote_identifier(std::string_view name);

} // namespace vdl::lang
