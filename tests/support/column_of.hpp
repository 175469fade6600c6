#pragma once
// A hand-made column of the driver's fetch code: cells of one type, NULL where nullopt.

#include <initializer_list>
#include <optional>

#include "fetch/fetch_column_generic.hpp"

namespace support {

template <typename Cells>
column_data column_of(std::initializer_list<std::optional<typename Cells::value_type>> values) {
    Cells cells;
    cells.values.assign(values.begin(), values.end());
    return cells;
}

}  // namespace support
