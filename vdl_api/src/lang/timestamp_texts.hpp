// The quoted texts a statement compares with or assigns to a timestamp column. A timestamp is
// never equal to, less or greater than a text, so the translator reads each such text as a
// timestamp, or refuses it when it is not one: nothing compares a timestamp with a text.
#pragma once

#include "../column_types.hpp"
#include "../failure.hpp"
#include "schema.hpp"
#include "token.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vdl::lang {

struct timestamp_texts {
    // For each token: 1 + the index in `names` of the timestamp column the quoted text there
    // meets; 0 for every other token.
    std::vector<std::uint32_t> column;
    std::vector<std::string> names;
    // For each name asked about (find_timestamp_texts' `names`), the declared type of the column it
    // names; none when that cannot be told.
    std::vector<std::optional<column_type>> name_types;
    // Whether the answer depends on the store's schema (a column other than $timestamp was looked
    // up), so that it holds only for the schema's version of the time.
    bool read_schema = false;

    // The name of the timestamp column token `at` meets; empty when none.
    [[nodiscard]] std::string_view column_at(std::size_t at) const noexcept {
        return at < column.size() && column[at] != 0 ? std::string_view(names[column[at] - 1]) : std::string_view();
    }
    // Notes that token `at` meets the timestamp column `name`.
    void mark(std::size_t at, std::string name) {
        names.push_back(std::move(name));
        column[at] = static_cast<std::uint32_t>(names.size());
    }
};

// The texts of these forms, where c is $timestamp or a TIMESTAMP column of a table the statement
// names (after FROM, JOIN, INTO or UPDATE):
//   c >= 'text', 'text' < c, SET c = 'text'          (= == != <> < <= > >=)
//   c [NOT] BETWEEN 'text' AND 'text', c [NOT] IN ('text', ...)
//   INSERT INTO t [(..., c, ...)] VALUES (..., 'text', ...), ...
// (not where the column or the text is an operand of ||, -> or ->>: that side is then a text)
// A qualified name t.c or alias.c is the column of that table; an unqualified name, or one
// qualified by the alias of a subquery, is a timestamp column when every named table that has a
// column of that name has it as TIMESTAMP. Without a schema only $timestamp, which every table
// has, is known. Each of `names` (indices of tokens) is answered in name_types by the same rule
// for a column's name (its type, where the tables having that name agree on it).
outcome<timestamp_texts> find_timestamp_texts(std::span<const token> tokens, schema_source* schema,
                                              std::span<const std::size_t> names = {});

}  // namespace vdl::lang
