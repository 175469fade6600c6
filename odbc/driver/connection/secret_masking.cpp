#include "connection/secret_masking.hpp"

#include "connection/settings_parser.hpp"

namespace settings {

namespace {

constexpr std::string_view blanks = " \t";

bool equals_ignoring_case(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

}  // namespace

bool is_secret_key(std::string_view key) noexcept {
    const auto first = key.find_first_not_of(blanks);
    if (first == std::string_view::npos) return false;
    key = key.substr(first, key.find_last_not_of(blanks) - first + 1);
    return equals_ignoring_case(key, "pwd");
}

std::string_view masked_value(std::string_view key, std::string_view value) noexcept {
    return is_secret_key(key) && !value.empty() ? mask : value;
}

bool opens_braced_secret(std::string_view key, std::string_view value) noexcept {
    return is_secret_key(key) && value.starts_with('{') && !value.ends_with('}');
}

std::string masked_connection_string(std::string_view text, char separator) {
    std::string masked;
    masked.reserve(text.size());
    bool in_braced_secret = false;
    while (true) {
        const auto end = text.find(separator);
        const std::string_view segment = text.substr(0, end);
        const auto [key, value] = split_segment(segment);
        if (in_braced_secret) {
            if (!segment.empty()) masked.append(mask);
            in_braced_secret = !segment.ends_with('}');
        } else if (is_secret_key(key) && !value.empty()) {
            masked.append(key).append("=").append(mask);
            in_braced_secret = opens_braced_secret(key, value);
        } else {
            masked.append(segment);
        }
        if (end == std::string_view::npos) break;
        masked.push_back(separator);
        text.remove_prefix(end + 1);
    }
    return masked;
}

}  // namespace settings
