// The translator's pieces, one per statement family. Each takes the statement's tokens
// without the terminating semicolon.
#pragma once

#include "../failure.hpp"
#include "schema.hpp"
#include "timestamp_texts.hpp"
#include "token.hpp"
#include "translator.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vdl::lang {

outcome<translation> translate_create_table(std::span<const token> tokens);
outcome<translation> translate_drop_table(std::span<const token> tokens);
outcome<translation> translate_show(std::span<const token> tokens);

// Where the value of a placeholder came from, so that a query of the same shape (the same text
// but for its numbers and timestamps) can be given its own values without being translated.
struct value_source {
    enum class rule : std::uint8_t {
        literal,                  // the value of the number or timestamp token `token`
        integer_literal,          // the same, which must be a 64-bit integer (DATETIME(n))
        negated_integer_literal,  // minus the same (DATETIME(-n))
        now,                      // the time NOW() stands for
        today,                    // the midnight that began that time's day (CURRENT_DATE)
        fixed,                    // a value given by the query's other text (DATETIME('...'))
        time_of_day,              // the same time of day on the day NOW() falls on (TIME '...')
    };
    rule how = rule::fixed;
    std::size_t token = 0;  // for the literal rules
    std::size_t first = 0;  // the tokens first..last are the text the value was written as
    std::size_t last = 0;
};

// Rewrites the tokens of a SELECT/INSERT/UPDATE/DELETE into engine SQL, keeping the text
// between tokens as it was; numbers, timestamps, NOW() and DATETIME(<timestamp>) become
// placeholders of bound values, and the texts `stamped` marks become timestamps (or are refused).
// With `sources`, notes where each placeholder's value came from.
outcome<engine_statement> rewrite_expressions(std::string_view text, std::span<const token> tokens, std::int64_t now,
                                              std::vector<value_source>* sources, const timestamp_texts* stamped);

// translate() for a text already split into tokens (tokenize(text)); with `sources`, notes where
// the values of a query's or change's one engine statement came from.
outcome<translation> translate_tokens(std::string_view text, std::span<const token> tokens, std::int64_t now,
                                      std::vector<value_source>* sources = nullptr, schema_source* schema = nullptr);

// One item of the outermost SELECT list: its tokens first..last (indices into the
// statement's tokens) and its kind.
struct item_info {
    static constexpr std::size_t no_column = static_cast<std::size_t>(-1);
    std::size_t first;
    std::size_t last;
    select_item kind;
    // An item whose kind follows from the types of the columns it reads, which only the tables the
    // statement names can tell: MIN(c), MAX(c) and SUM(c) of a column c (t.c), and arithmetic
    // (+ - * / %) on columns and numbers. `columns` holds the indices of the columns' names.
    enum class derived : std::uint8_t { none, extreme, sum, arithmetic };
    derived how = derived::none;
    bool real_literal = false;  // arithmetic with a number that is no integer
    std::vector<std::size_t> columns;
};

std::vector<item_info> outer_select_items(std::span<const token> tokens);

// The kind of an item that item_info::how derives, given the types of its columns (none where
// that cannot be told); the item's own kind for any other.
select_item derived_kind(const item_info& item, std::span<const std::optional<column_type>> types);

// CAST ( e AS TIMESTAMP ), CAST ( e AS DATETIME ) and CAST ( e AS DATE ) at tokens[at]: the store
// reads them as timestamps (the engine would read a text as a number).
enum class cast_target : std::uint8_t { none, timestamp, date };
cast_target timestamp_cast(std::span<const token> tokens, std::size_t at);
// The index of the parenthesis closing the CAST at tokens[at]; 0 when there is none.
std::size_t cast_close(std::span<const token> tokens, std::size_t at);

}  // namespace vdl::lang
