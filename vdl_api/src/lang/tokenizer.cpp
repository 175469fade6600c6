#include "tokenizer.hpp"

#include "../timestamp.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

#include <array>

namespace vdl::lang {
namespace {

bool is_space(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }
bool is_hex(char c) noexcept { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_word_start(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool is_word_char(char c) noexcept { return is_word_start(c) || is_digit(c) || c == '$'; }

char upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

class scanner {
public:
    explicit scanner(std::string_view text, std::size_t at = 0) : text_(text), at_(at) {}

    status run(std::vector<token>& tokens) {
        tokens.clear();
        while (true) {
            if (!skip_space_and_comments()) return std::move(failed_);
            if (at_ >= text_.size()) return success();
            token next{token_kind::symbol, {}, at_};
            if (!scan_token(next)) return std::move(failed_);
            tokens.push_back(next);
        }
    }

    // The one token at the cursor (no space or comment is skipped first).
    bool scan_one(token& out) { return scan_token(out); }

private:
    [[nodiscard]] char peek(std::size_t ahead = 0) const noexcept {
        return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0';
    }

    [[nodiscard]] failure error(std::string_view what) const {
        return failure{VDL_E_SYNTAX, fmt::format("{} near '{}' (offset {})", what, text_.substr(at_, 20), at_)};
    }

    bool skip_space_and_comments() {
        while (at_ < text_.size()) {
            if (is_space(peek())) {
                ++at_;
            } else if (peek() == '-' && peek(1) == '-') {
                while (at_ < text_.size() && peek() != '\n') ++at_;
            } else if (peek() == '/' && peek(1) == '*') {
                const auto end = text_.find("*/", at_ + 2);
                if (end == std::string_view::npos) return fail(error("unterminated comment"));
                at_ = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    token make(token_kind kind, std::size_t start) const {
        return token{kind, text_.substr(start, at_ - start), start};
    }

    // Scans up to the closing quote; a doubled closing quote stands for one.
    status scan_quoted(char close, std::string_view what) {
        const std::size_t start = at_;
        ++at_;
        while (at_ < text_.size()) {
            if (peek() == close) {
                if (close != ']' && peek(1) == close) {
                    at_ += 2;
                    continue;
                }
                ++at_;
                return success();
            }
            ++at_;
        }
        at_ = start;
        return error(fmt::format("unterminated {}", what));
    }

    // Scans the token at the cursor into `out`; false (with failed_ set) on malformed text.
    bool scan_token(token& out) {
        const std::size_t start = at_;
        const char c = peek();

        if ((c == 'x' || c == 'X') && peek(1) == '\'') {
            ++at_;
            if (auto quoted = scan_quoted('\'', "blob literal"); !quoted) return fail(std::move(quoted).error());
            const auto digits = text_.substr(start + 2, at_ - start - 3);
            for (char d : digits)
                if (!is_hex(d)) {
                    at_ = start;
                    return fail(error("a blob literal X'...' holds hexadecimal digits only"));
                }
            if (digits.size() % 2 != 0) {
                at_ = start;
                return fail(error("a blob literal X'...' needs an even number of hexadecimal digits"));
            }
            out = make(token_kind::blob, start);
            return true;
        }
        if (is_word_start(c)) {
            while (is_word_char(peek())) ++at_;
            out = make(token_kind::word, start);
            return true;
        }
        if (c == '$') {
            ++at_;
            if (!is_word_char(peek())) return fail(error("expected a name after '$'"));
            while (is_word_char(peek())) ++at_;
            out = make(token_kind::dollar_word, start);
            return true;
        }
        if (c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            if (auto quoted = scan_quoted(close, "quoted identifier"); !quoted) return fail(std::move(quoted).error());
            if (at_ - start == 2) {
                at_ = start;
                return fail(error("empty quoted identifier"));
            }
            out = make(token_kind::quoted_identifier, start);
            return true;
        }
        if (c == '\'') {
            if (auto quoted = scan_quoted('\'', "string literal"); !quoted) return fail(std::move(quoted).error());
            out = make(token_kind::string, start);
            return true;
        }
        if (is_digit(c)) {
            auto stamp = timestamp_literal_length(text_.substr(at_));
            if (!stamp) return fail(std::move(stamp).error());
            if (*stamp > 0) {
                at_ += *stamp;
                auto value = parse_timestamp(text_.substr(start, *stamp));
                if (!value) return fail(std::move(value).error());
                out = make(token_kind::timestamp, start);
                out.value = *value;
                return true;
            }
            return scan_number(start, out);
        }
        if (c == '.' && is_digit(peek(1))) return scan_number(start, out);
        if (c == ';') {
            ++at_;
            out = make(token_kind::semicolon, start);
            return true;
        }
        if (c == '?') return fail(error("parameter markers are not supported: write the value into the query"));
        if ((c == ':' || c == '@') && is_word_char(peek(1)))
            return fail(error("named parameters are not supported: write the value into the query"));

        static constexpr std::array<std::string_view, 10> multi{
            "->>", "<=", ">=", "<>", "!=", "==", "||", "<<", ">>", "->"};
        for (auto symbol : multi) {
            if (text_.substr(at_, symbol.size()) == symbol) {
                at_ += symbol.size();
                out = make(token_kind::symbol, start);
                return true;
            }
        }
        static constexpr std::string_view single = "(),.+-*/%=<>&|~";
        if (single.find(c) != std::string_view::npos) {
            ++at_;
            out = make(token_kind::symbol, start);
            return true;
        }
        return fail(error(fmt::format("unexpected character '{}'", c)));
    }

    bool scan_number(std::size_t start, token& out) {
        if (peek() == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
            at_ += 2;
            if (!is_hex(peek())) return fail(error("malformed hexadecimal number"));
            while (is_hex(peek())) ++at_;
        } else {
            while (is_digit(peek())) ++at_;
            if (peek() == '.') {
                ++at_;
                while (is_digit(peek())) ++at_;
            }
            if (peek() == 'e' || peek() == 'E') {
                const std::size_t sign = (peek(1) == '+' || peek(1) == '-') ? 1 : 0;
                if (is_digit(peek(1 + sign))) {
                    at_ += 1 + sign;
                    while (is_digit(peek())) ++at_;
                }
            }
        }
        if (is_word_char(peek()) || peek() == '.') {
            at_ = start;
            return fail(error("malformed number"));
        }
        out = make(token_kind::number, start);
        return true;
    }

    // Notes why scanning stopped; a token is returned through an out-parameter so that the
    // common case, a well-formed token, builds no outcome.
    bool fail(failure why) {
        failed_ = std::move(why);
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    failure failed_{};
};

}  // namespace

bool token::is_word(std::string_view keyword) const noexcept {
    if (kind != token_kind::word || text.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upper(text[i]) != keyword[i]) return false;
    return true;
}

outcome<std::vector<token>> tokenize(std::string_view text) {
    std::vector<token> tokens;
    if (auto scanned = scanner(text).run(tokens); !scanned) return std::move(scanned).error();
    return tokens;
}

status tokenize_into(std::string_view text, std::vector<token>& tokens) { return scanner(text).run(tokens); }

std::optional<token> scan_literal(std::string_view text, std::size_t at) {
    if (at >= text.size()) return std::nullopt;
    token out{token_kind::symbol, {}, at};
    if (!scanner(text, at).scan_one(out)) return std::nullopt;
    if (out.kind != token_kind::number && out.kind != token_kind::timestamp) return std::nullopt;
    return out;
}

std::string unquote_string(std::string_view token_text) {
    std::string out;
    if (token_text.size() < 2) return out;
    const auto body = token_text.substr(1, token_text.size() - 2);
    out.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        out += body[i];
        if (body[i] == '\'' && i + 1 < body.size() && body[i + 1] == '\'') ++i;
    }
    return out;
}

std::string identifier_name(const token& t) {
    if (t.kind != token_kind::quoted_identifier) return std::string(t.text);
    const char close = t.text.front() == '[' ? ']' : t.text.front();
    const auto body = t.text.substr(1, t.text.size() - 2);
    std::string out;
    out.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        out += body[i];
        if (close != ']' && body[i] == close && i + 1 < body.size() && body[i + 1] == close) ++i;
    }
    return out;
}

outcome<std::vector<std::string_view>> split_statements(std::string_view script) {
    auto tokens = tokenize(script);
    if (!tokens) return std::move(tokens).error();
    std::vector<std::string_view> statements;
    std::size_t first = 0;  // index of the first token of the current statement
    for (std::size_t i = 0; i <= tokens->size(); ++i) {
        const bool end = i == tokens->size();
        if (!end && (*tokens)[i].kind != token_kind::semicolon) continue;
        if (i > first) {
            const auto& head = (*tokens)[first];
            const auto& tail = (*tokens)[i - 1];
            statements.push_back(script.substr(head.offset, tail.offset + tail.text.size() - head.offset));
        }
        first = i + 1;
    }
    return statements;
}

}  // namespace vdl::lang
