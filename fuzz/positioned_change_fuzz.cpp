// The UPDATE and DELETE of a positioned change over random table texts, current cells and new
// values: a complete change names every bound column's value or refuses one, and its count query
// has the same WHERE clause.

#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "buffers/application_value.hpp"
#include "fuzz_input.hpp"
#include "setpos/positioned_change.hpp"

namespace {

setpos::cell_value random_cell(fuzz::input& in, std::vector<std::string>& texts) {
    switch (in.below(8)) {
    case 0: return std::monostate{};
    case 1: return in.take<std::int64_t>();
    case 2: return in.take<std::uint64_t>();
    case 3: return in.take<float>();
    case 4: return in.take<double>();
    case 5: texts.emplace_back(in.text(24)); return std::string_view(texts.back());
    case 6: {
        const auto seconds = in.take<std::int64_t>();
        const auto nanoseconds = in.take<std::int64_t>();
        return timestamp_value{seconds, nanoseconds};
    }
    default: return std::int64_t{0};
    }
}

std::optional<buffers::application_value> random_value(fuzz::input& in, std::vector<std::string>& texts) {
    switch (in.below(12)) {
    case 0: return std::nullopt;
    case 1: return buffers::null_value{};
    case 2: return in.take<std::int64_t>();
    case 3: return in.take<std::uint64_t>();
    case 4: return in.take<float>();
    case 5: return in.take<double>();
    case 6: texts.emplace_back(in.text(24)); return buffers::text_value{texts.back()};
    case 7: texts.emplace_back(in.text(24)); return buffers::binary_value{texts.back()};
    case 8: return in.take<SQL_DATE_STRUCT>();
    case 9: return in.take<SQL_TIME_STRUCT>();
    case 10: return in.take<SQL_TIMESTAMP_STRUCT>();
    default: return std::int64_t{1};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const auto kind = in.below(2) == 0 ? setpos::change_kind::update : setpos::change_kind::remove;
    const std::size_t count = in.below(6);
    std::vector<std::string> texts;
    texts.reserve(4 * count + 2);  // the views below point into it
    std::vector<setpos::bound_column> columns;
    for (std::size_t i = 0; i < count; ++i) {
        texts.emplace_back(in.text(12));
        const std::string_view name = texts.back();
        auto current = random_cell(in, texts);
        auto replacement = random_value(in, texts);
        columns.push_back({name, current, replacement});
    }
    const std::string statement(in.rest());

    std::string table;
    try {
        table = setpos::table_text(statement);
    } catch (const std::out_of_range&) {
        return 0;  // "FROM" ends the text: the caller turns this into a diagnostic
    }
    const auto generated = setpos::generate(kind, table, columns);
    if (const auto* change = std::get_if<setpos::generated_change>(&generated)) {
        const auto& text = change->text;
        FUZZ_CHECK(text.starts_with(kind == setpos::change_kind::update ? "UPDATE " : "DELETE FROM "));
        FUZZ_CHECK(change->count_text.starts_with("SELECT count(*) FROM "));
        if (change->complete) FUZZ_CHECK(text.find(" WHERE ") != std::string::npos);
        // The WHERE clause of the change and of its count are the same text.
        const std::string prefix = "SELECT count(*) FROM " + table;
        FUZZ_CHECK(change->count_text.starts_with(prefix));
        if (change->complete) FUZZ_CHECK(text.ends_with(change->count_text.substr(prefix.size())));
    }
    return 0;
}
