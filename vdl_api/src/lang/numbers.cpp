#include "numbers.hpp"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace vdl::lang {
namespace {

// Whether a decimal number that std::from_chars finds out of range lies above the doubles
// (else it lies below the least of them): the sign of the decimal exponent of its first
// significant digit.
bool above_range(std::string_view text) noexcept {
    const auto e = text.find_first_of("eE");
    const auto mantissa = text.substr(0, e);
    std::int64_t exponent = 0;
    if (e != std::string_view::npos) {
        auto digits = text.substr(e + 1);
        const bool negative = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        if (error != std::errc{}) return !negative;  // an exponent beyond 64 bits decides alone
        if (negative) exponent = -exponent;
    }
    const auto point = mantissa.find('.');
    const auto whole = mantissa.substr(0, point);
    const auto first = whole.find_first_not_of('0');
    if (first != std::string_view::npos) return exponent + static_cast<std::int64_t>(whole.size() - first) > 0;
    const auto fraction = point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
    const auto significant = fraction.find_first_not_of('0');
    return exponent - static_cast<std::int64_t>(significant == std::string_view::npos ? 0 : significant) > 0;
}

std::optional<bound_value> hex_value(std::string_view text) noexcept {
    std::uint64_t bits = 0;
    const auto digits = text.substr(2);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), bits, 16);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    if (bits == std::uint64_t{1} << 63) return std::nullopt;
    return static_cast<std::int64_t>(bits);
}

bool is_integer_text(std::string_view text) noexcept { return is_digits(text) || is_hex_number(text); }

// Words that end an ORDER BY, GROUP BY or PARTITION BY list, and that no type name holds.
bool is_clause_word(const token& t) noexcept {
    for (auto keyword :
         {"SELECT", "FROM",   "WHERE",     "GROUP",  "ORDER", "PARTITION", "HAVING", "WINDOW", "LIMIT",     "OFFSET",
          "UNION",  "EXCEPT", "INTERSECT", "VALUES", "SET",   "ON",        "USING",  "JOIN",   "RETURNING", "ROWS",
          "RANGE",  "GROUPS", "AND",       "OR",     "NOT",   "WHEN",      "THEN",   "ELSE",   "END"})
        if (t.is_word(keyword)) return true;
    return false;
}

// Whether the parenthesis at tokens[open] holds the sizes of a type name: AS, one or more words,
// then only numbers, signs and commas up to the closing parenthesis.
bool opens_type_sizes(std::span<const token> tokens, std::size_t open) {
    std::size_t at = open;
    std::size_t words = 0;
    while (at > 0 && tokens[at - 1].kind == token_kind::word && !tokens[at - 1].is_word("AS") &&
           !is_clause_word(tokens[at - 1])) {
        --at;
        ++words;
    }
    if (words == 0 || at == 0 || !tokens[at - 1].is_word("AS")) return false;
    bool any_number = false;
    for (std::size_t i = open + 1; i < tokens.size(); ++i) {
        const auto& t = tokens[i];
        if (t.is_symbol(")")) return any_number;
        if (t.kind == token_kind::number) {
            any_number = true;
        } else if (!t.is_symbol(",") && !t.is_symbol("+") && !t.is_symbol("-")) {
            return false;
        }
    }
    return false;
}

// What a parenthesis level holds, as far as its numbers are concerned.
struct level {
    bool by_list = false;     // within an ORDER BY, GROUP BY or PARTITION BY list
    bool type_sizes = false;  // the sizes of a type name
    bool likelihood = false;  // the arguments of likelihood()
};

}  // namespace

bool is_digits(std::string_view text) noexcept {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool is_hex_number(std::string_view text) noexcept {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

std::optional<bound_value> number_value(std::string_view text) {
    if (is_hex_number(text)) return hex_value(text);
    if (is_digits(text)) {
        std::int64_t integer = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), integer);
        if (error == std::errc{} && end == text.data() + text.size()) return integer;
        const auto first = text.find_first_not_of('0');
        if (text.substr(first) == "9223372036854775808") return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size()) return std::nullopt;  // not a number token; let the engine judge
    if (error == std::errc::result_out_of_range)
        return above_range(text) ? std::numeric_limits<double>::infinity() : 0.0;
    if (error != std::errc{}) return std::nullopt;
    return value;
}

std::vector<bool> numbers_kept_as_written(std::span<const token> tokens) {
    std::vector<bool> kept(tokens.size(), false);
    std::vector<level> levels(1);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const auto& t = tokens[i];
        if (t.is_symbol("(")) {
            levels.push_back({false, opens_type_sizes(tokens, i), i > 0 && tokens[i - 1].is_word("LIKELIHOOD")});
            continue;
        }
        if (t.is_symbol(")")) {
            if (levels.size() > 1) levels.pop_back();
            continue;
        }
        if (t.kind == token_kind::word) {
            if (t.is_word("BY")) levels.back().by_list = true;
            else if (is_clause_word(t)) levels.back().by_list = false;
            continue;
        }
        if (t.kind != token_kind::number) continue;
        const level& here = levels.back();
        const token* before = i > 0 ? &tokens[i - 1] : nullptr;
        const token* after = i + 1 < tokens.size() ? &tokens[i + 1] : nullptr;
        const bool after_separator = before != nullptr && (before->is_symbol(",") || before->is_word("BY"));
        const bool term_ends = after == nullptr || after->is_symbol(",") || after->is_symbol(")") ||
                               after->kind == token_kind::semicolon || after->kind == token_kind::word;
        if (here.type_sizes) {
            kept[i] = true;
        } else if (here.likelihood) {
            kept[i] = before != nullptr && before->is_symbol(",") && after != nullptr && after->is_symbol(")");
        } else if (here.by_list) {
            kept[i] = is_integer_text(t.text) && after_separator && term_ends;
        }
    }
    return kept;
}

}  // namespace vdl::lang
