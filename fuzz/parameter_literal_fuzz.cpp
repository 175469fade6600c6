// Bound parameters over random C types, SQL types, buffers and indicators: the reader of
// application buffers, the literal writer and the substitution into a statement text. A value
// is read only within the memory the application gave.

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "buffers/application_value.hpp"
#include "c_types.hpp"
#include "fuzz_input.hpp"
#include "statement/parameter_binding.hpp"
#include "statement/parameter_literal.hpp"
#include "statement/parameter_substitution.hpp"
#include "statement/statement_text.hpp"

namespace {

constexpr std::array<SQLSMALLINT, 26> sql_types{
    SQL_CHAR,          SQL_VARCHAR,
    SQL_LONGVARCHAR,   SQL_WCHAR,
    SQL_WVARCHAR,      SQL_WLONGVARCHAR,
    SQL_BINARY,        SQL_VARBINARY,
    SQL_LONGVARBINARY, SQL_BIT,
    SQL_TINYINT,       SQL_SMALLINT,
    SQL_INTEGER,       SQL_BIGINT,
    SQL_REAL,          SQL_FLOAT,
    SQL_DOUBLE,        SQL_DECIMAL,
    SQL_NUMERIC,       SQL_TYPE_DATE,
    SQL_TYPE_TIME,     SQL_TYPE_TIMESTAMP,
    SQL_DATE,          SQL_TIMESTAMP,
    SQL_GUID,          static_cast<SQLSMALLINT>(-999),
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const auto [c_type, fixed_size] = fuzz::c_types[in.below(fuzz::c_types.size())];
    const SQLSMALLINT sql_type = sql_types[in.below(sql_types.size())];
    const auto indicator_choice = in.below(5);
    const auto indicator_value = in.take<std::int16_t>();
    const bool null_value = in.below(16) == 0;

    // The application's buffer: exactly as large as the C type or the buffer length says.
    const std::string_view bytes = in.rest();
    const SQLLEN buffer_length = static_cast<SQLLEN>(fixed_size != 0 ? fixed_size : bytes.size());
    std::vector<std::byte> buffer(static_cast<std::size_t>(buffer_length));
    if (!buffer.empty()) std::memcpy(buffer.data(), bytes.data(), std::min(bytes.size(), buffer.size()));

    SQLLEN indicator = 0;
    switch (indicator_choice) {
    case 0: indicator = SQL_NTS; break;
    case 1: indicator = SQL_NULL_DATA; break;
    case 2: indicator = buffer_length; break;
    case 3: indicator = indicator_value; break;  // any length, negative or past the buffer
    default: break;
    }
    const bool with_indicator = indicator_choice != 4;
    // A text read up to its zero byte stops at the buffer length too: no terminator is needed.
    const buffers::application_buffer where{c_type, null_value || buffer.empty() ? nullptr : buffer.data(),
                                            buffer_length,
                                            with_indicator ? std::optional<SQLLEN>(indicator) : std::nullopt};
    const auto read = buffers::read_value(where);
    if (const auto* value = std::get_if<buffers::application_value>(&read)) {
        std::string out = "x";
        const auto refused = append_literal(out, sql_type, *value);
        if (refused) FUZZ_CHECK(out == "x");
        else FUZZ_CHECK(out.size() > 1);
    }

    // The same value bound to a marker of a statement.
    const std::string text = "SELECT ? FROM t WHERE a = '?'";
    const auto markers = statement_text(text).markers();
    FUZZ_CHECK(markers.size() == 1);
    std::map<std::uint16_t, parameter_binding> bindings;
    bindings[1] = parameter_binding{sql_type, c_type, where.value == nullptr ? nullptr : buffer.data(), buffer_length,
                                    with_indicator ? &indicator : nullptr};
    const auto substituted = substitute(text, markers, bindings, parameter_sets{}, 0);
    if (const auto* done = std::get_if<std::string>(&substituted)) {
        FUZZ_CHECK(done->starts_with("SELECT "));
        FUZZ_CHECK(done->ends_with(" FROM t WHERE a = '?'"));
    }
    return 0;
}
