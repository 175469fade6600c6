#pragma once
// Which names a catalog argument picks. As a search pattern (the default), `%` stands for any run
// of characters, `_` for any one character, and the escape of SQL_SEARCH_PATTERN_ESCAPE (a
// backslash) makes the next character stand for itself. With SQL_ATTR_METADATA_ID on, the argument
// is an identifier: compared without regard to case, unless it is written in double quotes, which
// are taken off and keep the case. An ordinary argument (one the reference does not take as a
// pattern, such as SQLStatistics' table) names one name exactly. An empty argument (or a null
// pointer) picks every name.

#include <string>
#include <string_view>

namespace catalog {

inline constexpr char search_pattern_escape = '\\';

enum class argument_kind { pattern, identifier, exact };

class name_filter {
public:
    name_filter(std::string_view argument, argument_kind kind);

    [[nodiscard]] bool matches(std::string_view name) const;
    // True when the argument picks every name (empty, or a lone `%` pattern).
    [[nodiscard]] bool picks_every_name() const noexcept { return every_; }

private:
    std::string text_;
    argument_kind kind_ = argument_kind::pattern;
    bool case_sensitive_ = true;
    bool every_ = false;
};

}  // namespace catalog
