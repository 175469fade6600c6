#include "column_types.hpp"

#include <array>

namespace vdl {
namespace {

constexpr std::array<column_type_info, 5> types{{
    {column_type::double_, "DOUBLE", "DOUBLE", "'real'"},
    {column_type::blob, "BLOB", "BLOB", "'blob', 'text'"},
    {column_type::int64, "INT64", "INT64", "'integer'"},
    {column_type::timestamp, "TIMESTAMP", "TIMESTAMP", "'integer'"},
    {column_type::string, "STRING", "TEXT", "'text'"},
}};

char upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool icontains(std::string_view text, std::string_view part) noexcept {
    if (part.size() > text.size()) return false;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (iequals(text.substr(i, part.size()), part)) return true;
    return false;
}

}  // namespace

bool iequals(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

std::optional<column_type_info> type_by_language_name(std::string_view name) noexcept {
    for (const auto& info : types)
        if (iequals(info.language_name, name)) return info;
    return std::nullopt;
}

const column_type_info& type_info(column_type type) noexcept { return types[static_cast<std::size_t>(type)]; }

column_type type_from_declared(std::string_view declared) noexcept {
    for (const auto& info : types)
        if (iequals(info.declared, declared)) return info.type;
    if (icontains(declared, "INT")) return column_type::int64;
    if (icontains(declared, "CHAR") || icontains(declared, "CLOB") || icontains(declared, "TEXT"))
        return column_type::string;
    if (declared.empty() || icontains(declared, "BLOB")) return column_type::blob;
    return column_type::double_;
}

}  // namespace vdl

namespace vdl {
static_assert(
    [] {
        for (std::size_t i = 0; i < types.size(); ++i)
            if (static_cast<std::size_t>(types[i].type) != i) return false;
        return true;
    }(),
    "the type table is indexed by type code");
}  // namespace vdl
