#include "statement_cache.hpp"

#include <algorithm>

namespace vdl {

statement_ptr statement_cache::take(std::string_view sql) {
    // The newest entries are the likeliest: search from the back.
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->sql != sql) continue;
        statement_ptr found = std::move(it->statement);
        entries_.erase(std::next(it).base());
        return found;
    }
    return nullptr;
}

void statement_cache::give_back(std::string_view sql, statement_ptr statement) {
    if (!statement || capacity_ == 0) return;
    // A reset statement holds no lock and no read transaction; its step error, if any, was
    // reported already.
    sqlite3_reset(statement.get());
    sqlite3_clear_bindings(statement.get());
    const auto same = std::find_if(entries_.begin(), entries_.end(), [&](const entry& e) { return e.sql == sql; });
    if (same != entries_.end()) entries_.erase(same);
    if (entries_.size() >= capacity_) entries_.erase(entries_.begin());
    entries_.push_back({std::string(sql), std::move(statement)});
}

} // namespace vdl
