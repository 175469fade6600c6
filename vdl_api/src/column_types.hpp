// The column types of the language and how the store declares them.
//
// A column's declared type in the store is the word below; it decides both the engine's
// conversion of values written to the column and the type code reported in metadata:
//   DOUBLE    -> declared DOUBLE    (real affinity)
//   INT64     -> declared INT64     (integer affinity)
//   STRING    -> declared TEXT      (text affinity; "STRING" would turn '007' into 7)
//   BLOB      -> declared BLOB      (no conversion)
//   TIMESTAMP -> declared TIMESTAMP (numeric affinity; holds integer nanoseconds)
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vdl {

enum class column_type : std::int32_t { double_ = 0, blob = 1, int64 = 2, timestamp = 3, string = 4 };

struct column_type_info {
    column_type type;
    std::string_view language_name;  // as written in CREATE TABLE
    std::string_view declared;       // as declared in the store
    std::string_view stored_kinds;   // the engine's typeof() values the column accepts, NULL aside
};

// The type named in CREATE TABLE (case-insensitive), if it is one of the five.
std::optional<column_type_info> type_by_language_name(std::string_view name) noexcept;

const column_type_info& type_info(column_type type) noexcept;

// The type code of a column from its declared type in the store. Types declared by other
// programs map by the engine's affinity rules: ...INT... is INT64, ...CHAR/CLOB/TEXT...
// is STRING, ...BLOB... or none is BLOB, anything else DOUBLE.
column_type type_from_declared(std::string_view declared) noexcept;

// Case-insensitive ASCII equality.
bool iequals(std::string_view a, std::string_view b) noexcept;

inline constexpr std::string_view time_column = "$timestamp";

// Every column carries a CHECK constraint named "vdl_type:<column>:<TYPE>" that keeps
// values of other types out; the engine names it when the check fails.
inline constexpr std::string_view type_constraint_prefix = "vdl_type:";

}  // namespace vdl
