#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// How far SQLGetData has handed out one character or binary value, so that the next call for the
// same column and row continues where the previous one stopped. Any fetch starts over.
struct get_data_progress {
    bool started = false;  // the fields below describe a value
    std::uint16_t column_index = 0;
    std::int64_t row = -1;
    std::size_t offset = 0;                      // bytes of the value already handed out
    std::optional<std::size_t> wide_units_left;  // UTF-16 units a wide target has still to get, once counted
    bool finished = false;                       // the value has been handed out whole

    // A value of the column and row, none of it handed out yet.
    void start(std::uint16_t column, std::int64_t at_row) noexcept {
        *this = {.started = true,
                 .column_index = column,
                 .row = at_row,
                 .offset = 0,
                 .wide_units_left = std::nullopt,
                 .finished = false};
    }
    // The next call starts over, whatever column and row it is for.
    void forget() noexcept { started = false; }
    // Back to the state of a new statement.
    void reset() noexcept { *this = get_data_progress{}; }

    [[nodiscard]] bool is_for(std::uint16_t column, std::int64_t at_row) const noexcept {
        return started && column_index == column && row == at_row;
    }
};
