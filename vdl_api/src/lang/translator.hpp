// Translates one statement of the query language into the engine's SQL.
//
// The language is SQL with these differences, each handled by a rewrite here:
//   - identifiers may begin with $ ($timestamp): written quoted for the engine;
//   - timestamp literals are unquoted (2021-03-04T05:06:07.5Z), also inside DATETIME(...),
//     and NOW() is the current time: all become integer nanoseconds since the epoch;
//   - a quoted text compared with or assigned to a TIMESTAMP column is read as a timestamp, or
//     refused when it is not one (timestamp_texts.hpp);
//   - CREATE TABLE takes the language's five column types and adds $timestamp;
//   - SHOW TABLES lists the tables.
// Everything else (expressions, WHERE, GROUP BY, ORDER BY, LIMIT, aggregates) passes
// through to the engine unchanged, but for its values.
//
// Numbers and timestamps reach the engine as bound values, never as SQL text: the translator
// reads each one exactly (the engine's own reading of decimal text is off by one unit in the
// last place for some doubles) and writes a placeholder ?1, ?2, ... in its place. The engine's
// text of a statement is therefore the same whatever values it holds, which lets a store keep
// prepared statements by that text.
#pragma once

#include "../failure.hpp"
#include "schema.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vdl::lang {

enum class statement_kind {
    empty,   // nothing but whitespace and comments
    query,   // SELECT, VALUES, WITH ...
    change,  // INSERT, UPDATE, DELETE
    create_table,
    drop_table,
    show_tables,
};

// What a top-level item of a SELECT list is, for typing the result's columns: count(...)
// gives count cells; a timestamp literal, DATETIME(...), NOW(), min($timestamp) and
// max($timestamp) give timestamp cells. integer, real, text and blob are the kinds an item's
// values have when it has none to tell (a result without rows): avg(...), sum(c), min(c), max(c).
enum class select_item { other, star, count, timestamp, integer, real, text, blob };

// A value for a placeholder of the engine's text.
using bound_value = std::variant<std::int64_t, double>;

struct engine_statement {
    std::string sql;
    // values[i] is the value of placeholder ?<i+1>, written[i] the text it was written as in the
    // query: a view into the text given to translate, which must outlive the statement.
    std::vector<bound_value> values;
    std::vector<std::string_view> written;
};

struct translation {
    statement_kind kind = statement_kind::empty;
    // Engine statements to run in order, in one transaction when there are several.
    std::vector<engine_statement> statements;
    // The items of the outermost SELECT list; empty when unknown or not a query.
    std::vector<select_item> items;
    // Whether the translation read the store's schema (the types of the columns of the tables the
    // statement names): it then holds for that version of the schema only.
    bool reads_schema = false;
};

// now: the value NOW() stands for, in nanoseconds since the epoch. With `schema`, a quoted text
// compared with or assigned to any TIMESTAMP column of the tables the statement names is read as
// a timestamp; without, only one that meets $timestamp.
outcome<translation> translate(std::string_view text, std::int64_t now, schema_source* schema = nullptr);

// The kind of each of column_count result columns. Items around a * are placed by
// counting from the start (before the first *) and from the end (after the last *);
// columns that cannot be placed, and those of a *, are "other".
std::vector<select_item> column_kinds(const std::vector<select_item>& items, std::size_t column_count);
// The same into kinds, one per column.
void column_kinds(std::span<const select_item> items, std::span<select_item> kinds);

// The engine names a result column without a name of its own after the item's engine text,
// which holds placeholders and quoted $names (max("$timestamp"), price * ?1). The name the query
// wrote instead (max($timestamp), price * 2); none when the name holds neither.
std::optional<std::string> written_name(std::string_view engine_name, const engine_statement& statement);

// An identifier quoted for the engine: "name" with inner quotes doubled.
std::string quote_identifier(std::string_view name);

}  // namespace vdl::lang
