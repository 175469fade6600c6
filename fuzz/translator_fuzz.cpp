// Query texts through vdl_api's tokenizer, statement splitter and translator: every text is
// either translated or refused with a failure, and a translation's values fill its placeholders.

#include <string>

#include "fuzz_input.hpp"
#include "lang/tokenizer.hpp"
#include "lang/translator.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const auto now = in.take<std::int64_t>();
    const std::string text(in.rest());

    if (auto tokens = vdl::lang::tokenize(text)) {
        for (const auto& t : *tokens) (void)vdl::lang::identifier_name(t);
    }
    (void)vdl::lang::split_statements(text);

    const auto translated = vdl::lang::translate(text, now);
    if (!translated) {
        FUZZ_CHECK(translated.error().code != 0);
        return 0;
    }
    for (const auto& statement : translated->statements) {
        FUZZ_CHECK(statement.values.size() == statement.written.size());
        // Each written value is a view into the text given.
        for (const auto written : statement.written)
            FUZZ_CHECK(written.data() >= text.data() && written.data() + written.size() <= text.data() + text.size());
    }
    (void)vdl::lang::column_kinds(translated->items, in.below(8));
    return 0;
}
