// Splits query text into tokens; whitespace and comments are skipped (the translator
// copies them through from the text between tokens).
#pragma once

#include "../failure.hpp"
#include "token.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vdl::lang {

// Fails with VDL_E_SYNTAX on an unterminated string, quoted identifier or comment, a
// malformed timestamp literal, a parameter marker (?, :name, @name) or a character that
// belongs to no token.
outcome<std::vector<token>> tokenize(std::string_view text);
// The same into a vector whose room is reused (its former tokens are dropped).
status tokenize_into(std::string_view text, std::vector<token>& tokens);

// The number or timestamp token that starts at text[at], as tokenize(text) would scan it there;
// none for any other token or malformed text.
std::optional<token> scan_literal(std::string_view text, std::size_t at);

// The content of a string token without its quotes, with '' turned into '.
std::string unquote_string(std::string_view token_text);

// The name an identifier token stands for: quotes removed and doubled quotes undone.
std::string identifier_name(const token& t);

// Splits a script into statements at the semicolons between tokens. Each statement keeps
// its text without the semicolon; statements holding only whitespace and comments are
// dropped. Fails like tokenize.
outcome<std::vector<std::string_view>> split_statements(std::string_view script);

}  // namespace vdl::lang
