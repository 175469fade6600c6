#include "timestamp_texts.hpp"

#include "../column_types.hpp"
#include "tokenizer.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

namespace vdl::lang {
namespace {

bool is_time_column(const token& t) {
    if (t.kind == token_kind::dollar_word) return t.text == time_column;
    return t.kind == token_kind::quoted_identifier && identifier_name(t) == time_column;
}

// The operators that make a text of their operands: "a" || "b", json ->> 'key'.
bool is_text_operator(const token& t) noexcept { return t.is_symbol("||") || t.is_symbol("->") || t.is_symbol("->>"); }

bool is_comparison(const token& t) noexcept {
    for (auto op : {"=", "==", "!=", "<>", "<", "<=", ">", ">="})
        if (t.is_symbol(op)) return true;
    return false;
}

// The words that may follow a table's name in FROM, JOIN, INTO or UPDATE and are never its alias.
bool ends_table_reference(const token& t) noexcept {
    for (auto word :
         {"WHERE",  "JOIN",   "INNER",   "LEFT",    "RIGHT",  "FULL",      "CROSS", "NATURAL", "OUTER",     "ON",
          "USING",  "GROUP",  "ORDER",   "LIMIT",   "HAVING", "WINDOW",    "UNION", "EXCEPT",  "INTERSECT", "SET",
          "VALUES", "SELECT", "DEFAULT", "INDEXED", "NOT",    "RETURNING", "WITH",  "FROM",    "DO",        "AS"})
        if (t.is_word(word)) return true;
    return false;
}

struct named_table {
    std::string name;
    std::string alias;  // empty when none
};

// The tables named after FROM, JOIN, INTO and UPDATE, with their aliases:
//   FROM a, b AS x JOIN main.c y ON ..., INSERT INTO t ..., UPDATE [OR ...] t SET ...
// A subquery or a table-valued function names no table here; a name the store does not have as a
// table (a common table expression) has no columns.
std::vector<named_table> named_tables(std::span<const token> tokens) {
    std::vector<named_table> out;
    const std::size_t n = tokens.size();
    for (std::size_t k = 0; k < n; ++k) {
        const bool list = tokens[k].is_word("FROM");
        if (!list && !tokens[k].is_word("JOIN") && !tokens[k].is_word("INTO") && !tokens[k].is_word("UPDATE")) continue;
        std::size_t at = k + 1;
        if (tokens[k].is_word("UPDATE") && at < n && tokens[at].is_word("OR")) at += 2;
        while (at < n && is_name(tokens[at]) && !ends_table_reference(tokens[at])) {
            std::size_t name = at++;
            if (at + 1 < n && tokens[at].is_symbol(".") && is_name(tokens[at + 1])) {
                name = at + 1;  // schema.table
                at += 2;
            }
            // A table-valued function; after INTO, the list of columns.
            if (at < n && tokens[at].is_symbol("(") && !tokens[k].is_word("INTO")) break;
            named_table table{identifier_name(tokens[name]), {}};
            if (at + 1 < n && tokens[at].is_word("AS") && is_name(tokens[at + 1])) {
                table.alias = identifier_name(tokens[at + 1]);
                at += 2;
            } else if (at < n && is_name(tokens[at]) && !ends_table_reference(tokens[at])) {
                table.alias = identifier_name(tokens[at++]);
            }
            out.push_back(std::move(table));
            if (!list || at >= n || !tokens[at].is_symbol(",")) break;
            ++at;
        }
    }
    return out;
}

// Answers whether a name in the statement is a timestamp column, reading the schema only when a
// name other than $timestamp is asked about.
class column_resolver {
public:
    column_resolver(std::span<const token> tokens, schema_source* schema)
        : tokens_(tokens), schema_(schema), answers_(tokens.size(), unknown) {}

    // Whether tokens[at] is a whole column name (not a function's, not a qualifier) of a timestamp
    // column. Asked once per name: a long IN list asks about its column for every text.
    outcome<bool> is_timestamp_column(std::size_t at) {
        auto type = type_of(at);
        if (!type) return std::move(type).error();
        return *type == column_type::timestamp;
    }

    // The declared type of the column tokens[at] names, by the same rule; none when the name is
    // no column, or the tables that have a column of that name disagree on its type.
    outcome<std::optional<column_type>> type_of(std::size_t at) {
        if (answers_[at] != unknown)
            return answers_[at] == none ? std::nullopt : std::optional(static_cast<column_type>(answers_[at]));
        auto answer = answer_for(at);
        if (!answer) return std::move(answer).error();
        answers_[at] = *answer ? static_cast<signed char>(**answer) : none;
        return *answer;
    }

    // The columns of `table`, in table order (empty without a schema).
    outcome<table_columns> columns_of(const std::string& table) {
        if (schema_ == nullptr) return table_columns{};
        read_schema_ = true;
        auto columns = schema_->columns(table);
        if (!columns) return std::move(columns).error();
        return **columns;
    }

    [[nodiscard]] bool read_schema() const noexcept { return read_schema_; }

private:
    using maybe_type = std::optional<column_type>;
    static constexpr signed char unknown = -2;
    static constexpr signed char none = -1;  // else the column_type

    outcome<std::optional<column_type>> answer_for(std::size_t at) {
        const token& t = tokens_[at];
        if (!is_name(t)) return maybe_type();
        if (at + 1 < tokens_.size() && (tokens_[at + 1].is_symbol(".") || tokens_[at + 1].is_symbol("(")))
            return maybe_type();
        if (is_time_column(t)) return maybe_type(column_type::timestamp);
        if (schema_ == nullptr) return maybe_type();
        const std::string column = identifier_name(t);
        if (at >= 2 && tokens_[at - 1].is_symbol(".")) {
            if (!is_name(tokens_[at - 2])) return maybe_type();
            if (const auto table = qualified_table(identifier_name(tokens_[at - 2]))) {
                auto type = column_type_in(*table, column);
                if (!type) return std::move(type).error();
                if (type->has_value()) return maybe_type(*type);
            }
            // The alias of a subquery, or a common table expression: its columns are those of the
            // tables it reads, which the statement names too, and the rule for a name without
            // qualifier applies.
        }
        std::optional<column_type> found;
        for (const auto& table : tables()) {
            auto type = column_type_in(table.name, column);
            if (!type) return std::move(type).error();
            if (!type->has_value()) continue;
            if (found && *found != **type) return maybe_type();
            found = **type;
        }
        return found;
    }

    const std::vector<named_table>& tables() {
        if (!tables_) tables_ = named_tables(tokens_);
        return *tables_;
    }

    // The table a qualifier names: the table of that alias, or the table of that name when it has
    // no alias; none for the alias of a subquery.
    std::optional<std::string> qualified_table(const std::string& qualifier) {
        for (const auto& table : tables())
            if (table.alias.empty() ? iequals(table.name, qualifier) : iequals(table.alias, qualifier))
                return table.name;
        return std::nullopt;
    }

    // The declared type of the table's column `column`; none when the table has no such column.
    outcome<std::optional<column_type>> column_type_in(const std::string& table, const std::string& column) {
        read_schema_ = true;
        auto columns = schema_->columns(table);
        if (!columns) return std::move(columns).error();
        for (const auto& c : **columns)
            if (iequals(c.name, column)) return std::optional<column_type>(c.type);
        return std::optional<column_type>();
    }

    std::span<const token> tokens_;
    schema_source* schema_;
    std::optional<std::vector<named_table>> tables_;
    std::vector<signed char> answers_;  // per token: unknown, no or yes
    bool read_schema_ = false;
};

// Marks the texts of INSERT INTO t [(columns)] VALUES (row), (row) ... that stand whole in the
// place of a timestamp column: the columns listed, or without a list the table's columns.
status mark_inserted_texts(std::span<const token> tokens, column_resolver& resolver, timestamp_texts& marks) {
    const std::size_t n = tokens.size();
    if (n == 0 || (!tokens[0].is_word("INSERT") && !tokens[0].is_word("REPLACE"))) return success();
    std::size_t at = 1;
    while (at < n && at < 4 && !tokens[at].is_word("INTO")) ++at;
    if (at + 1 >= n || !tokens[at].is_word("INTO") || !is_name(tokens[at + 1])) return success();
    std::size_t name = ++at;
    if (at + 2 < n && tokens[at + 1].is_symbol(".") && is_name(tokens[at + 2])) name = at += 2;
    ++at;
    if (at + 1 < n && tokens[at].is_word("AS") && is_name(tokens[at + 1])) at += 2;

    std::vector<std::string> listed;  // the columns listed, by position; empty: the table's own
    if (at < n && tokens[at].is_symbol("(")) {
        listed.emplace_back();
        for (++at; at < n && !tokens[at].is_symbol(")"); ++at) {
            if (tokens[at].is_symbol(",")) listed.emplace_back();
            else if (is_name(tokens[at])) listed.back() = identifier_name(tokens[at]);
        }
        ++at;
    }
    if (at >= n || !tokens[at].is_word("VALUES")) return success();

    // The texts that are a whole value of a row, with their positions.
    struct placed_text {
        std::size_t token;
        std::size_t position;
    };
    std::vector<placed_text> texts;
    int depth = 0;
    std::size_t position = 0;
    for (++at; at < n; ++at) {
        if (tokens[at].is_symbol("(")) {
            if (++depth == 1) position = 0;
        } else if (tokens[at].is_symbol(")")) {
            --depth;
        } else if (depth == 1 && tokens[at].is_symbol(",")) {
            ++position;
        } else if (depth == 1 && tokens[at].kind == token_kind::string &&
                   (tokens[at - 1].is_symbol(",") || tokens[at - 1].is_symbol("(")) && at + 1 < n &&
                   (tokens[at + 1].is_symbol(",") || tokens[at + 1].is_symbol(")"))) {
            texts.push_back({at, position});
        }
    }
    if (texts.empty()) return success();

    // The name of the timestamp column at each position; empty for the other columns.
    std::vector<std::string> stamped;
    const bool by_list = !listed.empty();
    const bool needs_table = !by_list || std::any_of(listed.begin(), listed.end(),
                                                     [](const std::string& column) { return column != time_column; });
    table_columns table;
    if (needs_table) {
        auto columns = resolver.columns_of(identifier_name(tokens[name]));
        if (!columns) return std::move(columns).error();
        table = std::move(columns).value();
    }
    if (by_list) {
        for (const auto& column : listed) {
            bool timestamp = column == time_column;
            for (const auto& c : table)
                if (iequals(c.name, column)) timestamp = c.timestamp;
            stamped.push_back(timestamp ? column : std::string());
        }
    } else {
        for (const auto& c : table) stamped.push_back(c.timestamp ? c.name : std::string());
    }
    for (const auto& text : texts)
        if (text.position < stamped.size() && !stamped[text.position].empty() && marks.column[text.token] == 0)
            marks.mark(text.token, stamped[text.position]);
    return success();
}

}  // namespace

outcome<timestamp_texts> find_timestamp_texts(std::span<const token> tokens, schema_source* schema,
                                              std::span<const std::size_t> names) {
    const std::size_t n = tokens.size();
    timestamp_texts out;
    out.column.resize(n);
    column_resolver resolver(tokens, schema);
    const auto is_text = [&](std::size_t at) { return at < n && tokens[at].kind == token_kind::string; };
    // Marks text `at` when the column named at tokens[column] is a timestamp column.
    const auto mark_if_column = [&](std::size_t at, std::size_t column) -> status {
        if (out.column[at] != 0) return success();
        auto timestamp = resolver.is_timestamp_column(column);
        if (!timestamp) return std::move(timestamp).error();
        if (*timestamp) out.mark(at, identifier_name(tokens[column]));
        return success();
    };
    // The same for a column at tokens[column], or at tokens[column - 1] when tokens[column] is NOT
    // (NOT BETWEEN, NOT IN).
    const auto mark_if_column_or_not = [&](std::size_t at, std::size_t column) -> status {
        if (column > 0 && tokens[column].is_word("NOT")) return mark_if_column(at, column - 1);
        return mark_if_column(at, column);
    };
    // Where the run of texts and commas before the last text began: the next text of the same
    // run (after one comma) begins there too, so a long IN list is walked once.
    std::size_t previous_text = n;
    std::size_t previous_run = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!is_text(i)) continue;
        status marked = success();
        // c >= 'text', t.c >= 'text': neither side part of a text made by || or a JSON operator,
        // which bind more tightly than the comparison.
        const auto joined = [&](std::size_t at) { return at < n && is_text_operator(tokens[at]); };
        if (i >= 2 && is_comparison(tokens[i - 1]) && !joined(i + 1)) {
            const std::size_t first = i >= 4 && tokens[i - 3].is_symbol(".") ? i - 4 : i - 2;
            if (first == 0 || !joined(first - 1)) marked = mark_if_column(i, i - 2);
        }
        // 'text' < c, 'text' < t.c.
        if (marked && i + 2 < n && is_comparison(tokens[i + 1]) && !(i > 0 && joined(i - 1))) {
            const bool qualified = i + 4 < n && tokens[i + 3].is_symbol(".");
            const std::size_t column = qualified ? i + 4 : i + 2;
            if (!joined(column + 1)) marked = mark_if_column(i, column);
        }
        if (marked && i >= 2 && tokens[i - 1].is_word("BETWEEN")) marked = mark_if_column_or_not(i, i - 2);
        if (marked && i >= 4 && tokens[i - 1].is_word("AND") && tokens[i - 3].is_word("BETWEEN"))
            marked = mark_if_column_or_not(i, i - 4);
        std::size_t j = i;
        if (i >= 2 && previous_text == i - 2 && tokens[i - 1].is_symbol(",")) j = previous_run;
        else
            while (j > 0 && (is_text(j - 1) || tokens[j - 1].is_symbol(","))) --j;
        previous_text = i;
        previous_run = j;
        if (marked && j >= 3 && tokens[j - 1].is_symbol("(") && tokens[j - 2].is_word("IN"))
            marked = mark_if_column_or_not(i, j - 3);
        if (!marked) return std::move(marked).error();
    }
    if (auto inserted = mark_inserted_texts(tokens, resolver, out); !inserted) return std::move(inserted).error();
    for (const std::size_t name : names) {
        auto type = name < n ? resolver.type_of(name) : outcome<std::optional<column_type>>(std::nullopt);
        if (!type) return std::move(type).error();
        out.name_types.push_back(*type);
    }
    out.read_schema = resolver.read_schema();
    return out;
}

}  // namespace vdl::lang
