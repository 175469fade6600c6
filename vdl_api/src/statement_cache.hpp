// Prepared statements of one store connection kept by their engine text. The translator writes
// every number and timestamp of a query as a placeholder, so a point query repeated with other
// values, or a prepared ODBC statement executed again, has the same engine text and skips the
// engine's prepare.
#pragma once

#include "sqlite_ptr.hpp"

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
    // statement is reset and has no values bound.
    statement_ptr take(std::string_view sql);

    // Keeps a statement for its text, in place of one kept before, dropping the statement used
    // longest ago when the cache is full. The statement is reset and its values unbound first.
    void give_back(std::string_view sql, statement_ptr statement);

    // Finalizes every kept statement.
    void clear() noexcept { entries_.clear(); }

    [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }

private:
    struct entry {
        std::string sql;
        statement_ptr statement;
    };
    std::size_t capacity_;
    std::vector<entry> entries_; // the most recently used last
};

} // namespace vdl
