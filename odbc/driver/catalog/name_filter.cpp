#include "catalog/name_filter.hpp"

#include <cctype>

namespace catalog {

namespace {

char lower(char c) noexcept { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Whether `name` matches `pattern` from their given positions; `%` may match nothing or more.
bool pattern_matches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    // Where the last `%` was, and the name position it currently stands for the run up to.
    std::size_t star = std::string_view::npos;
    std::size_t star_name = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            star = p++;
            star_name = n;
            continue;
        }
        if (p < pattern.size()) {
            const bool escaped = pattern[p] == search_pattern_escape && p + 1 < pattern.size();
            const char want = escaped ? pattern[p + 1] : pattern[p];
            if ((!escaped && want == '_') || want == name[n]) {
                p += escaped ? 2 : 1;
                ++n;
                continue;
            }
        }
        if (star == std::string_view::npos) return false;
        p = star + 1;
        n = ++star_name;
    }
    while (p < pattern.size() && pattern[p] == '%') ++p;
    return p == pattern.size();
}

}  // namespace

name_filter::name_filter(std::string_view argument, argument_kind kind) : text_(argument), kind_(kind) {
    if (kind_ == argument_kind::identifier) {
        // Blanks after an identifier are no part of it.
        while (!text_.empty() && text_.back() == ' ') text_.pop_back();
        if (text_.size() >= 2 && text_.front() == '"' && text_.back() == '"') {
            text_ = text_.substr(1, text_.size() - 2);
        } else {
            case_sensitive_ = false;
            for (char& c : text_) c = lower(c);
        }
    }
    every_ = argument.empty() || (kind_ == argument_kind::pattern && text_ == "%");
}

bool name_filter::matches(std::string_view name) const {
    if (every_) return true;
    if (kind_ == argument_kind::pattern) return pattern_matches(text_, name);
    if (name.size() != text_.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if ((case_sensitive_ ? name[i] : lower(name[i])) != text_[i]) return false;
    return true;
}

}  // namespace catalog
