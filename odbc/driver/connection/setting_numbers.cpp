#include "connection/setting_numbers.hpp"

#include <charconv>
#include <optional>
#include <system_error>

#include <fmt/format.h>

namespace settings {

namespace {

// What a value that cannot be read shows of itself: all of a short one, the start of a long one.
std::string shown(std::string_view value) {
    constexpr std::size_t shown_length = 32;
    if (value.size() <= shown_length) return fmt::format("'{}'", value);
    return fmt::format("'{}...' ({} characters)", value.substr(0, shown_length), value.size());
}

diag_record unreadable(std::string_view key, std::string_view value, std::string_view problem) {
    return diag_record(diag::state::general_error,
                       fmt::format("the setting {} cannot be read: {} {}", key, shown(value), problem));
}

struct leading_number {
    bool negative = false;
    std::string_view digits;  // the digits the number begins with; empty when there are none
};

// Blanks, a sign, and the digits after them.
leading_number leading_number_of(std::string_view text) {
    const auto start = text.find_first_not_of(" \t\n\v\f\r");
    text.remove_prefix(start == std::string_view::npos ? text.size() : start);
    leading_number n;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        n.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto end = text.find_first_not_of("0123456789");
    n.digits = text.substr(0, end == std::string_view::npos ? text.size() : end);
    return n;
}

// The magnitude of the digits, or nothing when they exceed 64 bits.
std::optional<std::uint64_t> magnitude_of(std::string_view digits) {
    std::uint64_t m = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), m);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return m;
}

}  // namespace

std::variant<std::int64_t, diag_record> signed_setting(const connection_settings& s, std::string_view key) {
    const std::string_view value = value_of(s, key);
    const leading_number n = leading_number_of(value);
    if (n.digits.empty()) return unreadable(key, value, "is not a number");
    const auto m = magnitude_of(n.digits);
    constexpr auto largest = static_cast<std::uint64_t>(INT64_MAX);
    if (!m || *m > largest + (n.negative ? 1 : 0))
        return unreadable(key, value, "is out of range (a signed 64-bit number)");
    return n.negative ? static_cast<std::int64_t>(std::uint64_t{0} - *m) : static_cast<std::int64_t>(*m);
}

std::variant<std::uint64_t, diag_record> unsigned_setting(const connection_settings& s, std::string_view key) {
    const std::string_view value = value_of(s, key);
    const leading_number n = leading_number_of(value);
    if (n.digits.empty()) return unreadable(key, value, "is not a number");
    const auto m = magnitude_of(n.digits);
    if (!m) return unreadable(key, value, "is out of range (an unsigned 64-bit number)");
    return n.negative ? std::uint64_t{0} - *m : *m;
}

}  // namespace settings
