// fetch_column_generic over random cell kinds, C types, buffer lengths, rowset sizes, bind types
// and pieces: it writes only into the slots the application laid out, and every slot's indicator
// is written for a converted or NULL cell.

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <string>
#include <vector>

#include "c_types.hpp"
#include "fetch/fetch_column_generic.hpp"
#include "fuzz_input.hpp"
#include "statement/result_table.hpp"

namespace {

template <typename Cells>
column_data random_cells(fuzz::input& in, std::size_t rows) {
    Cells cells;
    for (std::size_t i = 0; i < rows; ++i) {
        if (in.below(4) == 0) {
            cells.values.emplace_back();
            continue;
        }
        using value_type = typename Cells::value_type;
        if constexpr (std::is_same_v<value_type, std::string>) cells.values.emplace_back(std::string(in.text(40)));
        else if constexpr (std::is_same_v<value_type, std::string_view>) cells.values.emplace_back(in.text(40));
        else cells.values.emplace_back(in.take<value_type>());
    }
    return cells;
}

column_data random_column(fuzz::input& in) {
    const std::size_t rows = in.below(6);
    switch (in.below(12)) {
    case 1: return random_cells<sshort_cells>(in, rows);
    case 2: return random_cells<ushort_cells>(in, rows);
    case 3: return random_cells<slong_cells>(in, rows);
    case 4: return random_cells<ulong_cells>(in, rows);
    case 5: return random_cells<bigint_cells>(in, rows);
    case 6: return random_cells<ubigint_cells>(in, rows);
    case 7: return random_cells<float_cells>(in, rows);
    case 8: return random_cells<double_cells>(in, rows);
    case 9: return random_cells<text_cells>(in, rows);
    case 10: return random_cells<text_view_cells>(in, rows);
    case 11: return random_cells<timestamp_cells>(in, rows);
    default: return no_cells{};
    }
}

constexpr std::size_t aligned(std::size_t n) { return (n + alignof(SQLLEN) - 1) / alignof(SQLLEN) * alignof(SQLLEN); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const auto [c_type, fixed_size] = fuzz::c_types[in.below(fuzz::c_types.size())];
    const SQLLEN buffer_length = static_cast<SQLLEN>(in.below(48));
    const SQLULEN count = 1 + in.below(4);
    const SQLULEN first_row = in.below(8);
    const bool row_wise = in.below(2) == 1;
    const bool with_buffer = in.below(8) != 0;
    const bool with_indicator = in.below(8) != 0;
    const bool in_pieces = in.below(4) == 0;
    const column_data column = random_column(in);

    // One value of the C type, as the application lays it out: its size, or the buffer length.
    const std::size_t element = fixed_size != 0 ? fixed_size : static_cast<std::size_t>(buffer_length);
    const std::size_t row_size = row_wise ? aligned(element) + sizeof(SQLLEN) : 0;
    std::unique_ptr<std::byte[]> memory;
    std::byte* buffer = nullptr;
    SQLLEN* indicator = nullptr;
    std::unique_ptr<SQLLEN[]> indicators;
    if (row_wise) {
        memory = std::make_unique<std::byte[]>(count * row_size);
        if (with_buffer) buffer = memory.get();
        if (with_indicator) indicator = reinterpret_cast<SQLLEN*>(memory.get() + aligned(element));
    } else {
        memory = std::make_unique<std::byte[]>(count * element);
        if (with_buffer) buffer = memory.get();
        indicators = std::make_unique<SQLLEN[]>(count);
        if (with_indicator) indicator = indicators.get();
    }
    const auto indicator_of = [&](std::size_t slot) -> SQLLEN& {
        return row_wise ? *reinterpret_cast<SQLLEN*>(memory.get() + slot * row_size + aligned(element))
                        : indicators[slot];
    };
    constexpr SQLLEN untouched = -12345;
    for (std::size_t j = 0; j < count && with_indicator; ++j) indicator_of(j) = untouched;

    if (in_pieces) {
        // SQLGetData: one row, its value handed out in pieces until none remains.
        value_piece piece;
        for (int call = 0; call < 256; ++call) {
            const auto before = piece.offset;
            const diag_record r =
                fetch_column_generic(column, 1, first_row, row_size, c_type, buffer, buffer_length, indicator, &piece);
            if (r.return_code == SQL_ERROR || !piece.truncated) break;
            // Every piece makes progress when the buffer holds at least one character.
            const bool roomy = with_buffer && ((c_type == SQL_C_CHAR && buffer_length > 1) ||
                                               (c_type == SQL_C_BINARY && buffer_length > 0) ||
                                               (c_type == SQL_C_WCHAR && buffer_length >= 6));
            if (roomy) FUZZ_CHECK(piece.offset > before);
        }
        return 0;
    }

    const diag_record r =
        fetch_column_generic(column, count, first_row, row_size, c_type, buffer, buffer_length, indicator);
    if (r.return_code != SQL_ERROR && with_indicator) {
        for (std::size_t j = 0; j < count; ++j) {
            const SQLLEN written = indicator_of(j);
            FUZZ_CHECK(written != untouched);
            FUZZ_CHECK(written == SQL_NULL_DATA || written >= 0);
        }
    }
    return 0;
}
