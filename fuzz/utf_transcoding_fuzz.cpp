// UTF-8 <-> UTF-16 at wide-character buffers: any bytes convert without reading or writing past
// the given memory, whole characters only go out, and well-formed text converts back unchanged.

#include <string>
#include <vector>

#include "fuzz_input.hpp"
#include "wide/utf_transcoding.hpp"

namespace {

bool well_formed_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = wide::decode_utf8(text.substr(i));
        if (c.length == 0) return false;
        if (c.code_point == wide::replacement_character && !text.substr(i).starts_with("\xEF\xBF\xBD")) return false;
        i += c.length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const std::size_t capacity = in.below(64);
    const bool as_utf16 = in.below(2) == 1;
    const std::string bytes(in.rest());

    if (as_utf16) {
        // Application memory holding UTF-16 units, unaligned and possibly odd in length.
        const std::size_t units = bytes.size() / wide::unit_size;
        std::vector<std::byte> memory(units * wide::unit_size);
        if (!memory.empty()) std::memcpy(memory.data(), bytes.data(), memory.size());
        const std::size_t terminated = wide::zero_terminated_units(memory.data(), units);
        FUZZ_CHECK(terminated <= units);
        const std::string utf8 = wide::utf8_of_utf16(memory.data(), units);
        FUZZ_CHECK(well_formed_utf8(utf8));
        // Back to UTF-16: the same number of units, unless unpaired surrogates became U+FFFD.
        FUZZ_CHECK(wide::utf16_length(utf8) <= units);
        return 0;
    }

    if (!bytes.empty()) {
        const auto first = wide::decode_utf8(bytes);
        FUZZ_CHECK(first.length >= 1 && first.length <= 4 && first.length <= bytes.size());
        FUZZ_CHECK(first.code_point <= 0x10FFFF && (first.code_point < 0xD800 || first.code_point > 0xDFFF));
    }
    const std::size_t needed = wide::utf16_length(bytes);
    std::vector<std::byte> out(capacity * wide::unit_size);
    const auto written = wide::write_utf16(bytes, capacity == 0 ? nullptr : out.data(), capacity);
    FUZZ_CHECK(written.units <= capacity);
    FUZZ_CHECK(written.bytes_read <= bytes.size());
    if (needed <= capacity) {
        FUZZ_CHECK(written.units == needed);
        FUZZ_CHECK(written.bytes_read == bytes.size());
    }
    // What went out is whole characters: it converts back to exactly the bytes read, when those
    // were well formed.
    const std::string back = wide::utf8_of_utf16(out.data(), written.units);
    if (well_formed_utf8(bytes.substr(0, written.bytes_read))) FUZZ_CHECK(back == bytes.substr(0, written.bytes_read));
    else FUZZ_CHECK(well_formed_utf8(back));
    return 0;
}
