#include "statement/rewrite_rules.hpp"

#include <algorithm>
#include <cctype>

#include <boost/regex.hpp>
#include <fmt/format.h>

#include "logger/logger.hpp"

namespace rewrite {

namespace {

const boost::regex& insert_pattern() {
    static const boost::regex pattern(R"(INSERT INTO\s+(\w+)\s*\(([^)]+)\)\s+VALUES\s*\(([^)]+)\);?)",
                                      boost::regex::perl | boost::regex::icase);
    return pattern;
}

constexpr std::string_view tableau_marker = ") \"TableauSQL\"";
constexpr std::string_view custom_query_marker = ") \"Custom_SQL_Query\"";
// The cut keeps the text from "FROM (" plus this many characters: the marker, its opening
// parenthesis and the line break and two blanks that follow it.
constexpr std::size_t wrapper_cut = 9;

}  // namespace

std::uint32_t count_markers(std::string_view text) noexcept {
    return static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '?'));
}

bool contains_lower(std::string_view text, std::string_view lower_needle) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find(lower_needle) != std::string::npos;
}

std::string rewrite_insert(std::string_view text) {
    boost::match_results<std::string_view::const_iterator> match;
    if (!boost::regex_search(text.begin(), text.end(), match, insert_pattern())) return std::string(text);
    const std::string columns = match[2].str();
    if (columns.find("$timestamp") != std::string::npos) return std::string(text);
    // The value list ends at its first ")": a value list with parentheses of its own (a function
    // call) would be cut in the middle, so such a text is left as it is.
    if (match[3].str().find('(') != std::string::npos) return std::string(text);
    // The rewrite keeps the first value list only: the further rows of a multi-row insert would
    // be dropped without a word, so such a text is left as it is too.
    const std::string_view rest = text.substr(static_cast<std::size_t>(match[0].second - text.begin()));
    if (const auto next = rest.find_first_not_of(" \t\r\n"); next != std::string_view::npos && rest[next] == ',')
        return std::string(text);
    return fmt::format("INSERT INTO {} ({}, $timestamp) VALUES ({}, 2000);", match[1].str(), columns, match[3].str());
}

unwrapped unwrap(std::string_view text) {
    std::string shortened(text);
    if (const auto at = shortened.find(tableau_marker); at != std::string::npos) {
        log_line(logger::level::debug, "tableau request");
        shortened.erase(at, tableau_marker.size());
    } else if (const auto at2 = shortened.find(custom_query_marker); at2 != std::string::npos) {
        log_line(logger::level::debug, "tableau custom request");
        shortened.erase(at2, custom_query_marker.size());
    } else {
        return {std::move(shortened), false};
    }
    const auto from = shortened.find("FROM (");
    // Without a cut point the text runs with only the marker removed.
    if (from == std::string::npos) return {std::move(shortened), true};
    // substr throws out_of_range when the text ends before the cut, failing the execution.
    return {shortened.substr(from + wrapper_cut), true};
}

std::string apply_row_limit(std::string text, std::uint64_t max_rows) {
    if (max_rows == 0 || !contains_lower(text, "select") || contains_lower(text, "limit")) return text;
    const std::string clause = fmt::format(" LIMIT {}", max_rows);
    if (const auto semicolon = text.find(';'); semicolon != std::string::npos) {
        text.insert(semicolon, clause);
    } else {
        text += clause;
    }
    return text;
}

}  // namespace rewrite
