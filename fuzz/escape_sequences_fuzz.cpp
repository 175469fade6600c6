// Statement texts through the translation of escape sequences: a text is translated whole or
// refused with 42000 or HYC00, a text without escapes in its code comes back unchanged, and the
// translation keeps every parameter marker of the text.

#include <string>
#include <variant>

#include "fuzz_input.hpp"
#include "statement/escape_sequences.hpp"
#include "statement/statement_text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const std::string text(in.rest());
    const statement_text scanned(text);
    const auto out = escapes::translate(text);
    if (const auto* refusal = std::get_if<diag_record>(&out)) {
        FUZZ_CHECK(refusal->sqlstate == "42000" || refusal->sqlstate == "HYC00");
        FUZZ_CHECK(scanned.find_in_code("{") != std::string::npos);
        return 0;
    }
    const auto& translated = std::get<std::string>(out);
    if (scanned.find_in_code("{") == std::string::npos) FUZZ_CHECK(translated == text);
    FUZZ_CHECK(statement_text(translated).markers().size() == scanned.markers().size());
    // A translated text holds no escape of its own: translating it again changes nothing.
    const auto again = escapes::translate(translated);
    if (const auto* twice = std::get_if<std::string>(&again)) FUZZ_CHECK(*twice == translated);
    return 0;
}
