// The translator's pieces, one per statement family. Each takes the statement's tokens
// without the terminating semicolon.
#pragma once

#include "../failure.hpp"
#include "token.hpp"
#include "translator.hpp"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vdl::lang {

outcome<translation> translate_create_table(std::span<const token> tokens);
outcome<translation> translate_drop_table(std::span<const token> tokens);
outcome<translation> translate_show(std::span<const token> tokens);

// Rewrites the tokens of a SELECT/INSERT/UPDATE/DELETE into engine SQL, keeping the text
// between tokens as it was; numbers, timestamps, NOW() and DATETIME(<timestamp>) become
// placeholders of bound values.
outcome<engine_statement> rewrite_expressions(std::string_view text, std::span<const token> tokens,
                                              std::int64_t now);

// One item of the outermost SELECT list: its tokens first..last (indices into the
// statement's tokens) and its kind.
struct item_info {
    std::size_t first;
    std::size_t last;
    select_item kind;
};

std::vector<item_info> outer_select_items(std::span<const token> tokens);

} // namespace vdl::lang
