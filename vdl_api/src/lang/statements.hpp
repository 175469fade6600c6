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

// A name to give the expression that ends at token index last: " AS <name>" follows it.
struct column_alias {
    std::size_t last;
    std::string name;
};

// Rewrites the tokens of a SELECT/INSERT/UPDATE/DELETE into engine SQL, keeping the text
// between tokens as it was. Aliases are in token order.
outcome<std::string> rewrite_expressions(std::string_view text, std::span<const token> tokens, std::int64_t now,
                                         const std::vector<column_alias>& aliases = {});

// One item of the outermost SELECT list: its tokens first..last (indices into the
// statement's tokens), its kind, and whether it needs a name of its own.
struct item_info {
    std::size_t first;
    std::size_t last;
    select_item kind;
    bool needs_name;
};

std::vector<item_info> outer_select_items(std::span<const token> tokens);

} // namespace vdl::lang
