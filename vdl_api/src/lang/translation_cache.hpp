// Translations of queries kept by their shape: the text with each number and timestamp taken
// out. A point query repeated with other values, or a prepared ODBC statement executed again
// (the driver sends its values as text), has one shape, so it is split into tokens but not
// translated again: the kept engine statement gets the values of the new text. The cache also
// keeps the room of the last translation for the next one, so that a repeated query allocates
// nothing here. A translation that read the store's schema (a text compared with a TIMESTAMP
// column) is kept with the schema's version and translated again once the version changed.
#pragma once

#include "../failure.hpp"
#include "statements.hpp"
#include "translator.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vdl::lang {

// A number or timestamp taken out of a text for its shape: its token and its value.
struct shape_literal {
    std::size_t token;
    bound_value value;
};

class translation_cache {
public:
    static constexpr std::size_t default_capacity = 64;

    explicit translation_cache(std::size_t capacity = default_capacity) : capacity_(capacity) {}

    // The time NOW() stands for, in nanoseconds since the epoch: read only for a text that has NOW().
    using clock = std::int64_t (*)();

    // What translate(text, now(), schema) gives, taken from the shape's kept translation when there
    // is one and, for a translation that read the schema, the schema's version is still the same.
    // The translation and the views it holds into the text last until the next call.
    outcome<const translation*> translate(std::string_view text, clock now, schema_source* schema = nullptr);

    [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }

private:
    struct entry {
        translation shape;                  // values and written texts left empty
        std::vector<value_source> sources;  // one per placeholder
        std::int64_t schema_version = 0;    // the schema's version, for a shape that read it
    };
    outcome<const translation*> translate_fully(std::string_view text, std::int64_t now, schema_source* schema);
    // Whether a kept shape still holds: it read no schema, or the schema's version is unchanged.
    outcome<bool> holds(const entry& kept, schema_source* schema);
    // current_ made from a kept shape, with the values of text's literals (tokens_, literals_).
    outcome<const translation*> take_shape(const entry& kept, std::string_view text, clock now, schema_source* schema);
    // Whether text differs from the template text only in its literals, each of which scans as a
    // literal of the same class; then tokens_ and literals_ are those of text.
    bool matches_template(std::string_view text);
    void keep_template(std::string_view text, const entry& kept);

    std::size_t capacity_;
    std::unordered_map<std::string, entry> entries_;
    // The room of the last call, reused.
    std::vector<token> tokens_;
    std::vector<shape_literal> literals_;
    std::string shape_;
    translation current_;
    // The last text whose shape was looked up, with its tokens (views into template_text_): a text
    // of the same shape is recognised against it without being split into tokens or hashed (about
    // 1,150 instructions fewer per query in scenarios c and c' of bench/, 4 %).
    std::string template_text_;
    std::vector<token> template_tokens_;
    std::vector<std::size_t> template_literals_;  // indices of its literal tokens
    const entry* template_entry_ = nullptr;
};

}  // namespace vdl::lang
