#include "translation_cache.hpp"

#include "../timestamp.hpp"
#include "numbers.hpp"
#include "tokenizer.hpp"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

namespace vdl::lang {
namespace {

// What a literal keeps in the shape. The translator treats decimal integers, hexadecimal
// integers, other numbers and timestamps differently (ORDER BY 2 keeps an integer as written,
// DATETIME(n) reads decimal digits), so each makes a shape of its own.
char literal_class(const token& t) noexcept {
    if (t.kind == token_kind::timestamp) return 'T';
    if (is_hex_number(t.text)) return 'H';
    return is_digits(t.text) ? 'D' : 'R';
}

// Whether a literal that follows this character can change without changing how the text before
// it splits into tokens: every scan of a token stops at such a character (and a two-character
// symbol never continues into a digit or a point), so nothing before the literal reads past it.
// A "-", "+", "." or ":" could be part of a timestamp, a sign or a number the literal continues.
bool ends_every_scan(char c) noexcept {
    switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\r':
    case '\f':
    case '\v':
    case '(':
    case ',':
    case '=':
    case '<':
    case '>':
    case '*':
    case '%': return true;
    default: return false;
    }
}

// The value a literal token stands for; none for a number only the engine reads.
std::optional<bound_value> literal_value(const token& t) {
    if (t.kind == token_kind::timestamp) return t.value;
    return number_value(t.text);
}

// The statements whose translation is the rewriting of their expressions; the others (CREATE,
// DROP, SHOW) are rare and translated every time.
bool is_rewritten(const token& head) noexcept {
    for (auto keyword : {"SELECT", "WITH", "VALUES", "INSERT", "UPDATE", "DELETE", "REPLACE"})
        if (head.is_word(keyword)) return true;
    return false;
}

// The text with each literal replaced by a zero byte and its class, and the literals in token
// order. A query reaches the library as a C string, so no text holds a zero byte of its own: the
// shapes of two texts are equal only when the texts differ in nothing but their literals.
// Numbers only the engine reads as it should (number_value gives none) stay in the shape.
void shape_of(std::string_view text, std::span<const token> tokens, std::string& shape,
              std::vector<shape_literal>& literals) {
    shape.clear();
    literals.clear();
    std::size_t copied_to = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const token& t = tokens[i];
        if (t.kind != token_kind::timestamp && t.kind != token_kind::number) continue;
        const auto value = literal_value(t);
        if (!value) continue;
        shape.append(text.substr(copied_to, t.offset - copied_to));
        shape += '\0';
        shape += literal_class(t);
        copied_to = t.offset + t.text.size();
        literals.push_back({i, *value});
    }
    shape.append(text.substr(copied_to));
}

// The place of the literal of a token among the literals; their number when there is none.
std::size_t literal_index(const std::vector<shape_literal>& literals, std::size_t token) noexcept {
    const auto at = std::lower_bound(literals.begin(), literals.end(), token,
                                     [](const shape_literal& l, std::size_t t) { return l.token < t; });
    return at != literals.end() && at->token == token ? static_cast<std::size_t>(at - literals.begin())
                                                      : literals.size();
}

bool is_literal_rule(value_source::rule how) noexcept {
    return how == value_source::rule::literal || how == value_source::rule::integer_literal ||
           how == value_source::rule::negated_integer_literal;
}

}  // namespace

outcome<const translation*> translation_cache::translate_fully(std::string_view text, std::int64_t now,
                                                               schema_source* schema) {
    auto translated = translate_tokens(text, tokens_, now, nullptr, schema);
    if (!translated) return std::move(translated).error();
    current_ = std::move(translated).value();
    return &current_;
}

bool translation_cache::matches_template(std::string_view text) {
    if (template_entry_ == nullptr) return false;
    const std::string_view model = template_text_;
    tokens_.assign(template_tokens_.begin(), template_tokens_.end());
    literals_.clear();
    std::size_t in_model = 0;  // where the next text to compare starts in the template text
    std::size_t in_text = 0;   // and in the text
    std::size_t shifted = 0;   // the tokens before this one have their places in the text
    const auto shift_to = [&](std::size_t end) {
        for (; shifted < end; ++shifted) {
            token& t = tokens_[shifted];
            t.offset = t.offset - in_model + in_text;
            t.text = text.substr(t.offset, t.text.size());
        }
    };
    for (const std::size_t index : template_literals_) {
        const token& old = template_tokens_[index];
        const std::size_t between = old.offset - in_model;
        if (text.size() - in_text < between || text.substr(in_text, between) != model.substr(in_model, between))
            return false;
        if (old.offset > 0 && !ends_every_scan(model[old.offset - 1])) return false;
        shift_to(index);
        in_text += between;
        in_model = old.offset;
        const auto scanned = scan_literal(text, in_text);
        if (!scanned || literal_class(*scanned) != literal_class(old)) return false;
        const auto value = literal_value(*scanned);
        if (!value) return false;
        tokens_[index] = *scanned;
        literals_.push_back({index, *value});
        shifted = index + 1;
        in_model += old.text.size();
        in_text += scanned->text.size();
    }
    if (text.substr(in_text) != model.substr(in_model)) return false;
    shift_to(tokens_.size());
    return true;
}

void translation_cache::keep_template(std::string_view text, const entry& kept) {
    template_text_.assign(text);
    template_tokens_.assign(tokens_.begin(), tokens_.end());
    for (token& t : template_tokens_) t.text = std::string_view(template_text_).substr(t.offset, t.text.size());
    template_literals_.clear();
    for (const auto& l : literals_) template_literals_.push_back(l.token);
    template_entry_ = &kept;  // entries keep their place in the map until erased
}

outcome<bool> translation_cache::holds(const entry& kept, schema_source* schema) {
    if (!kept.shape.reads_schema) return true;
    if (schema == nullptr) return false;
    auto version = schema->version();
    if (!version) return std::move(version).error();
    return *version == kept.schema_version;
}

outcome<const translation*> translation_cache::take_shape(const entry& kept, std::string_view text, clock now,
                                                          schema_source* schema) {
    const engine_statement& model = kept.shape.statements.front();
    current_.kind = kept.shape.kind;
    current_.items.assign(kept.shape.items.begin(), kept.shape.items.end());
    current_.statements.resize(1);
    engine_statement& statement = current_.statements.front();
    statement.sql.assign(model.sql);
    statement.values.clear();
    statement.written.clear();
    std::optional<std::int64_t> time;  // every NOW() of a statement is the same time
    for (std::size_t k = 0; k < kept.sources.size(); ++k) {
        const value_source& source = kept.sources[k];
        const std::size_t at = is_literal_rule(source.how) ? literal_index(literals_, source.token) : literals_.size();
        const bound_value* given = at < literals_.size() ? &literals_[at].value : nullptr;
        const auto* integer = given != nullptr ? std::get_if<std::int64_t>(given) : nullptr;
        std::optional<bound_value> value;
        switch (source.how) {
        case value_source::rule::literal:
            if (given != nullptr) value = *given;
            break;
        case value_source::rule::integer_literal:
            if (integer != nullptr) value = *integer;
            break;
        case value_source::rule::negated_integer_literal:
            if (integer != nullptr) value = -*integer;  // decimal digits within 64 bits: never the least
            break;
        case value_source::rule::now:
            if (!time) time = now();
            value = *time;
            break;
        case value_source::rule::fixed: value = model.values[k]; break;
        case value_source::rule::today:
            if (!time) time = now();
            value = start_of_day(*time);
            break;
        case value_source::rule::time_of_day: {
            if (!time) time = now();
            const auto kept_value = std::get<std::int64_t>(model.values[k]);
            value = start_of_day(*time) + (kept_value - start_of_day(kept_value));
            break;
        }
        }
        // A value the shape cannot take (DATETIME of an integer beyond 64 bits): the translator
        // reports it.
        if (!value || source.last >= tokens_.size()) return translate_fully(text, now(), schema);
        statement.values.push_back(*value);
        const auto& first = tokens_[source.first];
        const auto& last = tokens_[source.last];
        statement.written.push_back(text.substr(first.offset, last.offset + last.text.size() - first.offset));
    }
    return &current_;
}

outcome<const translation*> translation_cache::translate(std::string_view text, clock now, schema_source* schema) {
    if (matches_template(text)) {
        auto kept = holds(*template_entry_, schema);
        if (!kept) return std::move(kept).error();
        if (*kept) return take_shape(*template_entry_, text, now, schema);
        template_entry_ = nullptr;  // the schema changed: found again below, and dropped
    }

    if (auto scanned = tokenize_into(text, tokens_); !scanned) return std::move(scanned).error();
    if (tokens_.empty() || !is_rewritten(tokens_.front())) return translate_fully(text, now(), schema);

    shape_of(text, tokens_, shape_, literals_);
    if (const auto found = entries_.find(shape_); found != entries_.end()) {
        auto kept = holds(found->second, schema);
        if (!kept) return std::move(kept).error();
        if (*kept) {
            keep_template(text, found->second);
            return take_shape(found->second, text, now, schema);
        }
        if (&found->second == template_entry_) template_entry_ = nullptr;
        entries_.erase(found);
    }

    std::vector<value_source> sources;
    auto translated = translate_tokens(text, tokens_, now(), &sources, schema);
    if (!translated) return std::move(translated).error();
    current_ = std::move(translated).value();
    if (current_.statements.size() != 1 || sources.size() != current_.statements.front().values.size())
        return &current_;
    // The shape is kept only when every literal taken out became exactly one value: a number the
    // engine must get as written (ORDER BY 2) makes the engine text depend on its value. A value
    // read from a literal that stays in the shape is the same for every text of the shape.
    std::vector<int> uses(literals_.size(), 0);
    for (auto& source : sources) {
        if (!is_literal_rule(source.how)) continue;
        const std::size_t at = literal_index(literals_, source.token);
        if (at < literals_.size()) ++uses[at];
        else source.how = value_source::rule::fixed;
    }
    if (std::any_of(uses.begin(), uses.end(), [](int n) { return n != 1; })) return &current_;

    entry kept{current_, std::move(sources)};
    kept.shape.statements.front().written.clear();  // views into this text
    if (current_.reads_schema && schema != nullptr) {
        // The version the translation read the columns at: the source reads it once per query.
        auto version = schema->version();
        if (!version) return std::move(version).error();
        kept.schema_version = *version;
    }
    if (entries_.size() >= capacity_) {
        if (&entries_.begin()->second == template_entry_) template_entry_ = nullptr;
        entries_.erase(entries_.begin());
    }
    const auto inserted = entries_.emplace(shape_, std::move(kept)).first;
    keep_template(text, inserted->second);
    return &current_;
}

}  // namespace vdl::lang
