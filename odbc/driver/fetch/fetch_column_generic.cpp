#include "fetch/fetch_column_generic.hpp"

#include <optional>
#include <type_traits>
#include <vector>

#include <fmt/format.h>

#include "fetch/application_slots.hpp"
#include "fetch/c_type_name.hpp"
#include "fetch/cell_converters.hpp"
#include "logger/logger.hpp"

namespace {

// The rows of one call: `count` slots filled from the cells starting at `first`.
struct row_range {
    SQLULEN count;
    SQLULEN first;
};

void store_null(std::byte* indicator) noexcept {
    if (indicator != nullptr) store_into(indicator, static_cast<SQLLEN>(SQL_NULL_DATA));
}

diag_record not_convertible(std::string_view type_name, SQLSMALLINT c_type) {
    diag_record r(diag::state::restricted_data_type);
    r.message = fmt::format("Tried to convert {} to {}", type_name, c_type_name(c_type));
    return r;
}

// Notes that slot j was stored with a warning.
void mark_warned(std::vector<bool>* warned_slots, std::size_t j, std::size_t count) {
    if (warned_slots == nullptr) return;
    if (warned_slots->size() < count) warned_slots->resize(count);
    (*warned_slots)[j] = true;
}

// The loop over the rows of one column: the kind and the C type are fixed before it starts, so
// each row is a presence test and an inlined conversion. A row stored with a warning goes on to
// the next; the first warning is the call's outcome when no row fails.
template <typename Value, typename Convert>
diag_record convert_rows(const column_values<Value>& values, row_range rows, const application_slots& slots,
                         const Convert& convert, std::string_view type_name, SQLSMALLINT c_type,
                         std::vector<bool>* warned_slots) {
    const std::size_t available = rows.first < values.size() ? values.size() - rows.first : 0;
    diag_record outcome;
    diag_record failure;
    for (std::size_t j = 0; j < rows.count; ++j) {
        std::byte* indicator = slots.indicator(j);
        if (j >= available || !values.has_value(rows.first + j)) {
            store_null(indicator);
            continue;
        }
        if constexpr (std::is_invocable_r_v<bool, const Convert&, const Value&, std::byte*, std::byte*, diag_record&>) {
            if (!convert(values.value(rows.first + j), slots.data(j), indicator, failure)) return failure;
            if (failure.state_code != 0) [[unlikely]] {
                mark_warned(warned_slots, j, rows.count);
                if (outcome.state_code == 0) outcome = std::move(failure);
                failure = diag_record();
            }
        } else {
            return not_convertible(type_name, c_type);
        }
    }
    return outcome;
}

}  // namespace

diag_record fetch_column_generic(const column_data& column, SQLULEN count, SQLULEN first_row, SQLULEN bind_type,
                                 SQLSMALLINT c_type, SQLPOINTER buffer, SQLLEN buffer_length, SQLLEN* indicator,
                                 value_piece* piece, text_sink* sink, std::vector<bool>* warned_slots) {
    log_line(logger::level::debug, "{} count {} offset {} to {}", "stmt::fetch_column_generic", count, first_row,
             c_type_label{c_type});
    const application_slots slots(bind_type, c_type, buffer, buffer_length, indicator);
    const row_range rows{count, first_row};
    const std::string_view type_name = describe_kind(column.index()).type_name;

    // The converter is chosen first and the kind within it, so that each pairing of a converter
    // and a kind is a small function of its own, reached by one jump per call.
    diag_record result = conversion::with_converter(c_type, buffer_length, piece, sink, [&](const auto& convert) {
        return std::visit(
            [&](const auto& cells) -> diag_record {
                if constexpr (std::is_same_v<std::decay_t<decltype(cells)>, no_cells>) {
                    for (std::size_t j = 0; j < count; ++j) store_null(slots.indicator(j));
                    return diag_record::success();
                } else {
                    return convert_rows(cells.values, rows, slots, convert, type_name, c_type, warned_slots);
                }
            },
            column);
    });
    return result;
}
