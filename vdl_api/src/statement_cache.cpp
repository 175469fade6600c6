#include "statement_cache.hpp"

#include <algorithm>

namespace vdl {

statement_ptr statement_cache::take(std::string_view sql, result_layout* layout) {
    // The newest entries are the likeliest: search from the back. The entry stays, empty, for
    // the statement to come back to: its text is not copied again on every use.
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (!it->statement || it->sql != sql) continue;
        std::rotate(std::next(it).base(), std::next(it).base() + 1, entries_.end());  // now the newest
        if (layout != nullptr) *layout = std::move(entries_.back().layout);
        return std::move(entries_.back().statement);
    }
    return nullptr;
}

void statement_cache::give_back(std::string_view sql, statement_ptr statement, result_layout layout) {
    if (!statement || capacity_ == 0) return;
    // A reset statement holds no lock and no read transaction; its step error, if any, was
    // reported already.
    sqlite3_reset(statement.get());
    sqlite3_clear_bindings(statement.get());
    // The entry it was taken from, else one kept for the same text (a second statement of the
    // text, prepared while the first was out), which it replaces.
    auto same =
        std::find_if(entries_.rbegin(), entries_.rend(), [&](const entry& e) { return !e.statement && e.sql == sql; });
    if (same == entries_.rend())
        same = std::find_if(entries_.rbegin(), entries_.rend(), [&](const entry& e) { return e.sql == sql; });
    if (same != entries_.rend()) {
        same->statement = std::move(statement);
        same->layout = std::move(layout);
        return;
    }
    if (entries_.size() >= capacity_) entries_.erase(entries_.begin());
    entries_.push_back({std::string(sql), std::move(statement), std::move(layout)});
}

}  // namespace vdl
