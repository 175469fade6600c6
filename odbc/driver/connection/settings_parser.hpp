#pragma once
// The one parser of key=value lists: connection strings (entries separated by ';') and the
// installer's attribute lists (entries separated by a zero byte).

#include <string>
#include <string_view>

#include "connection/connection_settings.hpp"

namespace settings {

// One entry of a list, as written.
struct entry {
    std::string_view key;
    std::string_view value;
};

// Splits a non-empty segment. The key ends at the first '=' that lies before the segment's
// last character; without such a '=', the key is the segment without its last character and
// the value is empty. No blanks are trimmed, no braces or quotes are read.
[[nodiscard]] entry split_segment(std::string_view segment) noexcept;

// Calls `f` with every non-empty segment of `text`; the separators themselves are skipped.
template <typename F>
void for_each_segment(std::string_view text, char separator, F&& f) {
    while (!text.empty()) {
        const auto end = text.find(separator);
        const std::string_view segment = text.substr(0, end);
        if (!segment.empty()) f(segment);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

// The entries of `text` with accepted keys, keys lower-cased and values as written; a later
// entry replaces an earlier one of the same key. Other keys are logged at Error and dropped.
[[nodiscard]] connection_settings parse_pairs(std::string_view text, char separator);

// The value `text` gives the key (lower case), the last entry of it winning; empty without one.
[[nodiscard]] std::string named_value(std::string_view text, char separator, std::string_view key);

// The settings a list describes: the defaults, overlaid with the data source its `dsn`
// names, overlaid with its own entries.
[[nodiscard]] connection_settings parse_connection_string(std::string_view text, char separator);

}  // namespace settings
