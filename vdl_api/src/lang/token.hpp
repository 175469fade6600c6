// Tokens of the query language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vdl::lang {

enum class token_kind {
    word,               // a plain identifier or keyword: price, SELECT, count
    dollar_word,        // an identifier beginning with $: $timestamp
    quoted_identifier,  // "name", `name` or [name]
    number,             // 42, 1.5, .5e3, 0x1F
    string,             // 'text' with '' for a quote
    blob,               // X'00ff'
    timestamp,          // 2021-03-04T05:06:07.5Z (value holds nanoseconds since the epoch)
    symbol,             // operators and punctuation: ( ) , . + - * / % = == != <> < <= > >= || etc.
    semicolon,          // ;
};

struct token {
    token_kind kind;
    std::string_view text;   // the token as written
    std::size_t offset;      // where it starts in the statement text
    std::int64_t value = 0;  // nanoseconds of a timestamp token

    [[nodiscard]] bool is_symbol(std::string_view s) const noexcept {
        return (kind == token_kind::symbol || kind == token_kind::semicolon) && text == s;
    }
    // Case-insensitive comparison of a plain word with an upper-case keyword.
    [[nodiscard]] bool is_word(std::string_view keyword) const noexcept;
};

// Whether a token can name a table, a column or an alias: a word, $word or quoted identifier.
inline bool is_name(const token& t) noexcept {
    return t.kind == token_kind::word || t.kind == token_kind::dollar_word || t.kind == token_kind::quoted_identifier;
}

}  // namespace vdl::lang
