#include "statement/rewrite_rules.hpp"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <limits>
#include <optional>
#include <vector>

#include <fmt/format.h>
#include <boost/regex.hpp>

#include "logger/logger.hpp"
#include "statement/statement_text.hpp"

namespace rewrite {

namespace {

const boost::regex& insert_pattern() {
    static const boost::regex pattern(R"(INSERT INTO\s+(\w+)\s*\(([^)]+)\)\s+VALUES\s*\(([^)]+)\);?)",
                                      boost::regex::perl | boost::regex::icase);
    return pattern;
}

constexpr std::string_view tableau_marker = ") \"TableauSQL\"";
constexpr std::string_view custom_query_marker = ") \"Custom_SQL_Query\"";
constexpr std::string_view wrapper_opening = "FROM (";

bool is_blank(char c) noexcept { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Whether a column or value list at [from, to) is copied into the rebuilt insert as it is: no
// comment (a line comment would swallow what the rule appends) and no literal or quoted name
// holding a ")" or "," (the pattern reads the lists by those characters).
bool is_plain_list(const statement_text& scanned, std::size_t from, std::size_t to) {
    for (std::size_t at = from; at < to; ++at) {
        if (scanned.in_comment(at)) return false;
        const char c = scanned.text()[at];
        if (!scanned.in_code(at) && (c == ')' || c == ',')) return false;
    }
    return true;
}

bool is_word_character(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

bool iequals(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Whether the code of the text holds `word` (lower case) as a whole word, in any case: a literal
// 'limit' or a column credit_limit does not count.
bool has_code_word(const statement_text& scanned, std::string_view word) {
    const auto text = scanned.text();
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        if (!scanned.in_code(at) || !iequals(text.substr(at, word.size()), word)) continue;
        const bool starts = at == 0 || !is_word_character(text[at - 1]);
        const bool ends = at + word.size() == text.size() || !is_word_character(text[at + word.size()]);
        if (starts && ends) return true;
    }
    return false;
}

// Whether nothing but blanks, comments and ";" follows `from`.
bool only_end_after(const statement_text& scanned, std::size_t from) {
    const auto text = scanned.text();
    for (std::size_t at = from; at < text.size(); ++at) {
        if (scanned.in_comment(at)) continue;
        if (!scanned.in_code(at) || (!is_blank(text[at]) && text[at] != ';')) return false;
    }
    return true;
}

// The names and symbols of a select list: a name quoted "..." (its quotes doubled inside) or plain,
// and the one-character symbols; none when the list holds anything else (a literal, a comment).
std::optional<std::vector<std::string>> list_pieces(const statement_text& scanned, std::size_t from, std::size_t to) {
    const auto text = scanned.text();
    std::vector<std::string> pieces;
    std::size_t at = from;
    while (at < to) {
        const char c = text[at];
        if (scanned.in_code(at) && is_blank(c)) {
            ++at;
        } else if (c == '"' && !scanned.in_code(at) && !scanned.in_comment(at)) {
            std::string name;
            std::size_t end = at + 1;
            for (; end < to; ++end) {
                if (text[end] != '"') {
                    name += text[end];
                } else if (end + 1 < to && text[end + 1] == '"') {
                    name += '"';
                    ++end;
                } else {
                    break;
                }
            }
            if (end >= to) return std::nullopt;
            pieces.push_back("\"" + name);  // a quoted name keeps its case
            at = end + 1;
        } else if (scanned.in_code(at) && is_word_character(c)) {
            std::size_t end = at;
            while (end < to && is_word_character(text[end])) ++end;
            std::string name(text.substr(at, end - at));
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
            pieces.push_back(std::move(name));
            at = end;
        } else if (scanned.in_code(at) && (c == '.' || c == '*' || c == ',')) {
            pieces.emplace_back(1, c);
            ++at;
        } else {
            return std::nullopt;
        }
    }
    return pieces;
}

bool is_name_piece(const std::string& piece) {
    return !piece.empty() && (piece[0] == '"' || is_word_character(piece[0]));
}

// Whether the outer select list [from, to) only lists the wrapper's columns: "*", alias.*, or
// alias.col [AS col], the alias being the wrapper's quoted name.
bool is_pure_projection(const statement_text& scanned, std::size_t from, std::size_t to, std::string_view alias) {
    const auto pieces = list_pieces(scanned, from, to);
    if (!pieces || pieces->empty()) return false;
    const std::string quoted_alias = "\"" + std::string(alias.substr(1, alias.size() - 2));
    std::size_t at = 0;
    const auto& p = *pieces;
    while (at < p.size()) {
        if (p[at] == "*") {
            ++at;
        } else if (p[at] == quoted_alias && at + 2 < p.size() && p[at + 1] == "." && p[at + 2] == "*") {
            at += 3;
        } else if (p[at] == quoted_alias && at + 2 < p.size() && p[at + 1] == "." && is_name_piece(p[at + 2]) &&
                   p[at + 2] != "as") {
            const auto& column = p[at + 2];
            at += 3;
            if (at < p.size() && p[at] == "as") {
                if (at + 1 >= p.size() || p[at + 1] != column) return false;  // a rename is not a projection
                at += 2;
            }
        } else {
            return false;
        }
        if (at == p.size()) return true;
        if (p[at] != ",") return false;
        ++at;
    }
    return false;
}

// " LIMIT <count>" before the first ";" of the code, or after its last code.
std::string apply_limit_clause(std::string text, std::string_view count) {
    const statement_text scanned(text);
    const auto semicolon = scanned.find_in_code(";");
    const auto at = semicolon != std::string_view::npos ? semicolon : scanned.end_of_code();
    text.insert(at, fmt::format(" LIMIT {}", count));
    return text;
}

}  // namespace

bool contains_lower(std::string_view text, std::string_view lower_needle) {
    // It runs on every executed text, so it folds in place, without a lower-cased copy (about 1,100
    // instructions less per execution in scenarios c and c' of bench/): the needles are lower-case
    // letters, and setting the 0x20 bit of a character makes it equal to one only when it is that
    // letter in either case.
    const auto fold = [](char c) { return static_cast<char>(c | 0x20); };
    for (std::size_t at = 0; at + lower_needle.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < lower_needle.size() && fold(text[at + i]) == lower_needle[i]) ++i;
        if (i == lower_needle.size()) return true;
    }
    return false;
}

std::string rewrite_insert(std::string_view text) {
    boost::match_results<std::string_view::const_iterator> match;
    if (!boost::regex_search(text.begin(), text.end(), match, insert_pattern())) return std::string(text);
    const auto offset = [&](std::string_view::const_iterator it) {
        return static_cast<std::size_t>(it - text.begin());
    };
    const statement_text scanned(text);
    const std::size_t begin = offset(match[0].first);
    std::size_t end = offset(match[0].second);
    // The insert is the whole statement: nothing but blanks and comments around it, and one ";"
    // at most after it. Text before or after it, a second statement or a further row of values
    // would be lost by the rebuild.
    if (!scanned.in_code(begin) || !scanned.only_blanks_and_comments(0, begin)) return std::string(text);
    if (text[end - 1] != ';') {
        const auto semicolon = scanned.find_in_code(";", end);
        if (semicolon != std::string_view::npos && scanned.only_blanks_and_comments(end, semicolon))
            end = semicolon + 1;
    }
    if (!scanned.only_blanks_and_comments(end, text.size())) return std::string(text);

    const auto& columns = match[2];
    const auto& values = match[3];
    // The ")" that closes each list must be code: one inside a literal ends the pattern's match
    // in the middle of that literal.
    if (!scanned.in_code(offset(columns.second)) || !scanned.in_code(offset(values.second))) return std::string(text);
    if (!is_plain_list(scanned, offset(columns.first), offset(columns.second)) ||
        !is_plain_list(scanned, offset(values.first), offset(values.second)))
        return std::string(text);
    if (columns.str().find("$timestamp") != std::string::npos) return std::string(text);
    // A value list with parentheses of its own (a function call) ends at its first ")", so such
    // a text is left as it is.
    if (values.str().find('(') != std::string::npos) return std::string(text);
    return fmt::format("INSERT INTO {} ({}, $timestamp) VALUES ({}, {});", match[1].str(), columns.str(), values.str(),
                       insertion_time_placeholder);
}

std::int64_t next_insertion_time() noexcept {
    static std::atomic<std::int64_t> last{0};
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    std::int64_t previous = last.load(std::memory_order_relaxed);
    std::int64_t next = 0;
    do {
        next = std::max(now, previous + 1);
    } while (!last.compare_exchange_weak(previous, next, std::memory_order_relaxed));
    return next;
}

void stamp_insertion_time(std::string& text) {
    constexpr std::string_view ending = ");";
    if (!text.ends_with(ending)) return;
    const std::size_t at = text.size() - ending.size() - insertion_time_placeholder.size();
    if (text.compare(at, insertion_time_placeholder.size(), insertion_time_placeholder) != 0) return;
    text.replace(at, insertion_time_placeholder.size(), fmt::format("{}", next_insertion_time()));
}

unwrapped unwrap(std::string text) {
    // Most texts hold neither marker anywhere: no need to tell their code from their literals.
    if (text.find(tableau_marker) == std::string_view::npos && text.find(custom_query_marker) == std::string_view::npos)
        return {std::move(text), false};
    const statement_text scanned(text);
    std::string_view marker = tableau_marker;
    std::string_view request = "tableau request";
    auto at = scanned.find_in_code(marker);
    if (at == std::string_view::npos) {
        marker = custom_query_marker;
        request = "tableau custom request";
        at = scanned.find_in_code(marker);
    }
    if (at == std::string_view::npos || !scanned.is_select()) return {std::move(text), false};
    // The wrapper is an outer select over "FROM (" ... marker: the inner query lies between.
    const auto from = scanned.find_in_code(wrapper_opening);
    if (from == std::string_view::npos || from > at) return {std::move(text), false};
    // The cut keeps what the statement means only when the outer select lists inner columns and
    // does nothing else; any other wrapped text goes to the store whole, which runs the subquery.
    const auto alias = marker.substr(2);
    const auto select_end = static_cast<std::size_t>(scanned.first_word().data() - text.data()) + 6;
    if (!is_pure_projection(scanned, select_end, from, alias) || !only_end_after(scanned, at + marker.size())) {
        log_line(logger::level::info, "{}: sent whole, the outer select does more than list the inner columns",
                 request);
        return {std::move(text), false};
    }
    log_line(logger::level::info, "{}: the wrapper is cut, the outer select only lists the inner columns", request);
    auto inner = from + wrapper_opening.size();
    while (inner < at && is_blank(text[inner])) ++inner;
    std::string kept(text.substr(inner, at - inner));
    kept += text.substr(at + marker.size());
    return {std::move(kept), true};
}

std::string top_to_limit(std::string text) {
    if (!contains_lower(text, "top")) return text;
    const statement_text scanned(text);
    if (!scanned.is_select() || has_code_word(scanned, "limit")) return text;
    std::size_t at = static_cast<std::size_t>(scanned.first_word().data() - text.data()) + 6;
    const auto skip_blanks = [&](std::size_t from) {
        while (from < text.size() && scanned.in_code(from) && is_blank(text[from])) ++from;
        return from;
    };
    const auto word_at = [&](std::size_t from) {
        std::size_t end = from;
        while (end < text.size() && scanned.in_code(end) && is_word_character(text[end])) ++end;
        return std::string_view(text).substr(from, end - from);
    };
    at = skip_blanks(at);
    if (const auto word = word_at(at); iequals(word, "distinct") || iequals(word, "all"))
        at = skip_blanks(at + word.size());
    const std::size_t top = at;
    if (!iequals(word_at(at), "top")) return text;
    at = skip_blanks(at + 3);
    const bool parenthesised = at < text.size() && text[at] == '(';
    if (parenthesised) at = skip_blanks(at + 1);
    const std::size_t digits = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == digits || at - digits > 18) return text;
    const std::string count(text.substr(digits, at - digits));
    if (parenthesised) {
        at = skip_blanks(at);
        if (at >= text.size() || text[at] != ')') return text;
        ++at;
    }
    // TOP n PERCENT and TOP n WITH TIES have no LIMIT of the same meaning.
    const auto next = skip_blanks(at);
    if (iequals(word_at(next), "percent") || iequals(word_at(next), "with") || (next == at && next < text.size()))
        return text;
    text.erase(top, next - top);
    return apply_limit_clause(std::move(text), count);
}

std::string apply_row_limit(std::string text, std::uint64_t max_rows) {
    if (max_rows == 0 || max_rows > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return text;
    const statement_text scanned(text);
    if (!scanned.is_select() || has_code_word(scanned, "limit")) return text;
    return apply_limit_clause(std::move(text), fmt::format("{}", max_rows));
}

std::string without_rows(std::string text) {
    const statement_text scanned(text);
    if (!scanned.is_select() || has_code_word(scanned, "limit")) return text;
    return apply_limit_clause(std::move(text), "0");
}

}  // namespace rewrite
