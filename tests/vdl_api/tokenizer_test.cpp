#include "lang/tokenizer.hpp"

#include "vdl_api.h"

#include <gtest/gtest.h>

namespace vdl::lang {
namespace {

std::vector<token_kind> kinds(std::string_view text) {
    auto tokens = tokenize(text);
    EXPECT_TRUE(tokens) << text << ": " << tokens.error().detail;
    std::vector<token_kind> out;
    if (tokens)
        for (const auto& t : *tokens) out.push_back(t.kind);
    return out;
}

TEST(tokenizer, recognises_each_kind_of_token) {
    using enum token_kind;
    EXPECT_EQ(kinds("SELECT $timestamp, \"a b\", [c], `d` FROM t;"),
              (std::vector{word, dollar_word, symbol, quoted_identifier, symbol, quoted_identifier, symbol,
                           quoted_identifier, word, word, semicolon}));
    EXPECT_EQ(kinds("1 1.5 .5 1e-3 0x1F 'it''s' X'00ff' 2021-03-04T05:06:07Z"),
              (std::vector{number, number, number, number, number, string, blob, timestamp}));
    EXPECT_EQ(kinds("a<=b<>c||d->>e != f -- comment ; here\n /* and ; here */ g"),
              (std::vector{word, symbol, word, symbol, word, symbol, word, symbol, word, symbol, word, word}));
    auto tokens = tokenize("x - 1969-12-31T23:59:59.999999999Z");
    ASSERT_TRUE(tokens);
    EXPECT_EQ((*tokens)[2].value, -1);
}

TEST(tokenizer, texts_are_unquoted) {
    EXPECT_EQ(unquote_string("'it''s'"), "it's");
    EXPECT_EQ(unquote_string("''''"), "'");
    auto tokens = tokenize(R"("say ""hi""" [x])");
    ASSERT_TRUE(tokens);
    EXPECT_EQ(identifier_name((*tokens)[0]), "say \"hi\"");
    EXPECT_EQ(identifier_name((*tokens)[1]), "x");
}

TEST(tokenizer, refuses_what_it_cannot_read) {
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT 'open", "unterminated string literal"},
        {"SELECT \"open", "unterminated quoted identifier"},
        {"SELECT 1 /* open", "unterminated comment"},
        {"SELECT * FROM t WHERE a = ?", "parameter markers"},
        {"SELECT :a", "named parameters"},
        {"SELECT @a", "named parameters"},
        {"SELECT $", "expected a name after '$'"},
        {"SELECT X'0'", "even number"},
        {"SELECT X'zz'", "hexadecimal"},
        {"SELECT 12abc", "malformed number"},
        {"SELECT #", "unexpected character '#'"},
        {"SELECT 2021-03-04T05", "malformed timestamp"},
        {"SELECT 2021-02-30", "day 30"},
    };
    for (const auto& [text, reason] : cases) {
        auto tokens = tokenize(text);
        ASSERT_FALSE(tokens) << text;
        EXPECT_EQ(tokens.error().code, VDL_E_SYNTAX);
        EXPECT_NE(tokens.error().detail.find(reason), std::string::npos) << text << ": " << tokens.error().detail;
    }
}

TEST(tokenizer, splits_scripts_at_semicolons_between_tokens) {
    auto statements = split_statements("SELECT 'a;b'; -- c;\n/* ; */ SELECT \"x;\" ;;\n  SELECT 3  ");
    ASSERT_TRUE(statements);
    EXPECT_EQ(*statements, (std::vector<std::string_view>{"SELECT 'a;b'", "SELECT \"x;\"", "SELECT 3"}));
    EXPECT_TRUE(split_statements("  -- nothing\n")->empty());
}

}  // namespace
}  // namespace vdl::lang
