#include "engine_errors.hpp"

#include "column_types.hpp"
#include "vdl_api.h"
#include "vdl_api_interrupt.h"

#include <fmt/format.h>

#include <optional>
#include <string>

namespace vdl {
namespace {

bool starts_with(std::string_view text, std::string_view prefix) noexcept { return text.starts_with(prefix); }

// A table name as the engine quotes it in messages, without schema or quotes.
std::string_view table_name(std::string_view name) noexcept {
    if (name.starts_with("main.")) name.remove_prefix(5);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    return name;
}

// "CHECK constraint failed: vdl_type:<column>:<TYPE>" -> a type mismatch naming both.
std::optional<failure> type_check_failure(std::string_view message) {
    const auto at = message.find(type_constraint_prefix);
    if (at == std::string_view::npos) return std::nullopt;
    const auto named = message.substr(at + type_constraint_prefix.size());
    const auto split = named.rfind(':');
    if (split == std::string_view::npos) return std::nullopt;
    const auto column = named.substr(0, split);
    const auto type = named.substr(split + 1);
    std::string detail = fmt::format("column {} holds {} values; the value given is of another type", column, type);
    if (type == "TIMESTAMP")
        detail +=
            " (write timestamps unquoted, as in 2021-03-04T05:06:07Z, or as integer nanoseconds since "
            "1970-01-01T00:00:00Z)";
    return failure{VDL_E_TYPE, std::move(detail)};
}

}  // namespace

failure classify_engine_error(int extended_code, std::string_view message) {
    const std::string text(message);
    switch (extended_code & 0xFF) {
    case SQLITE_NOMEM: return {VDL_E_OUT_OF_MEMORY, text};
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return {VDL_E_BUSY, fmt::format("{} (another connection kept the store locked)", text)};
    case SQLITE_READONLY:
        return {VDL_E_ACCESS_DENIED,
                fmt::format("{} (the store is open for reading only: its file or file system does not allow writing)",
                            text)};
    case SQLITE_PERM:
    case SQLITE_AUTH: return {VDL_E_ACCESS_DENIED, text};
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL:
    case SQLITE_NOLFS: return {VDL_E_STORAGE, text};
    case SQLITE_MISMATCH: return {VDL_E_TYPE, text};
    case SQLITE_INTERRUPT: return {VDL_E_INTERRUPTED, "the call was interrupted (vdl_interrupt)"};
    case SQLITE_CONSTRAINT:
        if (extended_code == SQLITE_CONSTRAINT_CHECK)
            if (auto typed = type_check_failure(message)) return *std::move(typed);
        return {VDL_E_CONSTRAINT, text};
    default: break;
    }
    if (starts_with(message, "no such table: ")) return {VDL_E_NO_TABLE, std::string(table_name(message.substr(15)))};
    if (starts_with(message, "no such column: ")) return {VDL_E_NO_COLUMN, std::string(message.substr(16))};
    if (const auto at = message.find(" has no column named ");
        starts_with(message, "table ") && at != std::string_view::npos)
        return {VDL_E_NO_COLUMN, fmt::format("{} (table {})", message.substr(at + 21), message.substr(6, at - 6))};
    if (starts_with(message, "table ") && message.ends_with(" already exists"))
        return {VDL_E_TABLE_EXISTS, std::string(table_name(message.substr(6, message.size() - 6 - 15)))};
    if (message.find("syntax error") != std::string_view::npos || starts_with(message, "incomplete input") ||
        starts_with(message, "unrecognized token"))
        return {VDL_E_SYNTAX, text};
    return {VDL_E_QUERY, text};
}

failure engine_failure(sqlite3* db, int rc) {
    const int extended = db != nullptr ? sqlite3_extended_errcode(db) : rc;
    const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return classify_engine_error(extended, message != nullptr ? message : sqlite3_errstr(rc));
}

}  // namespace vdl
