#pragma once
// Keeps secrets out of the log: the user's private key (`pwd`) is written as "***" in log
// lines. Texts handed back to the application are never masked.

#include <string>
#include <string_view>

namespace settings {

// The text written in place of a secret value.
inline constexpr std::string_view mask = "***";

// Whether `key` names the private key: "pwd" in any case, blanks around it ignored (a
// connection string "UID=a; PWD=b" has the key " PWD").
[[nodiscard]] bool is_secret_key(std::string_view key) noexcept;

// `value` for a log line: the mask when `key` is secret and the value is not empty.
[[nodiscard]] std::string_view masked_value(std::string_view key, std::string_view value) noexcept;

// Whether a secret entry's value opens a brace that its segment does not close: applications
// write PWD={...} around a key that holds the separator, and the segments that follow, up to the
// one ending with '}', are then pieces of the secret.
[[nodiscard]] bool opens_braced_secret(std::string_view key, std::string_view value) noexcept;

// `text` for a log line, every secret entry's value (all its pieces, when braced) replaced by
// the mask; everything else, separators included, stays as written.
[[nodiscard]] std::string masked_connection_string(std::string_view text, char separator);

}  // namespace settings
