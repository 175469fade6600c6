#include "statement/result_installation.hpp"

#include <utility>

#include "logger/logger.hpp"

namespace execution {

void install_result(handle::statement& stmt, result_table table, std::int64_t row_count, cursor_placement placement) {
    stmt.result.replace(std::move(table), row_count);
    if (placement == cursor_placement::before_first_row) stmt.cursor.close();
    stmt.cursor.get_data.reset();
}

void clear_result(handle::statement& stmt) { release_result(stmt); }

void release_result(handle::statement& stmt) noexcept {
    stmt.result.release();
    stmt.cursor.close();
}

}  // namespace execution
