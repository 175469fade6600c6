// CREATE TABLE, DROP TABLE and SHOW TABLES.
#include "../column_types.hpp"
#include "statements.hpp"
#include "tokenizer.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

namespace vdl::lang {
namespace {

// The value $timestamp takes when an INSERT leaves it out: the current time, to the
// millisecond (the finest the engine's clock gives).
constexpr std::string_view current_time_default =
    "(CAST(ROUND((julianday('now') - 2440587.5) * 86400000.0) AS INTEGER) * 1000000)";

engine_statement without_values(std::string sql) { return {std::move(sql), {}, {}}; }

failure syntax(std::string message) { return failure{VDL_E_SYNTAX, std::move(message)}; }

std::string shown(std::span<const token> tokens, std::size_t at) {
    return at < tokens.size() ? fmt::format("'{}'", tokens[at].text) : std::string("the end");
}

// Consumes IF [NOT] EXISTS when present.
bool take_if_clause(std::span<const token> tokens, std::size_t& at, bool with_not) {
    const std::size_t words = with_not ? 3 : 2;
    if (at + words > tokens.size() || !tokens[at].is_word("IF")) return false;
    if (with_not && !tokens[at + 1].is_word("NOT")) return false;
    if (!tokens[at + words - 1].is_word("EXISTS")) return false;
    at += words;
    return true;
}

struct column_spec {
    std::string name;
    column_type_info type;
};

std::string column_definition(const column_spec& column) {
    const auto quoted = quote_identifier(column.name);
    const bool time = column.name == time_column;
    return fmt::format(
        "{} {}{} CONSTRAINT {} CHECK (typeof({}) IN ({}{}))", quoted, column.type.declared,
        time ? fmt::format(" NOT NULL DEFAULT {}", current_time_default) : std::string(),
        quote_identifier(fmt::format("{}{}:{}", type_constraint_prefix, column.name, column.type.language_name)),
        quoted, column.type.stored_kinds, time ? "" : ", 'null'");
}

}  // namespace

outcome<translation> translate_create_table(std::span<const token> tokens) {
    std::size_t at = 1;
    if (at >= tokens.size() || !tokens[at].is_word("TABLE"))
        return syntax(
            fmt::format("expected TABLE after CREATE, found {}: only CREATE TABLE is supported", shown(tokens, at)));
    ++at;
    const bool if_not_exists = take_if_clause(tokens, at, true);
    if (at >= tokens.size() || !is_name(tokens[at]))
        return syntax(fmt::format("expected a table name in CREATE TABLE, found {}", shown(tokens, at)));
    const std::string table = identifier_name(tokens[at++]);
    if (at >= tokens.size() || !tokens[at].is_symbol("("))
        return syntax(fmt::format("expected '(' after the table name in CREATE TABLE, found {}", shown(tokens, at)));
    ++at;

    std::vector<column_spec> columns{{std::string(time_column), *type_by_language_name("TIMESTAMP")}};
    if (at < tokens.size() && tokens[at].is_symbol(")")) {
        ++at;
    } else {
        while (true) {
            if (at >= tokens.size() || !is_name(tokens[at]))
                return syntax(fmt::format("expected a column name in CREATE TABLE, found {}", shown(tokens, at)));
            std::string name = identifier_name(tokens[at++]);
            if (at >= tokens.size() || tokens[at].kind != token_kind::word)
                return syntax(fmt::format("expected a type after column '{}', found {}", name, shown(tokens, at)));
            const auto type = type_by_language_name(tokens[at].text);
            if (!type)
                return failure{VDL_E_TYPE, fmt::format("unknown type '{}' for column '{}': the types are DOUBLE, "
                                                       "INT64, STRING, BLOB and TIMESTAMP",
                                                       tokens[at].text, name)};
            ++at;
            if (name == time_column) {
                if (type->type != column_type::timestamp)
                    return failure{VDL_E_TYPE, fmt::format("{} is the time column of every table and has type "
                                                           "TIMESTAMP, not {}",
                                                           time_column, type->language_name)};
            } else {
                for (const auto& known : columns)
                    if (iequals(known.name, name))
                        return syntax(fmt::format("column '{}' is listed twice in CREATE TABLE", name));
                columns.push_back({std::move(name), *type});
            }
            if (at < tokens.size() && tokens[at].is_symbol(",")) {
                ++at;
                continue;
            }
            if (at < tokens.size() && tokens[at].is_symbol(")")) {
                ++at;
                break;
            }
            return syntax(
                fmt::format("expected ',' or ')' in the column list of CREATE TABLE, found {}", shown(tokens, at)));
        }
    }
    if (at != tokens.size())
        return syntax(fmt::format("unexpected {} after the column list of CREATE TABLE", shown(tokens, at)));

    std::string definitions;
    for (const auto& column : columns) {
        if (!definitions.empty()) definitions += ", ";
        definitions += column_definition(column);
    }
    const auto quoted_table = quote_identifier(table);
    const std::string_view if_clause = if_not_exists ? "IF NOT EXISTS " : "";
    translation out;
    out.kind = statement_kind::create_table;
    out.statements.push_back(
        without_values(fmt::format("CREATE TABLE {}{} ({})", if_clause, quoted_table, definitions)));
    // The time column is what queries filter and sort by; index it.
    out.statements.push_back(without_values(fmt::format("CREATE INDEX {}{} ON {} ({})", if_clause,
                                                        quote_identifier(fmt::format("{}:{}", table, time_column)),
                                                        quoted_table, quote_identifier(time_column))));
    return out;
}

outcome<translation> translate_drop_table(std::span<const token> tokens) {
    std::size_t at = 1;
    if (at >= tokens.size() || !tokens[at].is_word("TABLE"))
        return syntax(
            fmt::format("expected TABLE after DROP, found {}: only DROP TABLE is supported", shown(tokens, at)));
    ++at;
    const bool if_exists = take_if_clause(tokens, at, false);
    if (at >= tokens.size() || !is_name(tokens[at]))
        return syntax(fmt::format("expected a table name in DROP TABLE, found {}", shown(tokens, at)));
    const std::string table = identifier_name(tokens[at++]);
    if (at != tokens.size())
        return syntax(fmt::format("unexpected {} after the table name of DROP TABLE", shown(tokens, at)));
    translation out;
    out.kind = statement_kind::drop_table;
    out.statements.push_back(
        without_values(fmt::format("DROP TABLE {}{}", if_exists ? "IF EXISTS " : "", quote_identifier(table))));
    return out;
}

outcome<translation> translate_show(std::span<const token> tokens) {
    if (tokens.size() < 2 || !tokens[1].is_word("TABLES"))
        return syntax(fmt::format("expected TABLES after SHOW, found {}", shown(tokens, 1)));
    if (tokens.size() > 2) return syntax(fmt::format("unexpected {} after SHOW TABLES", shown(tokens, 2)));
    translation out;
    out.kind = statement_kind::show_tables;
    out.statements.push_back(
        without_values("SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE "
                       "'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    out.items = {select_item::other};
    return out;
}

}  // namespace vdl::lang
