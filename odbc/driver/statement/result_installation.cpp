#include "statement/result_installation.hpp"

#include <utility>

#include "logger/logger.hpp"

namespace execution {

void install_result(handle::statement& stmt, result_table table, std::int64_t row_count, cursor_placement placement) {
    stmt.result.replace(std::move(table), row_count);
    if (placement == cursor_placement::before_first_row) stmt.cursor.close();
    stmt.cursor.get_data.reset();
    report_rows_fetched(stmt);
}

void clear_result(handle::statement& stmt) {
    release_result(stmt);
    report_rows_fetched(stmt);
}

void release_result(handle::statement& stmt) noexcept {
    stmt.result.release();
    stmt.cursor.close();
}

void report_rows_fetched(handle::statement& stmt) {
    if (stmt.cursor.rows_fetched_ptr == nullptr) return;
    *stmt.cursor.rows_fetched_ptr = static_cast<SQLULEN>(stmt.result.row_count);
    log_line(logger::level::debug, "Set row count to {}", stmt.result.row_count);
}

}  // namespace execution
