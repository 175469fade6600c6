#pragma once
// The installer's attribute lists: key=value entries, each ended by a zero byte, the list
// ended by an empty entry ("DSN=prod\0URI=file:/tmp/x.db\0\0").

#include <cstddef>
#include <optional>
#include <string_view>

#include "connection/connection_settings.hpp"

namespace setup_ops {

// A list is accepted when its terminating pair of zero bytes starts before this many bytes
// less one: the entries, without the pair, are at most attribute_list_limit - 2 bytes.
inline constexpr std::size_t attribute_list_limit = 8192;

// The entries of `list` without the terminating pair; empty for a list that starts with its
// empty entry, nullopt when the pair does not start within the first 8191 bytes. Never reads
// past the pair.
[[nodiscard]] std::optional<std::string_view> attribute_list_text(const char* list) noexcept;

// The settings of a setup call, made as a connection makes them: the defaults without a
// list (null, or starting with its empty entry), else the list parsed with the zero byte as
// separator over the data source it names. Then the log is configured from them and
// `entry_point` logged at Debug. A list that is too long is logged at Error and gives nullopt.
[[nodiscard]] std::optional<connection_settings> setup_settings(const char* list, std::string_view entry_point);

}  // namespace setup_ops
