#pragma once
// The text one parameter set runs as: the prepared text with every marker replaced by the literal
// of its bound value in that set.

#include <sql.h>

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "diagnostics/diag_record.hpp"
#include "statement/parameter_binding.hpp"

// `markers` are the offsets of the markers in `text`; the binding of index i replaces marker i,
// so a "?" inside a value never takes another value's place; bindings of an index beyond the
// markers are ignored. A value that cannot be read or written gives the record that names its
// parameter, and no text.
std::variant<std::string, diag_record> substitute(std::string_view text, std::span<const std::size_t> markers,
                                                  const std::map<std::uint16_t, parameter_binding>& bindings,
                                                  const parameter_sets& sets, SQLULEN set);

// The text with every marker replaced by NULL: how a prepared query runs to describe its columns
// before any value is bound (a comparison with NULL is never true, so it reads no rows).
std::string substitute_nulls(std::string_view text, std::span<const std::size_t> markers);
