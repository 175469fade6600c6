#include "statement/result_installation.hpp"

#include <utility>

#include "logger/logger.hpp"

namespace execution {

void install_result(handle::statement& stmt, result_table table, std::int64_t row_count, cursor_placement placement) {
    // The new table goes in before the old one is released, so text views never dangle.
    stmt.result = std::move(table);
    stmt.result_text.clear();
    stmt.row_count = row_count;
    if (placement == cursor_placement::before_first_row) close_cursor(stmt);
    stmt.get_data.reset();
}

void clear_result(handle::statement& stmt) { release_result(stmt); }

void release_result(handle::statement& stmt) noexcept {
    stmt.result = result_table{};
    stmt.result_text.clear();
    stmt.row_count = 0;
    close_cursor(stmt);
}

void close_cursor(handle::statement& stmt) noexcept {
    stmt.current_row = -1;
    stmt.rowset_start = -1;
    stmt.rowset_size = 0;
    stmt.get_data.reset();
}

}  // namespace execution
