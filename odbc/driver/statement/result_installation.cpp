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
    report_rows_fetched(stmt);
}

void clear_result(handle::statement& stmt) {
    release_result(stmt);
    report_rows_fetched(stmt);
}

void release_result(handle::statement& stmt) noexcept {
    stmt.result = result_table{};
    stmt.result_text.clear();
    stmt.row_count = 0;
    close_cursor(stmt);
}

void report_rows_fetched(handle::statement& stmt) {
    if (stmt.rows_fetched_ptr == nullptr) return;
    *stmt.rows_fetched_ptr = static_cast<SQLULEN>(stmt.row_count);
    log_line(logger::level::debug, "Set row count to {}", stmt.row_count);
}

void close_cursor(handle::statement& stmt) noexcept {
    stmt.current_row = -1;
    stmt.rowset_start = -1;
    stmt.rowset_size = 0;
    stmt.get_data.reset();
}

}  // namespace execution
