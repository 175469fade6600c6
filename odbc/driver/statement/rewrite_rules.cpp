#include "statement/rewrite_rules.hpp"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <limits>

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

}  // namespace

bool contains_lower(std::string_view text, std::string_view lower_needle) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find(lower_needle) != std::string::npos;
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
    log_line(logger::level::debug, "{}", request);
    auto inner = from + wrapper_opening.size();
    while (inner < at && is_blank(text[inner])) ++inner;
    std::string kept(text.substr(inner, at - inner));
    kept += text.substr(at + marker.size());
    return {std::move(kept), true};
}

std::string apply_row_limit(std::string text, std::uint64_t max_rows) {
    if (max_rows == 0 || max_rows > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return text;
    const statement_text scanned(text);
    if (!scanned.is_select() || contains_lower(text, "limit")) return text;
    const auto semicolon = scanned.find_in_code(";");
    const auto at = semicolon != std::string_view::npos ? semicolon : scanned.end_of_code();
    text.insert(at, fmt::format(" LIMIT {}", max_rows));
    return text;
}

}  // namespace rewrite
