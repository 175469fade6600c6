#include "split_scan.hpp"

#include <fmt/format.h>

#include <array>
#include <cctype>
#include <cstddef>
#include <vector>

namespace vdl {
namespace {

// A word, quoted identifier or symbol of the engine's text; strings and comments are skipped.
struct piece_token {
    enum class kind { word, identifier, symbol } what;
    std::string_view text;
    std::size_t offset;
    int depth;  // parentheses around it
};

bool word_char(char c) noexcept { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$'; }

bool same_word(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The tokens of the text; none when a string, identifier or comment is unterminated.
std::optional<std::vector<piece_token>> tokens_of(std::string_view sql) {
    std::vector<piece_token> out;
    int depth = 0;
    std::size_t i = 0;
    const auto skip_quoted = [&](char close) -> bool {
        // Past the closing character; a doubled closing character stands for itself.
        for (++i; i < sql.size(); ++i) {
            if (sql[i] != close) continue;
            if (i + 1 < sql.size() && sql[i + 1] == close && close != ']') {
                ++i;
                continue;
            }
            ++i;
            return true;
        }
        return false;
    };
    while (i < sql.size()) {
        const char c = sql[i];
        const std::size_t start = i;
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            ++i;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            while (i < sql.size() && sql[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const auto end = sql.find("*/", i + 2);
            if (end == std::string_view::npos) return std::nullopt;
            i = end + 2;
        } else if (c == '\'') {
            if (!skip_quoted('\'')) return std::nullopt;
            out.push_back({piece_token::kind::symbol, "'", start, depth});  // a literal, as one symbol
        } else if (c == '"' || c == '`' || c == '[') {
            if (!skip_quoted(c == '[' ? ']' : c)) return std::nullopt;
            out.push_back({piece_token::kind::identifier, sql.substr(start, i - start), start, depth});
        } else if (word_char(c)) {
            while (i < sql.size() && word_char(sql[i])) ++i;
            out.push_back({piece_token::kind::word, sql.substr(start, i - start), start, depth});
        } else {
            ++i;
            if (c == '(') ++depth;
            out.push_back({piece_token::kind::symbol, sql.substr(start, 1), start, c == '(' ? depth - 1 : depth});
            if (c == ')') --depth;
        }
    }
    return out;
}

// Words that order, group, limit, deduplicate, join or combine rows, or start another query.
constexpr std::array<std::string_view, 16> refused_words{
    "DISTINCT", "GROUP",  "ORDER", "LIMIT",  "OFFSET", "JOIN",   "UNION",     "INTERSECT",
    "EXCEPT",   "WINDOW", "OVER",  "HAVING", "WITH",   "VALUES", "RECURSIVE", "INDEXED"};

}  // namespace

std::optional<split_scan> plan_split(std::string_view sql) {
    while (!sql.empty() && (std::isspace(static_cast<unsigned char>(sql.back())) != 0 || sql.back() == ';'))
        sql.remove_suffix(1);
    auto tokens = tokens_of(sql);
    if (!tokens || tokens->empty() || !same_word(tokens->front().text, "SELECT")) return std::nullopt;
    std::optional<std::size_t> from;
    std::optional<std::size_t> where;
    for (std::size_t t = 0; t < tokens->size(); ++t) {
        const auto& token = (*tokens)[t];
        if (token.what == piece_token::kind::symbol && token.text == ";") return std::nullopt;
        if (token.what != piece_token::kind::word) continue;
        for (const auto word : refused_words)
            if (same_word(token.text, word)) return std::nullopt;
        if (t > 0 && same_word(token.text, "SELECT")) return std::nullopt;
        if (token.depth != 0) continue;
        if (!from && same_word(token.text, "FROM")) from = t;
        else if (from && !where && same_word(token.text, "WHERE")) where = t;
    }
    if (!from) return std::nullopt;
    // Plain items only: a call (an aggregate among them) or a subquery needs a parenthesis.
    for (std::size_t t = 1; t < *from; ++t)
        if ((*tokens)[t].what == piece_token::kind::symbol && (*tokens)[t].text == "(") return std::nullopt;
    // FROM names exactly one table, with nothing after it but the WHERE.
    const std::size_t table = *from + 1;
    if (table >= tokens->size() || (*tokens)[table].what == piece_token::kind::symbol) return std::nullopt;
    if (table + 1 != (where ? *where : tokens->size())) return std::nullopt;
    if (where && *where + 1 >= tokens->size()) return std::nullopt;

    split_scan out;
    out.table = std::string((*tokens)[table].text);
    if (where) {
        out.head = std::string(sql.substr(0, (*tokens)[*where].offset));
        out.condition = std::string(sql.substr((*tokens)[*where + 1].offset));
    } else {
        out.head = std::string(sql);
    }
    return out;
}

std::string split_scan::piece(int first_placeholder) const {
    const auto range = fmt::format("_rowid_ BETWEEN ?{} AND ?{}", first_placeholder, first_placeholder + 1);
    // Line breaks end a comment the text may close with.
    if (condition.empty()) return fmt::format("{}\nWHERE {} ORDER BY _rowid_", head, range);
    return fmt::format("{}WHERE ({}\n) AND {} ORDER BY _rowid_", head, condition, range);
}

}  // namespace vdl
