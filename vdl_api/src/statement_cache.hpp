// Prepared statements of one store connection kept by their engine text. The translator writes
// every number and timestamp of a query as a placeholder, so a point query repeated with other
// values, or a prepared ODBC statement executed again, has the same engine text and skips the
// engine's prepare.
#pragma once

#include "result_layout.hpp"
#include "sqlite_ptr.hpp"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vdl {

class statement_cache {
public:
    static constexpr std::size_t default_capacity = 32;

    explicit statement_cache(std::size_t capacity = default_capacity) : capacity_(capacity) {}

    // Takes the statement kept for the text out of the cache; null when none is kept. The
    // statement is reset and has no values bound. With `layout`, what is known of the
    // statement's results goes with it.
    statement_ptr take(std::string_view sql, result_layout* layout = nullptr);

    // Keeps a statement for its text, with what is known of its results, in place of one kept
    // before, dropping the statement used longest ago when the cache is full. The statement is
    // reset and its values unbound first.
    void give_back(std::string_view sql, statement_ptr statement, result_layout layout = {});

    // Finalizes every kept statement.
    void clear() noexcept { entries_.clear(); }

    // The statements kept (not lent out).
    [[nodiscard]] std::size_t size() const noexcept {
        return static_cast<std::size_t>(
            std::count_if(entries_.begin(), entries_.end(), [](const entry& e) { return e.statement != nullptr; }));
    }

private:
    struct entry {
        std::string sql;
        statement_ptr statement;
        result_layout layout;
    };
    std::size_t capacity_;
    std::vector<entry> entries_;  // the most recently used last; a lent statement leaves its entry empty
};

}  // namespace vdl
