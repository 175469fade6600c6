#include "translator.hpp"

#include "../timestamp.hpp"
#include "statements.hpp"
#include "tokenizer.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

#include <charconv>
#include <optional>

namespace vdl::lang {
namespace {

// A nanosecond count as an engine literal; negative values are parenthesised so that
// "x-<literal>" cannot turn into the comment marker "--".
std::string nanoseconds_literal(std::int64_t value) {
    return value < 0 ? fmt::format("({})", value) : fmt::format("{}", value);
}

bool is_plain_integer(std::string_view text) noexcept {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The nanoseconds given by the argument of DATETIME(...) at tokens[at..end), or nothing
// when it is not a timestamp argument (DATETIME('now') is then the engine's function).
outcome<std::optional<std::int64_t>> datetime_argument(std::span<const token> argument) {
    using none = std::optional<std::int64_t>;
    if (argument.size() == 1 && argument[0].kind == token_kind::timestamp) return none(argument[0].value);
    if (argument.size() == 1 && argument[0].kind == token_kind::string) {
        const auto text = unquote_string(argument[0].text);
        auto length = timestamp_literal_length(text);
        if (length && *length == 0) return none();
        auto value = parse_timestamp(text);
        if (!value) return std::move(value).error();
        return none(*value);
    }
    const bool negative = argument.size() == 2 && argument[0].is_symbol("-");
    const auto& number = argument.back();
    if ((argument.size() == 1 || negative) && number.kind == token_kind::number && is_plain_integer(number.text)) {
        std::int64_t value = 0;
        const std::string digits = fmt::format("{}{}", negative ? "-" : "", number.text);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc{} || end != digits.data() + digits.size())
            return failure{VDL_E_SYNTAX, fmt::format("DATETIME({}) is out of range: an integer argument is "
                                                     "nanoseconds since the epoch in 64 bits",
                                                     digits)};
        return none(value);
    }
    return none();
}

} // namespace

std::string quote_identifier(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    out += '"';
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    out += '"';
    return out;
}

outcome<std::string> rewrite_expressions(std::string_view text, std::span<const token> tokens, std::int64_t now,
                                         const std::vector<column_alias>& aliases) {
    auto alias = aliases.begin();
    std::string out;
    out.reserve(text.size() + 16);
    std::size_t copied_to = tokens.empty() ? 0 : tokens.front().offset;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const auto& t = tokens[i];
        out.append(text.substr(copied_to, t.offset - copied_to));
        copied_to = t.offset + t.text.size();

        if (t.kind == token_kind::dollar_word) {
            out += quote_identifier(t.text);
        } else if (t.kind == token_kind::timestamp) {
            out += nanoseconds_literal(t.value);
        } else if (t.is_word("NOW") && i + 2 < tokens.size() && tokens[i + 1].is_symbol("(") &&
                   tokens[i + 2].is_symbol(")")) {
            out += nanoseconds_literal(now);
            i += 2;
            copied_to = tokens[i].offset + 1;
        } else if (t.is_word("DATETIME") && i + 1 < tokens.size() && tokens[i + 1].is_symbol("(")) {
            // Find the closing parenthesis of a one- or two-token argument.
            std::size_t close = i + 2;
            while (close < tokens.size() && close <= i + 4 && !tokens[close].is_symbol(")")) ++close;
            std::optional<std::int64_t> value;
            if (close < tokens.size() && tokens[close].is_symbol(")") && close > i + 2) {
                auto argument = datetime_argument(tokens.subspan(i + 2, close - i - 2));
                if (!argument) return std::move(argument).error();
                value = *argument;
            }
            if (value) {
                out += nanoseconds_literal(*value);
                i = close;
                copied_to = tokens[i].offset + 1;
            } else {
                out += t.text;
            }
        } else {
            out += t.text;
        }
        for (; alias != aliases.end() && alias->last <= i; ++alias) {
            out += " AS ";
            out += quote_identifier(alias->name);
        }
    }
    return out;
}

outcome<translation> translate(std::string_view text, std::int64_t now) {
    auto tokens = tokenize(text);
    if (!tokens) return std::move(tokens).error();
    std::span<const token> statement(*tokens);
    for (std::size_t i = 0; i < tokens->size(); ++i) {
        if ((*tokens)[i].kind != token_kind::semicolon) continue;
        for (std::size_t j = i + 1; j < tokens->size(); ++j)
            if ((*tokens)[j].kind != token_kind::semicolon)
                return failure{VDL_E_SYNTAX, fmt::format("one statement per query: unexpected '{}' after ';'",
                                                         (*tokens)[j].text)};
        statement = statement.first(i);
        break;
    }
    if (statement.empty()) return translation{};

    const auto& head = statement.front();
    if (head.is_word("CREATE")) return translate_create_table(statement);
    if (head.is_word("DROP")) return translate_drop_table(statement);
    if (head.is_word("SHOW")) return translate_show(statement);

    translation out;
    std::vector<column_alias> aliases;
    if (head.is_word("SELECT") || head.is_word("WITH") || head.is_word("VALUES")) {
        out.kind = statement_kind::query;
        for (const auto& item : outer_select_items(statement)) {
            out.items.push_back(item.kind);
            if (!item.needs_name) continue;
            const auto begin = statement[item.first].offset;
            const auto end = statement[item.last].offset + statement[item.last].text.size();
            aliases.push_back({item.last, std::string(text.substr(begin, end - begin))});
        }
    } else if (head.is_word("INSERT") || head.is_word("UPDATE") || head.is_word("DELETE") ||
               head.is_word("REPLACE")) {
        out.kind = statement_kind::change;
    } else {
        return failure{VDL_E_SYNTAX, fmt::format("unsupported statement '{}': expected SELECT, INSERT, UPDATE, "
                                                 "DELETE, CREATE TABLE, DROP TABLE or SHOW TABLES",
                                                 head.text)};
    }
    auto sql = rewrite_expressions(text, statement, now, aliases);
    if (!sql) return std::move(sql).error();
    out.sql.push_back(std::move(sql).value());
    return out;
}

} // namespace vdl::lang
