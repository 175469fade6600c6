#include "translator.hpp"

#include "../column_types.hpp"
#include "../timestamp.hpp"
#include "numbers.hpp"
#include "statements.hpp"
#include "timestamp_texts.hpp"
#include "tokenizer.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>

namespace vdl::lang {
namespace {

// The nanoseconds given by the argument of DATETIME(...) at tokens[at..end), or nothing
// when it is not a timestamp argument (DATETIME('now') is then the engine's function).
outcome<std::optional<std::int64_t>> datetime_argument(std::span<const token> argument) {
    using none = std::optional<std::int64_t>;
    if (argument.size() == 1 && argument[0].kind == token_kind::timestamp) return none(argument[0].value);
    if (argument.size() == 1 && argument[0].kind == token_kind::string) {
        const auto text = unquote_string(argument[0].text);
        auto length = timestamp_literal_length(text);
        if (length && *length == 0) return none();
        auto value = parse_timestamp(text);
        if (!value) return std::move(value).error();
        return none(*value);
    }
    const bool negative = argument.size() == 2 && argument[0].is_symbol("-");
    const auto& number = argument.back();
    if ((argument.size() == 1 || negative) && number.kind == token_kind::number && is_digits(number.text)) {
        std::int64_t value = 0;
        const std::string digits = fmt::format("{}{}", negative ? "-" : "", number.text);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc{} || end != digits.data() + digits.size())
            return failure{VDL_E_SYNTAX, fmt::format("DATETIME({}) is out of range: an integer argument is "
                                                     "nanoseconds since the epoch in 64 bits",
                                                     digits)};
        return none(value);
    }
    return none();
}

// A typed literal of SQL: TIMESTAMP 'yyyy-mm-dd hh:mm:ss[.f]', DATE 'yyyy-mm-dd' or
// TIME 'hh:mm:ss[.f]' (that time of the current day, UTC), as nanoseconds since the epoch.
outcome<std::int64_t> typed_literal(const token& type, const token& literal, std::int64_t now) {
    const auto text = unquote_string(literal.text);
    if (type.is_word("TIME")) {
        auto offset = parse_timestamp_text(fmt::format("1970-01-01T{}", text));
        if (!offset || text.size() < 8 || text.find('Z') != std::string::npos)
            return failure{VDL_E_TYPE,
                           fmt::format("TIME '{}' is not a time of day: expected hh:mm:ss[.fraction]", text)};
        return start_of_day(now) + *offset;
    }
    if (type.is_word("DATE") && text.size() != 10)
        return failure{VDL_E_TYPE, fmt::format("DATE '{}' is not a date: expected yyyy-mm-dd", text)};
    auto value = parse_timestamp_text(text);
    if (!value) return failure{VDL_E_TYPE, fmt::format("{} {}: {}", type.text, literal.text, value.error().detail)};
    return value;
}

}  // namespace

select_item derived_kind(const item_info& item, std::span<const std::optional<column_type>> types) {
    if (item.how == item_info::derived::none) return item.kind;
    if (std::any_of(types.begin(), types.end(), [](const auto& type) { return !type.has_value(); })) return item.kind;
    if (item.how == item_info::derived::extreme) {
        switch (*types.front()) {
        case column_type::int64: return select_item::integer;
        case column_type::double_: return select_item::real;
        case column_type::timestamp: return select_item::timestamp;
        case column_type::string: return select_item::text;
        case column_type::blob: return select_item::blob;
        }
        return item.kind;
    }
    // SUM and arithmetic: a real when a column holds reals (or a number is one), an integer when
    // every column holds integers or timestamps (nanoseconds); texts and blobs tell nothing.
    bool real = item.real_literal;
    for (const auto& type : types) {
        if (*type == column_type::double_) real = true;
        else if (*type != column_type::int64 && *type != column_type::timestamp) return item.kind;
    }
    return real ? select_item::real : select_item::integer;
}

std::size_t cast_close(std::span<const token> tokens, std::size_t at) {
    if (at + 1 >= tokens.size() || !tokens[at].is_word("CAST") || !tokens[at + 1].is_symbol("(")) return 0;
    int depth = 0;
    for (std::size_t i = at + 1; i < tokens.size(); ++i) {
        if (tokens[i].is_symbol("(")) ++depth;
        if (tokens[i].is_symbol(")") && --depth == 0) return i;
    }
    return 0;
}

cast_target timestamp_cast(std::span<const token> tokens, std::size_t at) {
    const std::size_t close = cast_close(tokens, at);
    // CAST ( e AS type ): at least one token of e.
    if (close < at + 5 || !tokens[close - 2].is_word("AS")) return cast_target::none;
    const auto& type = tokens[close - 1];
    if (type.is_word("DATE")) return cast_target::date;
    if (type.is_word("TIMESTAMP") || type.is_word("DATETIME")) return cast_target::timestamp;
    return cast_target::none;
}

std::string quote_identifier(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    out += '"';
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    out += '"';
    return out;
}

std::optional<std::string> written_name(std::string_view engine_name, const engine_statement& statement) {
    if (engine_name.find_first_of("?\"") == std::string_view::npos) return std::nullopt;
    std::string out;
    out.reserve(engine_name.size());
    bool rewritten = false;
    std::size_t at = 0;
    // The end of the quoted text that starts at `from`: after its closing quote (a doubled quote
    // stands for one), or the end of the name.
    const auto quoted_end = [&](std::size_t from, char quote) {
        std::size_t end = from + 1;
        while (end < engine_name.size()) {
            if (engine_name[end] != quote) {
                ++end;
            } else if (end + 1 < engine_name.size() && engine_name[end + 1] == quote) {
                end += 2;
            } else {
                return end + 1;
            }
        }
        return end;
    };
    while (at < engine_name.size()) {
        const char c = engine_name[at];
        if (c == '\'' || (c == '"' && (at + 1 >= engine_name.size() || engine_name[at + 1] != '$'))) {
            const auto end = quoted_end(at, c);  // a text literal or a name of the query's own
            out.append(engine_name.substr(at, end - at));
            at = end;
        } else if (c == '"') {
            const auto end = quoted_end(at, c);  // a $name the translator quoted
            const auto body = engine_name.substr(at + 1, end - at - 2);
            for (std::size_t i = 0; i < body.size(); ++i) {
                out += body[i];
                if (body[i] == '"' && i + 1 < body.size() && body[i + 1] == '"') ++i;
            }
            rewritten = true;
            at = end;
        } else if (c == '?') {
            std::size_t number = 0;
            const char* first = engine_name.data() + at + 1;
            const auto [end, error] = std::from_chars(first, engine_name.data() + engine_name.size(), number);
            if (error == std::errc{} && number >= 1 && number <= statement.written.size()) {
                out.append(statement.written[number - 1]);
                rewritten = true;
                at = static_cast<std::size_t>(end - engine_name.data());
            } else {
                out += c;
                ++at;
            }
        } else {
            out += c;
            ++at;
        }
    }
    if (!rewritten) return std::nullopt;
    return out;
}

outcome<engine_statement> rewrite_expressions(std::string_view text, std::span<const token> tokens, std::int64_t now,
                                              std::vector<value_source>* sources, const timestamp_texts* stamped) {
    const auto kept = numbers_kept_as_written(tokens);
    engine_statement out;
    out.sql.reserve(text.size() + 16);
    bool after_placeholder = false;
    // Text after a placeholder must not begin with a digit, which would make it part of the
    // placeholder's number.
    const auto append = [&](std::string_view piece) {
        if (piece.empty()) return;
        if (after_placeholder && piece.front() >= '0' && piece.front() <= '9') out.sql += ' ';
        out.sql.append(piece);
        after_placeholder = false;
    };
    // A placeholder for the value that the query wrote as tokens first..last.
    const auto bind = [&](bound_value value, value_source source) {
        const auto begin = tokens[source.first].offset;
        const auto written = text.substr(begin, tokens[source.last].offset + tokens[source.last].text.size() - begin);
        if (sources != nullptr) sources->push_back(source);
        out.values.push_back(value);
        out.written.push_back(written);
        fmt::format_to(std::back_inserter(out.sql), "?{}", out.values.size());
        after_placeholder = true;
    };
    using rule = value_source::rule;
    const auto stamped_column = [&](std::size_t at) {
        return stamped != nullptr ? stamped->column_at(at) : std::string_view();
    };
    std::size_t copied_to = tokens.empty() ? 0 : tokens.front().offset;
    // The AS of each CAST to a timestamp type being rewritten, innermost last.
    std::vector<std::size_t> cast_ends;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const auto& t = tokens[i];
        append(text.substr(copied_to, t.offset - copied_to));
        copied_to = t.offset + t.text.size();

        // The engine's CAST to TIMESTAMP or DATE reads a text as a number ('2021-03-04' gives 2021)
        // and leaves a number as it is: the store's time functions read the value as a timestamp
        // instead, `e AS type)` ending the call.
        if (!cast_ends.empty() && cast_ends.back() == i) {
            cast_ends.pop_back();
            while (!out.sql.empty() && out.sql.back() == ' ') out.sql.pop_back();
            append(")");
            i += 2;
            copied_to = tokens[i].offset + tokens[i].text.size();
            continue;
        }
        if (const auto kind = timestamp_cast(tokens, i); kind != cast_target::none) {
            append(kind == cast_target::date ? "date_trunc('day', " : "timestamp_add('nanosecond', 0, ");
            cast_ends.push_back(cast_close(tokens, i) - 2);
            ++i;
            copied_to = tokens[i].offset + tokens[i].text.size();
            continue;
        }

        const bool typed = (t.is_word("TIMESTAMP") || t.is_word("DATE") || t.is_word("TIME")) &&
                           i + 1 < tokens.size() && tokens[i + 1].kind == token_kind::string;
        if (typed) {
            auto value = typed_literal(t, tokens[i + 1], now);
            if (!value) return std::move(value).error();
            bind(*value, {t.is_word("TIME") ? rule::time_of_day : rule::fixed, i + 1, i, i + 1});
            ++i;
            copied_to = tokens[i].offset + tokens[i].text.size();
        } else if (const auto column = stamped_column(i); !column.empty()) {
            auto value = parse_timestamp_text(unquote_string(t.text));
            if (!value)
                return failure{VDL_E_TYPE, fmt::format("{} is compared with or assigned to the timestamp column {} "
                                                       "but is not a timestamp: expected yyyy-mm-dd[ "
                                                       "hh:mm:ss[.fraction]]",
                                                       t.text.substr(0, 66), column)};
            bind(*value, {rule::fixed, i, i, i});
        } else if (t.kind == token_kind::dollar_word) {
            append(quote_identifier(t.text));
        } else if (t.kind == token_kind::timestamp) {
            bind(t.value, {rule::literal, i, i, i});
        } else if (t.kind == token_kind::number) {
            const auto value = kept[i] ? std::nullopt : number_value(t.text);
            if (value) bind(*value, {rule::literal, i, i, i});
            else append(t.text);
        } else if (t.is_word("NOW") && i + 2 < tokens.size() && tokens[i + 1].is_symbol("(") &&
                   tokens[i + 2].is_symbol(")")) {
            bind(now, {rule::now, 0, i, i + 2});
            i += 2;
            copied_to = tokens[i].offset + 1;
        } else if (t.is_word("CURRENT_TIMESTAMP") || t.is_word("CURRENT_TIME")) {
            // SQL's current time: the engine's is a text, which a timestamp never equals or exceeds.
            // CURRENT_TIME is the time of day on the current date, as TIME '...' is.
            bind(now, {rule::now, 0, i, i});
        } else if (t.is_word("CURRENT_DATE")) {
            bind(start_of_day(now), {rule::today, 0, i, i});
        } else if (t.is_word("DATETIME") && i + 1 < tokens.size() && tokens[i + 1].is_symbol("(")) {
            // Find the closing parenthesis of a one- or two-token argument.
            std::size_t close = i + 2;
            while (close < tokens.size() && close <= i + 4 && !tokens[close].is_symbol(")")) ++close;
            std::optional<std::int64_t> value;
            if (close < tokens.size() && tokens[close].is_symbol(")") && close > i + 2) {
                auto argument = datetime_argument(tokens.subspan(i + 2, close - i - 2));
                if (!argument) return std::move(argument).error();
                value = *argument;
            }
            if (value) {
                // The argument's last token holds the value: a timestamp, a string or an integer
                // under an optional minus sign.
                const std::size_t argument = close - 1;
                const auto& holder = tokens[argument];
                const rule how = holder.kind == token_kind::timestamp ? rule::literal
                                 : holder.kind == token_kind::number
                                     ? (argument > i + 2 ? rule::negated_integer_literal : rule::integer_literal)
                                     : rule::fixed;
                bind(*value, {how, argument, i, close});
                i = close;
                copied_to = tokens[i].offset + 1;
            } else {
                append(t.text);
            }
        } else {
            append(t.text);
        }
    }
    return out;
}

outcome<translation> translate(std::string_view text, std::int64_t now, schema_source* schema) {
    auto tokens = tokenize(text);
    if (!tokens) return std::move(tokens).error();
    return translate_tokens(text, *tokens, now, nullptr, schema);
}

outcome<translation> translate_tokens(std::string_view text, std::span<const token> tokens, std::int64_t now,
                                      std::vector<value_source>* sources, schema_source* schema) {
    std::span<const token> statement(tokens);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != token_kind::semicolon) continue;
        for (std::size_t j = i + 1; j < tokens.size(); ++j)
            if (tokens[j].kind != token_kind::semicolon)
                return failure{VDL_E_SYNTAX,
                               fmt::format("one statement per query: unexpected '{}' after ';'", tokens[j].text)};
        statement = statement.first(i);
        break;
    }
    if (statement.empty()) return translation{};

    const auto& head = statement.front();
    if (head.is_word("CREATE")) return translate_create_table(statement);
    if (head.is_word("DROP")) return translate_drop_table(statement);
    if (head.is_word("SHOW")) return translate_show(statement);

    translation out;
    // Items of the outermost SELECT list whose kind follows from the types of the columns they read.
    std::vector<std::size_t> columns;
    std::vector<item_info> derived;
    if (head.is_word("SELECT") || head.is_word("WITH") || head.is_word("VALUES")) {
        out.kind = statement_kind::query;
        for (auto& item : outer_select_items(statement)) {
            const select_item kind = item.kind;
            if (item.how != item_info::derived::none) {
                columns.insert(columns.end(), item.columns.begin(), item.columns.end());
                item.first = out.items.size();  // the item's position, from here on
                derived.push_back(std::move(item));
            }
            out.items.push_back(kind);
        }
    } else if (head.is_word("INSERT") || head.is_word("UPDATE") || head.is_word("DELETE") || head.is_word("REPLACE")) {
        out.kind = statement_kind::change;
    } else {
        return failure{VDL_E_SYNTAX, fmt::format("unsupported statement '{}': expected SELECT, INSERT, UPDATE, "
                                                 "DELETE, CREATE TABLE, DROP TABLE or SHOW TABLES",
                                                 head.text)};
    }
    auto stamped = find_timestamp_texts(statement, schema, columns);
    if (!stamped) return std::move(stamped).error();
    std::size_t column = 0;
    for (const auto& item : derived) {
        const auto types = std::span(stamped->name_types).subspan(column, item.columns.size());
        column += item.columns.size();
        out.items[item.first] = derived_kind(item, types);
    }
    out.reads_schema = stamped->read_schema;
    auto engine = rewrite_expressions(text, statement, now, sources, &*stamped);
    if (!engine) return std::move(engine).error();
    out.statements.push_back(std::move(engine).value());
    return out;
}

}  // namespace vdl::lang
