#include "statement/statement_text.hpp"

#include <algorithm>
#include <array>

#include <fmt/format.h>

namespace {

bool is_blank(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool is_word_char(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

// The end of a quoted literal or name opened at `open`: just past its closing quote, where a
// doubled closing quote stands for one ("]" closes a bracketed name and is never doubled). An
// unterminated one runs to the end of the text.
std::size_t end_of_quoted(std::string_view text, std::size_t open, char close) noexcept {
    for (std::size_t at = open + 1; at < text.size(); ++at) {
        if (text[at] != close) continue;
        if (close != ']' && at + 1 < text.size() && text[at + 1] == close) {
            ++at;
            continue;
        }
        return at + 1;
    }
    return text.size();
}

// Whether `word` is `lower`, in any case.
bool is_word(std::string_view word, std::string_view lower) noexcept {
    return word.size() == lower.size() && std::equal(word.begin(), word.end(), lower.begin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
           });
}

}  // namespace

statement_text::statement_text(std::string_view text) : text_(text), regions_(text.size(), region::code) {
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        const char next = at + 1 < text.size() ? text[at + 1] : '\0';
        std::size_t end = at;
        region kind = region::quoted;
        if (c == '\'' || c == '"' || c == '`') {
            end = end_of_quoted(text, at, c);
        } else if (c == '[') {
            end = end_of_quoted(text, at, ']');
        } else if (c == '-' && next == '-') {
            end = std::min(text.find('\n', at), text.size());
            kind = region::comment;
        } else if (c == '/' && next == '*') {
            const auto close = text.find("*/", at + 2);
            end = close == std::string_view::npos ? text.size() : close + 2;
            kind = region::comment;
        } else {
            ++at;
            continue;
        }
        std::fill(regions_.begin() + static_cast<std::ptrdiff_t>(at),
                  regions_.begin() + static_cast<std::ptrdiff_t>(end), kind);
        at = end;
    }
}

std::size_t statement_text::find_in_code(std::string_view needle, std::size_t from) const noexcept {
    for (auto at = text_.find(needle, from); at != std::string_view::npos; at = text_.find(needle, at + 1))
        if (in_code(at)) return at;
    return std::string_view::npos;
}

std::vector<std::size_t> statement_text::markers() const {
    std::vector<std::size_t> offsets;
    for (auto at = find_in_code("?"); at != std::string_view::npos; at = find_in_code("?", at + 1))
        offsets.push_back(at);
    return offsets;
}

std::string_view statement_text::first_word() const noexcept {
    std::size_t start = 0;
    while (start < text_.size() && (at(start) == region::comment ||
                                    (at(start) == region::code && (is_blank(text_[start]) || text_[start] == '('))))
        ++start;
    std::size_t end = start;
    while (end < text_.size() && at(end) == region::code && is_word_char(text_[end])) ++end;
    return text_.substr(start, end - start);
}

bool statement_text::is_select() const noexcept { return is_word(first_word(), "select"); }

bool statement_text::is_query() const noexcept {
    const auto first = first_word();
    if (is_word(first, "select") || is_word(first, "values")) return true;
    if (!is_word(first, "with")) return false;
    // The definitions' queries are in parentheses; outside them stand only names, AS, RECURSIVE,
    // [NOT] MATERIALIZED and commas, up to the word that starts the statement itself.
    int depth = 0;
    std::size_t pos = static_cast<std::size_t>(first.data() - text_.data()) + first.size();
    while (pos < text_.size()) {
        const char c = text_[pos];
        if (at(pos) != region::code || !is_word_char(c)) {
            if (at(pos) == region::code && c == '(') ++depth;
            if (at(pos) == region::code && c == ')') --depth;
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < text_.size() && at(end) == region::code && is_word_char(text_[end])) ++end;
        const auto word = text_.substr(pos, end - pos);
        if (depth == 0) {
            if (is_word(word, "select") || is_word(word, "values")) return true;
            constexpr std::array<std::string_view, 4> changes{"insert", "update", "delete", "replace"};
            if (std::any_of(changes.begin(), changes.end(), [&](std::string_view w) { return is_word(word, w); }))
                return false;
        }
        pos = end;
    }
    return false;
}

std::size_t statement_text::end_of_code() const noexcept {
    std::size_t end = text_.size();
    while (end > 0 && (at(end - 1) == region::comment || (at(end - 1) == region::code && is_blank(text_[end - 1]))))
        --end;
    return end;
}

bool statement_text::only_blanks_and_comments(std::size_t from, std::size_t to) const noexcept {
    for (std::size_t offset = from; offset < to && offset < text_.size(); ++offset) {
        if (at(offset) == region::quoted) return false;
        if (at(offset) == region::code && !is_blank(text_[offset])) return false;
    }
    return true;
}

std::optional<diag_record> zero_byte_refusal(std::string_view text) {
    const auto zero = text.find('\0');
    if (zero == std::string_view::npos) return std::nullopt;
    return diag_record(diag::state::invalid_buffer_length,
                       fmt::format("the statement text holds a zero byte at offset {} of the {} bytes given; "
                                   "nothing was run",
                                   zero, text.size()));
}
