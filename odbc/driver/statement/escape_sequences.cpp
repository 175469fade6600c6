#include "statement/escape_sequences.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include <fmt/format.h>

#include "statement/statement_text.hpp"

namespace escapes {

namespace {

using fg = function_group;

// Each translation is exact: the store's function gives what the ODBC function gives. An
// argument is never written twice (its "?" markers would then count twice).
constexpr std::array<scalar_function, 56> functions{{
    {"ASCII", fg::string, SQL_FN_STR_ASCII, 1, 1, "unicode(%1)"},
    {"CHAR", fg::string, SQL_FN_STR_CHAR, 1, 1, "char(%1)"},
    {"CHAR_LENGTH", fg::string, SQL_FN_STR_CHAR_LENGTH, 1, 1, "length(%1)"},
    {"CHARACTER_LENGTH", fg::string, SQL_FN_STR_CHARACTER_LENGTH, 1, 1, "length(%1)"},
    {"CONCAT", fg::string, SQL_FN_STR_CONCAT, 2, 2, "(%1 || %2)"},
    {"LCASE", fg::string, SQL_FN_STR_LCASE, 1, 1, "lower(%1)"},
    {"LEFT", fg::string, SQL_FN_STR_LEFT, 2, 2, "substr(%1, 1, %2)"},
    // ODBC's LENGTH leaves trailing blanks out.
    {"LENGTH", fg::string, SQL_FN_STR_LENGTH, 1, 1, "length(rtrim(%1, ' '))"},
    {"LTRIM", fg::string, SQL_FN_STR_LTRIM, 1, 1, "ltrim(%1, ' ')"},
    {"OCTET_LENGTH", fg::string, SQL_FN_STR_OCTET_LENGTH, 1, 1, "length(CAST(%1 AS BLOB))"},
    {"REPLACE", fg::string, SQL_FN_STR_REPLACE, 3, 3, "replace(%1, %2, %3)"},
    {"RTRIM", fg::string, SQL_FN_STR_RTRIM, 1, 1, "rtrim(%1, ' ')"},
    {"SUBSTRING", fg::string, SQL_FN_STR_SUBSTRING, 2, 3, "substr(%*)"},
    {"UCASE", fg::string, SQL_FN_STR_UCASE, 1, 1, "upper(%1)"},

    {"ABS", fg::numeric, SQL_FN_NUM_ABS, 1, 1, "abs(%1)"},
    {"ACOS", fg::numeric, SQL_FN_NUM_ACOS, 1, 1, "acos(%1)"},
    {"ASIN", fg::numeric, SQL_FN_NUM_ASIN, 1, 1, "asin(%1)"},
    {"ATAN", fg::numeric, SQL_FN_NUM_ATAN, 1, 1, "atan(%1)"},
    {"CEILING", fg::numeric, SQL_FN_NUM_CEILING, 1, 1, "ceiling(%1)"},
    {"COS", fg::numeric, SQL_FN_NUM_COS, 1, 1, "cos(%1)"},
    {"COT", fg::numeric, SQL_FN_NUM_COT, 1, 1, "(1.0 / tan(%1))"},
    {"DEGREES", fg::numeric, SQL_FN_NUM_DEGREES, 1, 1, "degrees(%1)"},
    {"EXP", fg::numeric, SQL_FN_NUM_EXP, 1, 1, "exp(%1)"},
    {"FLOOR", fg::numeric, SQL_FN_NUM_FLOOR, 1, 1, "floor(%1)"},
    {"LOG", fg::numeric, SQL_FN_NUM_LOG, 1, 1, "ln(%1)"},
    {"LOG10", fg::numeric, SQL_FN_NUM_LOG10, 1, 1, "log10(%1)"},
    {"MOD", fg::numeric, SQL_FN_NUM_MOD, 2, 2, "((%1) % (%2))"},
    {"PI", fg::numeric, SQL_FN_NUM_PI, 0, 0, "pi()"},
    {"POWER", fg::numeric, SQL_FN_NUM_POWER, 2, 2, "power(%1, %2)"},
    {"RADIANS", fg::numeric, SQL_FN_NUM_RADIANS, 1, 1, "radians(%1)"},
    {"ROUND", fg::numeric, SQL_FN_NUM_ROUND, 2, 2, "round_to(%1, %2)"},
    {"SIGN", fg::numeric, SQL_FN_NUM_SIGN, 1, 1, "sign(%1)"},
    {"SIN", fg::numeric, SQL_FN_NUM_SIN, 1, 1, "sin(%1)"},
    {"SQRT", fg::numeric, SQL_FN_NUM_SQRT, 1, 1, "sqrt(%1)"},
    {"TAN", fg::numeric, SQL_FN_NUM_TAN, 1, 1, "tan(%1)"},

    {"CURDATE", fg::timedate, SQL_FN_TD_CURDATE, 0, 0, "date_trunc('day', NOW())"},
    {"CURRENT_DATE", fg::timedate, SQL_FN_TD_CURRENT_DATE, 0, 0, "date_trunc('day', NOW())"},
    {"CURRENT_TIMESTAMP", fg::timedate, SQL_FN_TD_CURRENT_TIMESTAMP, 0, 1, "NOW()"},
    {"DAYNAME", fg::timedate, SQL_FN_TD_DAYNAME, 1, 1, "dayname(%1)"},
    {"DAYOFMONTH", fg::timedate, SQL_FN_TD_DAYOFMONTH, 1, 1, "day(%1)"},
    {"DAYOFWEEK", fg::timedate, SQL_FN_TD_DAYOFWEEK, 1, 1, "dayofweek(%1)"},
    {"DAYOFYEAR", fg::timedate, SQL_FN_TD_DAYOFYEAR, 1, 1, "dayofyear(%1)"},
    {"HOUR", fg::timedate, SQL_FN_TD_HOUR, 1, 1, "hour(%1)"},
    {"MINUTE", fg::timedate, SQL_FN_TD_MINUTE, 1, 1, "minute(%1)"},
    {"MONTH", fg::timedate, SQL_FN_TD_MONTH, 1, 1, "month(%1)"},
    {"MONTHNAME", fg::timedate, SQL_FN_TD_MONTHNAME, 1, 1, "monthname(%1)"},
    {"NOW", fg::timedate, SQL_FN_TD_NOW, 0, 0, "NOW()"},
    {"QUARTER", fg::timedate, SQL_FN_TD_QUARTER, 1, 1, "quarter(%1)"},
    {"SECOND", fg::timedate, SQL_FN_TD_SECOND, 1, 1, "second(%1)"},
    {"TIMESTAMPADD", fg::timedate, SQL_FN_TD_TIMESTAMPADD, 3, 3, "timestamp_add(%u, %2, %3)"},
    {"TIMESTAMPDIFF", fg::timedate, SQL_FN_TD_TIMESTAMPDIFF, 3, 3, "timestamp_diff(%u, %2, %3)"},
    {"WEEK", fg::timedate, SQL_FN_TD_WEEK, 1, 1, "week(%1)"},
    {"YEAR", fg::timedate, SQL_FN_TD_YEAR, 1, 1, "year(%1)"},
    // EXTRACT(unit FROM value) and CONVERT(value, type) are read by their own rules.
    {"EXTRACT", fg::timedate, SQL_FN_TD_EXTRACT, 1, 1, ""},

    {"IFNULL", fg::system, SQL_FN_SYS_IFNULL, 2, 2, "ifnull(%1, %2)"},
    {"CONVERT", fg::system, 0, 2, 2, ""},
}};

struct interval_unit {
    std::string_view odbc;   // after SQL_TSI_
    std::string_view store;  // the unit the store's time functions take
    std::uint32_t bit;
};

constexpr std::array<interval_unit, 9> intervals{{
    {"FRAC_SECOND", "nanosecond", SQL_FN_TSI_FRAC_SECOND},
    {"SECOND", "second", SQL_FN_TSI_SECOND},
    {"MINUTE", "minute", SQL_FN_TSI_MINUTE},
    {"HOUR", "hour", SQL_FN_TSI_HOUR},
    {"DAY", "day", SQL_FN_TSI_DAY},
    {"WEEK", "week", SQL_FN_TSI_WEEK},
    {"MONTH", "month", SQL_FN_TSI_MONTH},
    {"QUARTER", "quarter", SQL_FN_TSI_QUARTER},
    {"YEAR", "year", SQL_FN_TSI_YEAR},
}};

// The units EXTRACT(unit FROM value) takes, with the store's function for each.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> extract_units{{
    {"YEAR", "year"},
    {"MONTH", "month"},
    {"DAY", "day"},
    {"HOUR", "hour"},
    {"MINUTE", "minute"},
    {"SECOND", "second"},
}};

// The targets of CONVERT: the SQL type names it takes, with the store's conversion.
struct conversion_target {
    std::string_view name;
    std::uint32_t bit;
    std::string_view form;
};

constexpr std::array<conversion_target, 12> conversion_targets{{
    {"SQL_BIGINT", SQL_CVT_BIGINT, "CAST(%1 AS INTEGER)"},
    {"SQL_DOUBLE", SQL_CVT_DOUBLE, "CAST(%1 AS REAL)"},
    {"SQL_FLOAT", SQL_CVT_FLOAT, "CAST(%1 AS REAL)"},
    {"SQL_CHAR", SQL_CVT_CHAR, "CAST(%1 AS TEXT)"},
    {"SQL_VARCHAR", SQL_CVT_VARCHAR, "CAST(%1 AS TEXT)"},
    {"SQL_LONGVARCHAR", SQL_CVT_LONGVARCHAR, "CAST(%1 AS TEXT)"},
    {"SQL_WCHAR", SQL_CVT_WCHAR, "CAST(%1 AS TEXT)"},
    {"SQL_WVARCHAR", SQL_CVT_WVARCHAR, "CAST(%1 AS TEXT)"},
    // A timestamp, or a text that is one, as a timestamp; a date is its midnight.
    {"SQL_TIMESTAMP", SQL_CVT_TIMESTAMP, "timestamp_add('nanosecond', 0, %1)"},
    {"SQL_TYPE_TIMESTAMP", SQL_CVT_TIMESTAMP, "timestamp_add('nanosecond', 0, %1)"},
    {"SQL_DATE", SQL_CVT_DATE, "date_trunc('day', %1)"},
    {"SQL_TYPE_DATE", SQL_CVT_DATE, "date_trunc('day', %1)"},
}};

constexpr std::uint32_t time_targets = SQL_CVT_TIMESTAMP | SQL_CVT_DATE;
constexpr std::uint32_t text_targets =
    SQL_CVT_CHAR | SQL_CVT_VARCHAR | SQL_CVT_LONGVARCHAR | SQL_CVT_WCHAR | SQL_CVT_WVARCHAR;

char upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool iequals(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upper(x) == upper(y); });
}

bool is_blank(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool is_word_char(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view trimmed(std::string_view text) noexcept {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// The escape as the application wrote it, shortened for a message.
std::string shown(std::string_view escape) {
    constexpr std::size_t most = 80;
    if (escape.size() <= most) return std::string(escape);
    return fmt::format("{}...", escape.substr(0, most));
}

diag_record malformed(std::string_view escape, std::string_view why) {
    return diag_record(diag::state::syntax_error, fmt::format("the escape sequence {} {}", shown(escape), why));
}

diag_record not_offered(std::string_view escape, std::string_view why) {
    return diag_record(diag::state::optional_feature,
                       fmt::format("the escape sequence {} is not offered: {}", shown(escape), why));
}

using translated = std::variant<std::string, diag_record>;

// The body of a one-literal escape ({d '...'}): the literal's content, when the body is exactly
// one quoted literal without a doubled quote.
std::optional<std::string_view> only_literal(std::string_view body) {
    body = trimmed(body);
    if (body.size() < 2 || body.front() != '\'' || body.back() != '\'') return std::nullopt;
    const auto content = body.substr(1, body.size() - 2);
    if (content.find('\'') != std::string_view::npos) return std::nullopt;
    return content;
}

bool digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at),
                       text.begin() + static_cast<std::ptrdiff_t>(at + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

int number_at(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

bool valid_date(std::string_view text) {
    if (text.size() != 10 || !digits(text, 0, 4) || text[4] != '-' || !digits(text, 5, 2) || text[7] != '-' ||
        !digits(text, 8, 2))
        return false;
    const int year = number_at(text, 0, 4);
    const int month = number_at(text, 5, 2);
    const int day = number_at(text, 8, 2);
    if (month < 1 || month > 12 || day < 1) return false;
    constexpr std::array<int, 12> days{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= (month == 2 && !leap ? 28 : days[static_cast<std::size_t>(month - 1)]);
}

// hh:mm:ss with an optional fraction of up to 9 digits.
bool valid_time(std::string_view text, bool fraction_allowed) {
    if (text.size() < 8 || !digits(text, 0, 2) || text[2] != ':' || !digits(text, 3, 2) || text[5] != ':' ||
        !digits(text, 6, 2))
        return false;
    if (number_at(text, 0, 2) > 23 || number_at(text, 3, 2) > 59 || number_at(text, 6, 2) > 59) return false;
    if (text.size() == 8) return true;
    const auto fraction = text.substr(9);
    return fraction_allowed && text[8] == '.' && !fraction.empty() && fraction.size() <= 9 &&
           digits(fraction, 0, fraction.size());
}

translated date_time_literal(std::string_view escape, std::string_view keyword, std::string_view body) {
    const auto content = only_literal(body);
    if (iequals(keyword, "d")) {
        if (!content || !valid_date(*content)) return malformed(escape, "is not a date 'yyyy-mm-dd'");
        return fmt::format("{}T00:00:00", *content);
    }
    if (iequals(keyword, "t")) {
        if (!content || !valid_time(*content, false)) return malformed(escape, "is not a time 'hh:mm:ss'");
        // A time of day is that time on the current date, as ODBC converts a time to a timestamp.
        return fmt::format("TIME '{}'", *content);
    }
    if (!content || content->size() < 10 || !valid_date(content->substr(0, 10)) ||
        (content->size() > 10 && ((*content)[10] != ' ' || !valid_time(content->substr(11), true))))
        return malformed(escape, "is not a timestamp 'yyyy-mm-dd hh:mm:ss[.f]'");
    if (content->size() == 10) return fmt::format("{}T00:00:00", *content);
    return fmt::format("{}T{}", content->substr(0, 10), content->substr(11));
}

// The arguments of a call "NAME(a, b)" whose opening parenthesis is at `open`: the text between
// the parentheses split at the commas of its code outside nested parentheses. None when the
// parentheses do not close at the end of the text.
std::optional<std::vector<std::string_view>> call_arguments(const statement_text& scanned, std::size_t open) {
    const auto text = scanned.text();
    std::vector<std::string_view> arguments;
    int depth = 0;
    std::size_t start = open + 1;
    for (std::size_t at = open; at < text.size(); ++at) {
        if (!scanned.in_code(at)) continue;
        const char c = text[at];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth > 0) continue;
            if (!trimmed(text.substr(at + 1)).empty()) return std::nullopt;
            const auto last = trimmed(text.substr(start, at - start));
            if (!last.empty() || !arguments.empty()) arguments.push_back(last);
            return arguments;
        } else if (c == ',' && depth == 1) {
            arguments.push_back(trimmed(text.substr(start, at - start)));
            start = at + 1;
        }
    }
    return std::nullopt;
}

// The form with its placeholders filled.
std::string expand(std::string_view form, const std::vector<std::string_view>& arguments, std::string_view unit) {
    std::string out;
    for (std::size_t at = 0; at < form.size(); ++at) {
        const char next = at + 1 < form.size() ? form[at + 1] : '\0';
        if (form[at] != '%' || (next != '*' && next != 'u' && (next < '1' || next > '3'))) {
            out += form[at];
            continue;
        }
        const char what = form[++at];
        if (what == '*') {
            for (std::size_t i = 0; i < arguments.size(); ++i) {
                if (i > 0) out += ", ";
                out += arguments[i];
            }
        } else if (what == 'u') {
            fmt::format_to(std::back_inserter(out), "'{}'", unit);
        } else {
            out += arguments[static_cast<std::size_t>(what - '1')];
        }
    }
    return out;
}

translated convert_call(std::string_view escape, const std::vector<std::string_view>& arguments) {
    const auto target = arguments[1];
    for (const auto& t : conversion_targets)
        if (iequals(target, t.name)) return expand(t.form, arguments, {});
    return not_offered(escape, fmt::format("CONVERT to {} (the store converts to SQL_BIGINT, SQL_DOUBLE, "
                                           "SQL_FLOAT, SQL_TIMESTAMP, SQL_DATE and the character types)",
                                           target));
}

translated extract_call(std::string_view escape, std::string_view argument) {
    std::size_t end = 0;
    while (end < argument.size() && is_word_char(argument[end])) ++end;
    const auto unit = argument.substr(0, end);
    auto rest = trimmed(argument.substr(end));
    if (rest.size() < 5 || !iequals(rest.substr(0, 4), "FROM") || is_word_char(rest[4]))
        return malformed(escape, "is not EXTRACT(unit FROM value)");
    rest = trimmed(rest.substr(4));
    for (const auto& [name, function] : extract_units)
        if (iequals(unit, name)) return fmt::format("{}({})", function, rest);
    return not_offered(escape,
                       fmt::format("EXTRACT of {} (the units are YEAR, MONTH, DAY, HOUR, MINUTE and SECOND)", unit));
}

translated function_call(std::string_view escape, std::string_view body) {
    body = trimmed(body);
    std::size_t end = 0;
    while (end < body.size() && is_word_char(body[end])) ++end;
    const auto name = body.substr(0, end);
    if (name.empty()) return malformed(escape, "names no function");
    const statement_text scanned(body);
    std::size_t open = end;
    while (open < body.size() && is_blank(body[open])) ++open;
    if (open >= body.size() || body[open] != '(') return malformed(escape, "is not a function call NAME(arguments)");
    const auto arguments = call_arguments(scanned, open);
    if (!arguments) return malformed(escape, "is not a function call NAME(arguments)");
    if (std::any_of(arguments->begin(), arguments->end(), [](std::string_view a) { return a.empty(); }))
        return malformed(escape, "has an empty argument");
    const auto known = std::find_if(functions.begin(), functions.end(),
                                    [&](const scalar_function& f) { return iequals(f.name, name); });
    if (known == functions.end()) return not_offered(escape, fmt::format("the store has no scalar function {}", name));
    if (arguments->size() < known->min_args || arguments->size() > known->max_args)
        return malformed(
            escape, known->min_args == known->max_args
                        ? fmt::format("gives {} {} arguments, which takes {}", name, arguments->size(), known->min_args)
                        : fmt::format("gives {} {} arguments, which takes {} to {}", name, arguments->size(),
                                      known->min_args, known->max_args));
    if (known->name == "CURRENT_TIMESTAMP" && !arguments->empty() &&
        !digits(arguments->front(), 0, arguments->front().size()))
        return malformed(escape, "gives a precision that is not a number");
    if (known->name == "CONVERT") return convert_call(escape, *arguments);
    if (known->name == "EXTRACT") return extract_call(escape, arguments->front());
    std::string_view unit;
    if (known->form.find("%u") != std::string_view::npos) {
        auto given = arguments->front();
        if (given.size() > 8 && iequals(given.substr(0, 8), "SQL_TSI_")) given.remove_prefix(8);
        const auto found = std::find_if(intervals.begin(), intervals.end(),
                                        [&](const interval_unit& u) { return iequals(u.odbc, given); });
        if (found == intervals.end())
            return malformed(escape, fmt::format("names the interval {}, which is none of SQL_TSI_FRAC_SECOND, "
                                                 "SECOND, MINUTE, HOUR, DAY, WEEK, MONTH, QUARTER and YEAR",
                                                 arguments->front()));
        unit = found->store;
    }
    return expand(known->form, *arguments, unit);
}

// {INTERVAL [sign]'n' unit}: a span of fixed length, as the nanoseconds the store counts time in.
translated interval_literal(std::string_view escape, std::string_view body) {
    body = trimmed(body);
    bool negative = false;
    if (!body.empty() && (body.front() == '-' || body.front() == '+')) {
        negative = body.front() == '-';
        body = trimmed(body.substr(1));
    }
    const auto close = body.size() > 1 && body.front() == '\'' ? body.find('\'', 1) : std::string_view::npos;
    if (close == std::string_view::npos) return malformed(escape, "is not INTERVAL 'n' unit");
    auto amount = trimmed(body.substr(1, close - 1));
    const auto unit = trimmed(body.substr(close + 1));
    if (!amount.empty() && amount.front() == '-') {
        negative = !negative;
        amount.remove_prefix(1);
    }
    struct fixed_unit {
        std::string_view name;
        std::int64_t nanoseconds;
    };
    constexpr std::array<fixed_unit, 4> units{{{"DAY", 86'400'000'000'000},
                                               {"HOUR", 3'600'000'000'000},
                                               {"MINUTE", 60'000'000'000},
                                               {"SECOND", 1'000'000'000}}};
    const auto found =
        std::find_if(units.begin(), units.end(), [&](const fixed_unit& u) { return iequals(u.name, unit); });
    if (found == units.end())
        return not_offered(escape,
                           "the store's intervals are a number of DAY, HOUR, MINUTE or SECOND (a month or "
                           "year has no fixed length)");
    const auto point = amount.find('.');
    const auto whole = amount.substr(0, point);
    const auto fraction = point == std::string_view::npos ? std::string_view() : amount.substr(point + 1);
    if (whole.empty() || whole.size() > 9 || !digits(whole, 0, whole.size()) ||
        (point != std::string_view::npos &&
         (found->name != "SECOND" || fraction.empty() || fraction.size() > 9 || !digits(fraction, 0, fraction.size()))))
        return malformed(escape, "is not INTERVAL 'n' unit with a whole number n (a fraction for SECOND)");
    std::int64_t value = number_at(whole, 0, whole.size()) * found->nanoseconds;
    std::int64_t scale = 100'000'000;
    for (const char c : fraction) {
        value += (c - '0') * scale;
        scale /= 10;
    }
    return fmt::format("{}{}", negative ? "-" : "", value);
}

// Escapes nest no deeper than this: each level is translated by a call of its own.
constexpr int max_nesting = 32;

translated translate_escape(std::string_view escape, std::string_view inside, int depth);

// Whether two characters written side by side would read as one token or open a comment: a
// translation is set apart from its neighbours by a blank then, so that it never joins them
// ("-" and a negative number making "--", two literals making one).
bool would_join(char left, char right) noexcept {
    if (is_word_char(left) && is_word_char(right)) return true;
    if (left == right && (left == '-' || left == '\'' || left == '"')) return true;
    return left == '/' && right == '*';
}

void append_apart(std::string& out, std::string_view piece) {
    if (!out.empty() && !piece.empty() && would_join(out.back(), piece.front())) out += ' ';
    out.append(piece);
}

// The text with its escapes translated; `text` is a whole statement or the body of an escape
// nested `depth` deep.
translated translate_text(std::string_view text, int depth) {
    if (text.find('{') == std::string_view::npos) return std::string(text);
    const statement_text scanned(text);
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t at = scanned.find_in_code("{"); at != std::string_view::npos;
         at = scanned.find_in_code("{", copied)) {
        // The escape ends at the "}" of code that closes it; escapes nest.
        int open = 0;
        std::size_t close = at;
        for (; close < text.size(); ++close) {
            if (!scanned.in_code(close)) continue;
            if (text[close] == '{') ++open;
            if (text[close] == '}' && --open == 0) break;
        }
        if (close >= text.size())
            return diag_record(diag::state::syntax_error,
                               fmt::format("the escape sequence {} is not closed by '}}'", shown(text.substr(at))));
        const auto escape = text.substr(at, close - at + 1);
        if (depth >= max_nesting) return malformed(escape, fmt::format("nests escapes more than {} deep", max_nesting));
        auto replaced = translate_escape(escape, text.substr(at + 1, close - at - 1), depth + 1);
        if (auto* refusal = std::get_if<diag_record>(&replaced)) return std::move(*refusal);
        out.append(text.substr(copied, at - copied));
        append_apart(out, std::get<std::string>(replaced));
        copied = close + 1;
    }
    append_apart(out, text.substr(copied));
    return out;
}

translated translate_escape(std::string_view escape, std::string_view inside, int depth) {
    const auto body = trimmed(inside);
    std::size_t end = 0;
    while (end < body.size() && (is_word_char(body[end]) || (end == 0 && body[end] == '?'))) ++end;
    if (end == 1 && body[0] == '?') {
        // {?= call ...}
        return not_offered(escape, "the store has no procedures to call");
    }
    const auto keyword = body.substr(0, end);
    const auto rest = body.substr(end);
    if (iequals(keyword, "d") || iequals(keyword, "t") || iequals(keyword, "ts"))
        return date_time_literal(escape, keyword, rest);
    if (iequals(keyword, "call")) return not_offered(escape, "the store has no procedures to call");
    if (iequals(keyword, "guid")) return not_offered(escape, "the store has no GUID type");
    // The other escapes may hold escapes of their own.
    auto inner = translate_text(rest, depth);
    if (auto* refusal = std::get_if<diag_record>(&inner)) return std::move(*refusal);
    const auto& translated_rest = std::get<std::string>(inner);
    if (iequals(keyword, "fn")) return function_call(escape, translated_rest);
    if (iequals(keyword, "oj")) {
        if (trimmed(translated_rest).empty()) return malformed(escape, "holds no join");
        return std::string(trimmed(translated_rest));
    }
    if (iequals(keyword, "escape")) {
        if (!only_literal(translated_rest) || only_literal(translated_rest)->size() != 1)
            return malformed(escape, "does not give one escape character in quotes");
        return fmt::format("ESCAPE {}", trimmed(translated_rest));
    }
    if (iequals(keyword, "interval")) return interval_literal(escape, translated_rest);
    if (keyword.empty()) return malformed(escape, "has no keyword");
    return malformed(escape, fmt::format("has the unknown keyword {}", keyword));
}

}  // namespace

std::span<const scalar_function> scalar_functions() noexcept { return functions; }

std::uint32_t claimed_functions(function_group group) noexcept {
    std::uint32_t bits = 0;
    for (const auto& f : functions)
        if (f.group == group) bits |= f.bit;
    return bits;
}

std::uint32_t claimed_intervals() noexcept {
    std::uint32_t bits = 0;
    for (const auto& unit : intervals) bits |= unit.bit;
    return bits;
}

std::uint32_t claimed_conversions(SQLSMALLINT sql_type) noexcept {
    std::uint32_t targets = 0;
    for (const auto& t : conversion_targets) targets |= t.bit;
    const std::uint32_t number_and_text_targets = targets & ~time_targets;
    switch (sql_type) {
    case SQL_BIGINT:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIT:
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DECIMAL:
    case SQL_NUMERIC: return number_and_text_targets;
    // A text converts to a text, and to a timestamp or date when it is one (the store refuses any
    // other); to a number only when it is one, which the store's CAST does not check.
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR: return targets & (text_targets | time_targets);
    // A timestamp or date converts to a timestamp or date; to the store's CAST it is a count of
    // nanoseconds, not its text.
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE: return time_targets;
    // A time of day is a timestamp of the current date, which is what ODBC makes of it.
    case SQL_TYPE_TIME: return SQL_CVT_TIMESTAMP;
    // Binary values and GUIDs convert to nothing.
    default: return 0;
    }
}

std::variant<std::string, diag_record> translate(std::string_view text) { return translate_text(text, 0); }

}  // namespace escapes
