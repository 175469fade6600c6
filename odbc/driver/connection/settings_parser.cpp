#include "connection/settings_parser.hpp"

#include <string>

#include "connection/data_source.hpp"
#include "connection/secret_masking.hpp"
#include "logger/logger.hpp"

namespace settings {

namespace {

std::string lower_case(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

}  // namespace

entry split_segment(std::string_view segment) noexcept {
    if (segment.empty()) return {};
    const std::string_view before_last = segment.substr(0, segment.size() - 1);
    const auto equals = before_last.find('=');
    if (equals == std::string_view::npos) return {before_last, {}};
    return {segment.substr(0, equals), segment.substr(equals + 1)};
}

namespace {

// Calls `f(key, value, secret_piece)` for every entry of `text`, the key lower-cased;
// `secret_piece` marks a segment that is a piece of a braced secret value, not an entry.
template <typename F>
void for_each_pair(std::string_view text, char separator, F&& f) {
    bool in_braced_secret = false;
    for_each_segment(text, separator, [&](std::string_view segment) {
        const auto [raw_key, value] = split_segment(segment);
        std::string key = lower_case(raw_key);
        const bool secret_piece = in_braced_secret;
        in_braced_secret = secret_piece ? !segment.ends_with('}') : opens_braced_secret(key, value);
        f(std::move(key), value, secret_piece);
    });
}

}  // namespace

std::string named_value(std::string_view text, char separator, std::string_view key) {
    std::string found;
    // As parse_pairs reads the entries, so that the value is the one the settings hold.
    for_each_pair(text, separator, [&](const std::string& entry, std::string_view value, bool) {
        if (entry == key) found.assign(value);
    });
    return found;
}

connection_settings parse_pairs(std::string_view text, char separator) {
    connection_settings pairs;
    for_each_pair(text, separator, [&](std::string key, std::string_view value, bool secret_piece) {
        if (!is_accepted_key(key)) {
            if (secret_piece) {
                log_line(logger::level::error, "not support key '{}' with value: '{}'", mask, mask);
            } else {
                log_line(logger::level::error, "not support key '{}' with value: '{}'", key, masked_value(key, value));
            }
            return;
        }
        pairs.insert_or_assign(std::move(key), std::string(value));
    });
    return pairs;
}

connection_settings parse_connection_string(std::string_view text, char separator) {
    const connection_settings pairs = parse_pairs(text, separator);
    connection_settings merged = build_defaults();
    if (const auto dsn = pairs.find("dsn"); dsn != pairs.end()) read_data_source(dsn->second, merged);
    for (const auto& [key, value] : pairs) merged.insert_or_assign(key, value);
    return merged;
}

}  // namespace settings
