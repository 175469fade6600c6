// Statement texts through the rules a prepare and an execute apply: marker counting, the INSERT
// time column, the wrapper cut and the row limit, and the substitution of bound values.

#include <map>
#include <string>

#include "fuzz_input.hpp"
#include "statement/parameter_substitution.hpp"
#include "statement/rewrite_rules.hpp"
#include "statement/statement_text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const auto max_rows = in.take<std::uint64_t>();
    const std::string text(in.rest());

    const statement_text scanned(text);
    const auto markers = scanned.markers();
    for (const auto at : markers) {
        FUZZ_CHECK(at < text.size());
        FUZZ_CHECK(text[at] == '?');
        FUZZ_CHECK(scanned.in_code(at));
    }
    FUZZ_CHECK(scanned.end_of_code() <= text.size());
    (void)scanned.first_word();
    (void)zero_byte_refusal(text);

    const std::string inserted = rewrite::rewrite_insert(text);
    FUZZ_CHECK(inserted == text || inserted.find("$timestamp") != std::string::npos);
    // The time column is added with a literal: the markers stay where the values go.
    if (inserted != text) FUZZ_CHECK(statement_text(inserted).markers().size() == markers.size());

    const auto unwrapped = rewrite::unwrap(text);
    if (!unwrapped.wrapped) FUZZ_CHECK(unwrapped.text == text);
    else FUZZ_CHECK(unwrapped.text.size() < text.size());

    // TOP n becomes LIMIT n: the text is only rearranged, its markers stay.
    const std::string topped = rewrite::top_to_limit(unwrapped.text);
    if (topped != unwrapped.text)
        FUZZ_CHECK(statement_text(topped).markers().size() == statement_text(unwrapped.text).markers().size());

    const std::string limited = rewrite::apply_row_limit(unwrapped.text, max_rows);
    if (limited != unwrapped.text) {
        FUZZ_CHECK(limited.size() > unwrapped.text.size());
        FUZZ_CHECK(statement_text(limited).markers().size() == statement_text(unwrapped.text).markers().size());
    }

    // Every marker takes the value of its own binding; a marker without one is refused.
    std::map<std::uint16_t, parameter_binding> bindings;
    const parameter_sets sets{};
    const auto substituted = substitute(text, markers, bindings, sets, 0);
    if (markers.empty()) {
        FUZZ_CHECK(std::holds_alternative<std::string>(substituted));
        FUZZ_CHECK(std::get<std::string>(substituted) == text);
    }
    return 0;
}
