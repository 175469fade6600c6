// Analysis of the outermost SELECT list: which items are count(...) aggregates or
// timestamps, so that their cells get those kinds.
#include "../column_types.hpp"
#include "../timestamp.hpp"
#include "statements.hpp"
#include "tokenizer.hpp"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vdl::lang {
namespace {

bool ends_select_list(const token& t) noexcept {
    for (auto keyword :
         {"FROM", "WHERE", "GROUP", "HAVING", "WINDOW", "ORDER", "LIMIT", "UNION", "EXCEPT", "INTERSECT"})
        if (t.is_word(keyword)) return true;
    return false;
}

// The item without its alias: "expr AS name" and "call(...) name" lose the name.
std::span<const token> without_alias(std::span<const token> item) {
    const std::size_t n = item.size();
    if (n >= 3 && item[n - 2].is_word("AS") && (is_name(item[n - 1]) || item[n - 1].kind == token_kind::string))
        return item.first(n - 2);
    if (n >= 2 && (is_name(item[n - 1]) || item[n - 1].kind == token_kind::string) && item[n - 2].is_symbol(")"))
        return item.first(n - 1);
    return item;
}

// core = NAME ( ...balanced... ) exactly.
bool is_call(std::span<const token> core, std::string_view name) {
    if (core.size() < 3 || !core[0].is_word(name) || !core[1].is_symbol("(") || !core.back().is_symbol(")"))
        return false;
    int depth = 0;
    for (std::size_t i = 1; i < core.size(); ++i) {
        if (core[i].is_symbol("(")) ++depth;
        if (core[i].is_symbol(")") && --depth == 0) return i + 1 == core.size();
    }
    return false;
}

// A column's name, plain or quoted, with or without a qualifier: c, "c", t.c, "t"."c".
bool is_column_reference(std::span<const token> ref) {
    if (ref.empty() || !is_name(ref.back())) return false;
    return ref.size() == 1 || (ref.size() == 3 && is_name(ref[0]) && ref[1].is_symbol("."));
}

bool is_timestamp_argument(std::span<const token> argument) {
    if (argument.size() == 1 && argument[0].kind == token_kind::timestamp) return true;
    if (argument.size() == 1 && argument[0].kind == token_kind::string) {
        const auto length = timestamp_literal_length(unquote_string(argument[0].text));
        return length && *length > 0;
    }
    const auto& number = argument.empty() ? token{} : argument.back();
    return number.kind == token_kind::number &&
           (argument.size() == 1 || (argument.size() == 2 && argument[0].is_symbol("-")));
}

// The kind the engine's CAST ( e AS type ) gives, by the affinity its type name has (the engine's
// rule, in its order): INT, then CHAR, CLOB or TEXT, then BLOB, then REAL, FLOA or DOUB; other for
// NUMERIC types, whose values keep whichever kind they have.
select_item cast_kind(std::span<const token> core) {
    int depth = 0;
    std::size_t as = 0;
    for (std::size_t i = 1; i + 1 < core.size(); ++i) {
        if (core[i].is_symbol("(")) ++depth;
        if (core[i].is_symbol(")")) --depth;
        if (depth == 1 && core[i].is_word("AS")) as = i;
    }
    if (as == 0) return select_item::other;
    std::string type;
    for (std::size_t i = as + 1; i + 1 < core.size() && core[i].kind == token_kind::word; ++i)
        for (const char c : core[i].text) type += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    const auto has = [&](std::string_view part) { return type.find(part) != std::string::npos; };
    if (has("INT")) return select_item::integer;
    if (has("CHAR") || has("CLOB") || has("TEXT")) return select_item::text;
    if (has("BLOB")) return select_item::blob;
    if (has("REAL") || has("FLOA") || has("DOUB")) return select_item::real;
    return select_item::other;
}

select_item classify(std::span<const token> item) {
    if (item.size() == 1 && item[0].is_symbol("*")) return select_item::star;
    if (item.size() == 3 && is_name(item[0]) && item[1].is_symbol(".") && item[2].is_symbol("*"))
        return select_item::star;
    const auto core = without_alias(item);
    if (is_call(core, "COUNT")) return select_item::count;
    if (is_call(core, "AVG") || is_call(core, "TOTAL")) return select_item::real;
    if (core.size() == 1 && core[0].kind == token_kind::timestamp) return select_item::timestamp;
    if (core.size() == 3 && is_call(core, "NOW")) return select_item::timestamp;
    if (core.size() == 1 &&
        (core[0].is_word("CURRENT_TIMESTAMP") || core[0].is_word("CURRENT_DATE") || core[0].is_word("CURRENT_TIME")))
        return select_item::timestamp;
    if (core.size() == 2 && core[1].kind == token_kind::string &&
        (core[0].is_word("TIMESTAMP") || core[0].is_word("DATE") || core[0].is_word("TIME")))
        return select_item::timestamp;
    if (is_call(core, "DATE_TRUNC") || is_call(core, "TIMESTAMP_ADD")) return select_item::timestamp;
    if (is_call(core, "CAST"))
        return timestamp_cast(core, 0) != cast_target::none ? select_item::timestamp : cast_kind(core);
    if (is_call(core, "DATETIME") && is_timestamp_argument(core.subspan(2, core.size() - 3)))
        return select_item::timestamp;
    return select_item::other;
}

// The column that MIN(c), MAX(c) or SUM(c) reads, as a span of the item; empty for any other item.
std::span<const token> aggregated_column(std::span<const token> item) {
    const auto core = without_alias(item);
    if (!is_call(core, "MIN") && !is_call(core, "MAX") && !is_call(core, "SUM")) return {};
    const auto argument = core.subspan(2, core.size() - 3);
    return is_column_reference(argument) ? argument : std::span<const token>();
}

// Arithmetic on columns and numbers: names (t.c), numbers, parentheses and + - * / %, with at
// least one operator and one column. Notes the columns' names (indices into the item) and whether a
// number is no integer; false for any other item.
bool is_arithmetic(std::span<const token> core, std::vector<std::size_t>& columns, bool& real_literal) {
    bool operated = false;
    for (std::size_t i = 0; i < core.size(); ++i) {
        const token& t = core[i];
        if (t.kind == token_kind::number) {
            real_literal = real_literal || t.text.find_first_of(".eE") != std::string_view::npos;
        } else if (is_name(t)) {
            if (i + 1 < core.size() && core[i + 1].is_symbol(".")) continue;  // a qualifier
            if (i + 1 < core.size() && core[i + 1].is_symbol("(")) return false;
            columns.push_back(i);
        } else if (t.is_symbol("+") || t.is_symbol("-") || t.is_symbol("*") || t.is_symbol("/") || t.is_symbol("%")) {
            operated = true;
        } else if (!t.is_symbol("(") && !t.is_symbol(")") && !t.is_symbol(".")) {
            return false;
        }
    }
    return operated && !columns.empty();
}

// `FROM ( subquery ) [AS] alias` at tokens[from], the table a query of tools reads when it puts
// its user's query inside its own: the subquery and its alias (null when there is none), when the
// statement ends after the alias or goes on with one of `then`. None for any other FROM.
struct derived_table {
    std::span<const token> query;
    const token* alias = nullptr;
};
std::optional<derived_table> derived_table_at(std::span<const token> tokens, std::size_t from,
                                              std::initializer_list<std::string_view> then) {
    const std::size_t open = from + 1;
    if (open + 1 >= tokens.size() || !tokens[open].is_symbol("(") || !tokens[open + 1].is_word("SELECT"))
        return std::nullopt;
    int depth = 0;
    std::size_t close = open;
    for (; close < tokens.size(); ++close) {
        if (tokens[close].is_symbol("(")) ++depth;
        if (tokens[close].is_symbol(")") && --depth == 0) break;
    }
    if (close == tokens.size()) return std::nullopt;
    derived_table table{tokens.subspan(open + 1, close - open - 1)};
    std::size_t after = close + 1;
    if (after < tokens.size() && tokens[after].is_word("AS")) ++after;
    if (after < tokens.size() && is_name(tokens[after]) &&
        std::none_of(then.begin(), then.end(), [&](std::string_view word) { return tokens[after].is_word(word); }))
        table.alias = &tokens[after++];
    if (after == tokens.size() ||
        std::any_of(then.begin(), then.end(), [&](std::string_view word) { return tokens[after].is_word(word); }))
        return table;
    return std::nullopt;
}

// The name an alias or identifier token gives: quotes removed ('name' as well as "name").
std::string name_of(const token& t) {
    return t.kind == token_kind::string ? unquote_string(t.text) : identifier_name(t);
}

// The name of the result column an item makes: its alias, or the name of the column it reads when
// it is a column reference; empty for any other item.
std::string column_name(std::span<const token> item) {
    const auto core = without_alias(item);
    if (core.size() != item.size()) return name_of(item.back());
    return is_column_reference(core) ? name_of(core.back()) : std::string();
}

// The item of `inner` (the derived table's items, their indices counted in `tokens`) that a
// reference reads: c, alias.c. Null when no item is named so, when two are, or when the reference
// names another table.
const item_info* item_read(std::span<const token> reference, const derived_table& table, std::span<const token> tokens,
                           const std::vector<item_info>& inner) {
    if (!is_column_reference(reference)) return nullptr;
    if (reference.size() == 3 && (table.alias == nullptr || !iequals(name_of(reference[0]), name_of(*table.alias))))
        return nullptr;
    const std::string name = name_of(reference.back());
    const item_info* found = nullptr;
    for (const auto& item : inner) {
        if (!iequals(column_name(tokens.subspan(item.first, item.last - item.first + 1)), name)) continue;
        if (found != nullptr) return nullptr;  // two columns of that name: which one is read is not told here
        found = &item;
    }
    return found;
}

// The kind of an item of the query around a derived table that reads one of the table's items
// whose kind is known (an aggregate, a cast, arithmetic): the item itself (c, alias.c), or MIN, MAX
// or SUM of it. Tools send these around their user's query when they learn or read its columns.
// The item is left as it is when it reads nothing of the kind.
void read_through(item_info& item, std::span<const token> tokens, const derived_table& table,
                  const std::vector<item_info>& inner) {
    const auto whole = tokens.subspan(item.first, item.last - item.first + 1);
    const auto aggregated = aggregated_column(whole);
    const bool sum = !aggregated.empty() && whole.front().is_word("SUM");
    const auto reference = aggregated.empty() ? without_alias(whole) : aggregated;
    const item_info* read = item_read(reference, table, tokens, inner);
    if (read == nullptr || (read->kind == select_item::other && read->how == item_info::derived::none)) return;
    const auto first = item.first;
    const auto last = item.last;
    if (!sum) {
        item = *read;  // the value itself, or the least or greatest of its values: of the same kind
    } else if (read->how == item_info::derived::extreme) {
        item = *read;  // a sum of a column's extremes is of the kind of the column's sum
        item.how = item_info::derived::sum;
    } else if (read->how != item_info::derived::none) {
        item = *read;  // sums of sums or of arithmetic follow the same rule as they do
    } else {
        item = item_info{};
        switch (read->kind) {
        case select_item::count:
        case select_item::integer:
        case select_item::timestamp: item.kind = select_item::integer; break;
        case select_item::real: item.kind = select_item::real; break;
        default: item.kind = select_item::other; break;
        }
    }
    item.first = first;
    item.last = last;
}

// The items of a query that reads a derived table, given its own items: for SELECT * FROM
// ( subquery ) alias, the subquery's items; for named items, each item that reads one of the
// subquery's takes its kind from it. Item and column indices are counted in `tokens`.
std::vector<item_info> read_derived_table(std::span<const token> tokens, std::size_t from,
                                          std::vector<item_info> items) {
    const bool star =
        items.size() == 1 && items.front().kind == select_item::star && items.front().first == items.front().last;
    // Rows grouped or filtered keep the kinds of their columns; a join would add columns.
    const auto table = star ? derived_table_at(tokens, from, {"WHERE", "ORDER", "LIMIT"})
                            : derived_table_at(tokens, from, {"WHERE", "GROUP", "HAVING", "ORDER", "LIMIT"});
    if (!table) return items;
    const auto offset = static_cast<std::size_t>(table->query.data() - tokens.data());
    auto inner = outer_select_items(table->query);
    for (auto& item : inner) {
        item.first += offset;
        item.last += offset;
        for (auto& column : item.columns) column += offset;
    }
    if (star) return inner;
    for (auto& item : items) read_through(item, tokens, *table, inner);
    return items;
}

}  // namespace

std::vector<item_info> outer_select_items(std::span<const token> tokens) {
    std::size_t at = 0;
    int depth = 0;
    for (; at < tokens.size(); ++at) {
        if (tokens[at].is_symbol("(")) ++depth;
        if (tokens[at].is_symbol(")")) --depth;
        if (depth == 0 && tokens[at].is_word("SELECT")) break;
    }
    if (at == tokens.size()) return {};
    ++at;
    if (at < tokens.size() && (tokens[at].is_word("DISTINCT") || tokens[at].is_word("ALL"))) ++at;

    std::vector<item_info> items;
    std::size_t start = at;
    depth = 0;
    for (; at <= tokens.size(); ++at) {
        const bool end = at == tokens.size() || (depth == 0 && ends_select_list(tokens[at]));
        if (end || (depth == 0 && tokens[at].is_symbol(","))) {
            if (at > start) {
                const auto item = tokens.subspan(start, at - start);
                item_info info{};
                info.first = start;
                info.last = at - 1;
                info.kind = classify(item);
                if (const auto column = aggregated_column(item); !column.empty()) {
                    info.how = item.front().is_word("SUM") ? item_info::derived::sum : item_info::derived::extreme;
                    info.columns.push_back(static_cast<std::size_t>(&column.back() - tokens.data()));
                } else if (info.kind == select_item::other &&
                           is_arithmetic(without_alias(item), info.columns, info.real_literal)) {
                    info.how = item_info::derived::arithmetic;
                    for (auto& name : info.columns) name += start;
                }
                items.push_back(std::move(info));
            }
            start = at + 1;
            if (end) {
                if (at < tokens.size() && tokens[at].is_word("FROM"))
                    return read_derived_table(tokens, at, std::move(items));
                break;
            }
            continue;
        }
        if (tokens[at].is_symbol("(")) ++depth;
        if (tokens[at].is_symbol(")")) --depth;
    }
    return items;
}

std::vector<select_item> column_kinds(const std::vector<select_item>& items, std::size_t column_count) {
    std::vector<select_item> kinds(column_count, select_item::other);
    column_kinds(items, kinds);
    return kinds;
}

void column_kinds(std::span<const select_item> items, std::span<select_item> kinds) {
    const std::size_t column_count = kinds.size();
    std::fill(kinds.begin(), kinds.end(), select_item::other);
    std::size_t first_star = items.size();
    std::size_t last_star = items.size();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] != select_item::star) continue;
        if (first_star == items.size()) first_star = i;
        last_star = i;
    }
    if (first_star == items.size()) {
        if (items.size() == column_count) std::copy(items.begin(), items.end(), kinds.begin());
        return;
    }
    for (std::size_t i = 0; i < first_star && i < column_count; ++i) kinds[i] = items[i];
    const std::size_t after = items.size() - last_star - 1;  // items after the last star
    if (after + first_star <= column_count)
        for (std::size_t k = 0; k < after; ++k) kinds[column_count - after + k] = items[last_star + 1 + k];
    for (auto& kind : kinds)
        if (kind == select_item::star) kind = select_item::other;
}

}  // namespace vdl::lang
