#include "wide/utf_transcoding.hpp"

#include <cstdint>
#include <cstring>

namespace wide {

namespace {

constexpr char16_t high_surrogates = 0xD800;
constexpr char16_t low_surrogates = 0xDC00;
constexpr char32_t first_supplementary = 0x10000;

bool is_continuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

void put_unit(std::byte* at, char16_t unit) noexcept { std::memcpy(at, &unit, sizeof unit); }

char16_t unit_at(const std::byte* units, std::size_t i) noexcept {
    char16_t unit;
    std::memcpy(&unit, units + i * unit_size, sizeof unit);
    return unit;
}

std::size_t units_of(char32_t code_point) noexcept { return code_point < first_supplementary ? 1 : 2; }

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < first_supplementary) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

decoded_character decode_utf8(std::string_view text) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {lead, 1};
    // The well-formed sequences: the lead byte decides how many continuation bytes follow and
    // the range of the first of them, which rules out overlong forms, surrogates and values
    // past U+10FFFF.
    std::size_t length = 0;
    unsigned char second_low = 0x80;
    unsigned char second_high = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) second_low = 0xA0;
        if (lead == 0xED) second_high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) second_low = 0x90;
        if (lead == 0xF4) second_high = 0x8F;
    } else {
        return {replacement_character, 1};
    }
    // A sequence cut short, or broken by a byte that cannot continue it, is replaced as far as
    // it went; the byte that broke it starts the next character.
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= text.size()) return {replacement_character, i};
        const unsigned char next = byte(i);
        const bool fits = i == 1 ? next >= second_low && next <= second_high : is_continuation(next);
        if (!fits) return {replacement_character, i};
        value = (value << 6) | (next & 0x3F);
    }
    return {value, length};
}

std::size_t utf16_length(std::string_view utf8) noexcept {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++units;
            ++i;
            continue;
        }
        const auto c = decode_utf8(utf8.substr(i));
        units += units_of(c.code_point);
        i += c.length;
    }
    return units;
}

utf16_written write_utf16(std::string_view utf8, std::byte* out, std::size_t capacity) noexcept {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size() && units < capacity) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            put_unit(out + units * unit_size, byte);
            ++units;
            ++i;
            continue;
        }
        const auto c = decode_utf8(utf8.substr(i));
        if (c.code_point < first_supplementary) {
            put_unit(out + units * unit_size, static_cast<char16_t>(c.code_point));
            ++units;
        } else {
            if (capacity - units < 2) break;  // half a pair is never written
            const char32_t v = c.code_point - first_supplementary;
            put_unit(out + units * unit_size, static_cast<char16_t>(high_surrogates + (v >> 10)));
            put_unit(out + (units + 1) * unit_size, static_cast<char16_t>(low_surrogates + (v & 0x3FF)));
            units += 2;
        }
        i += c.length;
    }
    return {units, i};
}

std::string utf8_of_utf16(const std::byte* units, std::size_t count) {
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = unit_at(units, i);
        if (unit < high_surrogates || unit >= 0xE000) {
            append_utf8(out, unit);
        } else if (unit < low_surrogates && i + 1 < count && unit_at(units, i + 1) >= low_surrogates &&
                   unit_at(units, i + 1) < 0xE000) {
            const char16_t low = unit_at(units, ++i);
            append_utf8(out, first_supplementary + ((char32_t{unit} - high_surrogates) << 10) +
                                 (char32_t{low} - low_surrogates));
        } else {
            append_utf8(out, replacement_character);  // a surrogate without its partner
        }
    }
    return out;
}

std::size_t zero_terminated_units(const std::byte* units, std::size_t limit) noexcept {
    std::size_t n = 0;
    while (n < limit && unit_at(units, n) != 0) ++n;
    return n;
}

}  // namespace wide
