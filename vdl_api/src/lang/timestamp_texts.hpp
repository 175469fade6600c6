// The quoted texts a statement compares with or assigns to a timestamp column. A timestamp is
// never equal to, less or greater than a text, so the translator reads each such text as a
// timestamp, or refuses it when it is not one: nothing compares a timestamp with a text.
#pragma once

#include "../failure.hpp"
#include "schema.hpp"
#include "token.hpp"

#include <span>
#include <string>
#include <vector>

namespace vdl::lang {

struct timestamp_texts {
    // For each token: the name of the timestamp column the quoted text there meets; empty for
    // every other token.
    std::vector<std::string> column;
    // Whether the answer depends on the store's schema (a column other than $timestamp was looked
    // up), so that it holds only for the schema's version of the time.
    bool read_schema = false;
};

// The texts of these forms, where c is $timestamp or a TIMESTAMP column of a table the statement
// names (after FROM, JOIN, INTO or UPDATE):
//   c >= 'text', 'text' < c, SET c = 'text'          (= == != <> < <= > >=)
//   c [NOT] BETWEEN 'text' AND 'text', c [NOT] IN ('text', ...)
//   INSERT INTO t [(..., c, ...)] VALUES (..., 'text', ...), ...
// A qualified name t.c or alias.c is the column of that table; an unqualified name, or one
// qualified by the alias of a subquery, is a timestamp column when every named table that has a
// column of that name has it as TIMESTAMP. Without a schema only $timestamp, which every table
// has, is known.
outcome<timestamp_texts> find_timestamp_texts(std::span<const token> tokens, schema_source* schema);

}  // namespace vdl::lang
