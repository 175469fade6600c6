#pragma once
// SQLGetDiagRec and SQLGetDiagField: visitors that read the one record a handle keeps.

#include <sql.h>

#include <optional>
#include <string_view>

#include "frame.hpp"
#include "handle/variant_handle.hpp"

namespace handle {

// Name of a diagnostic identifier for log lines; empty for an identifier it does not know.
std::string_view diag_identifier_name(SQLSMALLINT identifier) noexcept;

// SQL_DIAG_CLASS_ORIGIN and SQL_DIAG_SUBCLASS_ORIGIN of a SQLSTATE: "ODBC 3.0" for what ODBC
// defines (the IM class; the subclasses ODBC adds to standard classes), else "ISO 9075".
std::string_view class_origin(std::string_view sqlstate) noexcept;
std::string_view subclass_origin(std::string_view sqlstate) noexcept;

struct get_diag_rec {
    SQLSMALLINT record_number;
    SQLCHAR* sqlstate;
    SQLINTEGER* native_error;
    SQLCHAR* message_text;
    SQLSMALLINT buffer_length;
    SQLSMALLINT* text_length;

    template <typename Kind>
    SQLRETURN operator()(Kind& k) const {
        const auto held = frame::lock_kind(k);
        if (!held) return SQL_ERROR;
        return frame::call_status([&] { return read(k.diagnostics); });
    }

private:
    SQLRETURN read(const diag_record& record) const;
};

struct get_diag_field {
    SQLSMALLINT record_number;
    SQLSMALLINT identifier;
    SQLPOINTER info;
    SQLSMALLINT buffer_length;
    SQLSMALLINT* string_length;

    template <typename Kind>
    SQLRETURN operator()(Kind& k) const {
        const auto held = frame::lock_kind(k);
        if (!held) return SQL_ERROR;
        return frame::call_status([&] { return read(k); });
    }

private:
    SQLRETURN read(const environment& k) const;
    SQLRETURN read(const connection& k) const;
    SQLRETURN read(const statement& k) const;
    SQLRETURN read(const descriptor& k) const;
    // The answers shared by every kind; nullopt when the kind must answer itself.
    [[nodiscard]] std::optional<SQLRETURN> read_common(const diag_record& record) const;
};

}  // namespace handle
