// Reading one query by several readers at once: each reader steps the query over its own range of
// the table's rowids on a connection of its own, building its own part of the result; the parts are
// joined in rowid order, which is the order a single reader's scan of the table gives.
#include "engine_errors.hpp"
#include "result_builder.hpp"
#include "split_scan.hpp"
#include "store.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

#include <cstring>
#include <exception>
#include <latch>
#include <limits>
#include <thread>
#include <type_traits>
#include <variant>

namespace vdl {
namespace {

// Below this many rowids a table is read by one reader: the readers' threads and statements cost
// more than they save.
constexpr std::int64_t fewest_split_rows = 65'536;

statement_ptr prepare_on(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), 0, &raw, nullptr) != SQLITE_OK)
        sqlite3_finalize(std::exchange(raw, nullptr));
    return statement_ptr(raw);
}

// The details of the engine's plan for the text with the statement's values; none when it cannot
// be planned.
std::optional<std::vector<std::string>> plan_of(sqlite3* db, const std::string& sql,
                                                const lang::engine_statement& statement) {
    auto explain = prepare_on(db, "EXPLAIN QUERY PLAN " + sql);
    if (!explain || bind_values(explain.get(), statement) != SQLITE_OK) return std::nullopt;
    std::vector<std::string> details;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(explain.get())) == SQLITE_ROW) {
        const auto* detail = sqlite3_column_text(explain.get(), 3);
        details.emplace_back(detail != nullptr ? reinterpret_cast<const char*>(detail) : "");
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return details;
}

// One step of the plan, reading the table in rowid order: `SCAN t` for the whole query, a search by
// the rowid for a reader's piece. An index, a sort or any second step would change the order.
bool rowid_order(const std::optional<std::vector<std::string>>& plan, bool piece) {
    if (!plan || plan->size() != 1) return false;
    const std::string& step = plan->front();
    if (step.find("INDEX") != std::string::npos && step.find("INTEGER PRIMARY KEY") == std::string::npos) return false;
    if (piece) return step.starts_with("SEARCH ") && step.find("INTEGER PRIMARY KEY") != std::string::npos;
    return step.starts_with("SCAN ") && step.find("VIRTUAL") == std::string::npos;
}

// The smallest and largest rowid of the table; none for an empty table or a failure.
std::optional<std::pair<std::int64_t, std::int64_t>> rowid_bounds(sqlite3* db, const std::string& table) {
    // One aggregate per query: the engine finds a lone min or max of the rowid at one end of the
    // table, but steps through every row for the two together.
    auto bounds =
        prepare_on(db, fmt::format("SELECT (SELECT min(_rowid_) FROM {0}), (SELECT max(_rowid_) FROM {0})", table));
    if (!bounds || sqlite3_step(bounds.get()) != SQLITE_ROW || sqlite3_column_type(bounds.get(), 0) == SQLITE_NULL)
        return std::nullopt;
    return std::pair{sqlite3_column_int64(bounds.get(), 0), sqlite3_column_int64(bounds.get(), 1)};
}

// The first rowid of part `index` of `parts` about equal parts of [low, high], which is split only
// when far wider than the number of parts.
std::int64_t part_start(std::int64_t low, std::int64_t high, std::size_t index, std::size_t parts) {
    // The width as unsigned, which holds any span of 64-bit rowids.
    const auto width = static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low);
    const std::uint64_t step = width / parts + 1;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(low) + step * index);
}

// One reader's part: its statement, and what it read.
struct part {
    sqlite3* db = nullptr;
    statement_ptr statement;
    int first = SQLITE_OK;  // the first step's answer
    std::optional<outcome<owned_record>> built;
    std::vector<unsigned> kinds;
};

// Steps a part's statement to its end into its own record. The first step is taken before
// `started` is counted down (whatever happens): from then on the reader holds its view of the store.
void read_part(part& p, std::latch& started, std::span<const lang::select_item> items,
               const lang::engine_statement& source) {
    bool counted = false;
    try {
        p.first = sqlite3_step(p.statement.get());
        started.count_down();
        counted = true;
        if (p.first != SQLITE_ROW && p.first != SQLITE_DONE) {
            p.built.emplace(engine_failure(p.db, p.first));
            return;
        }
        p.built.emplace(build_result(p.db, p.statement.get(), p.first, items, source, nullptr, &p.kinds));
    } catch (const std::bad_alloc&) {
        p.built.emplace(failure{VDL_E_OUT_OF_MEMORY, "the library ran out of memory"});
    } catch (const std::exception& unexpected) {
        p.built.emplace(failure{VDL_E_INTERNAL, unexpected.what()});
    }
    if (!counted) started.count_down();
    sqlite3_reset(p.statement.get());
}

// The parts' records joined into one: the rows of each part after those of the one before, the
// columns given one kind each over all the rows, and the parts' memory held by the joined record.
outcome<owned_record> join(std::vector<part>& parts) {
    std::uint64_t total = 0;
    for (auto& p : parts) {
        if (!p.built || !*p.built) return std::move(*p.built).error();
        total += static_cast<const vdl_result*>((*p.built)->record)->row_count;
    }
    if (total > std::numeric_limits<std::uint32_t>::max())
        return failure{VDL_E_RESULT_TOO_LARGE,
                       fmt::format("the result has more than {} rows; narrow the query or add a LIMIT",
                                   std::numeric_limits<std::uint32_t>::max())};
    owned_record out{std::make_unique<arena>()};
    arena& memory = *out.memory;
    auto* record = memory.make_zeroed<vdl_result>();
    const auto* first = static_cast<const vdl_result*>((*parts.front().built)->record);
    record->names = first->names;
    record->column_count = first->column_count;
    record->row_count = static_cast<std::uint32_t>(total);
    record->rows = memory.make_filled<vdl_cell*>(total, nullptr);
    std::vector<unsigned> kinds(first->column_count, 0u);
    std::size_t at = 0;
    for (auto& p : parts) {
        const auto* piece = static_cast<const vdl_result*>((*p.built)->record);
        if (piece->row_count != 0) std::memcpy(record->rows + at, piece->rows, piece->row_count * sizeof(vdl_cell*));
        at += piece->row_count;
        for (std::size_t c = 0; c < kinds.size() && c < p.kinds.size(); ++c) kinds[c] |= p.kinds[c];
        memory.adopt(std::move((*p.built)->memory));
    }
    unify_columns(memory, {record->rows, total}, kinds);
    out.record = record;
    return out;
}

}  // namespace

outcome<sqlite3*> store::reader(std::size_t index) {
    while (readers_.size() <= index) {
        auto opened = open_engine(path_, SQLITE_OPEN_READWRITE);
        if (!opened) return std::move(opened).error();
        readers_.push_back(std::move(opened).value());
    }
    return readers_[index].get();
}

outcome<std::optional<owned_record>> store::read_in_parallel(const lang::engine_statement& statement,
                                                             std::span<const lang::select_item> items) {
    // The answer "read it with one reader".
    const auto read_alone = [] { return outcome<std::optional<owned_record>>(std::optional<owned_record>{}); };
    // Inside a transaction of this connection the other connections would not see its changes.
    if (sqlite3_get_autocommit(db_.get()) == 0 || sqlite3_db_readonly(db_.get(), "main") != 0) return read_alone();
    const auto split = plan_split(statement.sql);
    if (!split || !rowid_order(plan_of(db_.get(), statement.sql, statement), false)) return read_alone();
    const auto estimate = rowid_bounds(db_.get(), split->table);
    if (!estimate || estimate->second - estimate->first < fewest_split_rows) return read_alone();

    const std::size_t count = parallelism_;
    const int range_placeholder = static_cast<int>(statement.values.size()) + 1;
    const std::string piece = split->piece(range_placeholder);
    std::vector<part> parts(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto db = reader(i);
        if (!db) return read_alone();
        parts[i].db = *db;
        if (i == 0 && !rowid_order(plan_of(*db, piece, statement), true)) return read_alone();
        parts[i].statement = prepare_on(*db, piece);
        if (!parts[i].statement || bind_values(parts[i].statement.get(), statement) != SQLITE_OK) return read_alone();
    }

    // The write lock is held while the readers take their first steps, so that no change lands
    // between them: every reader sees the store as it was when the bounds were read. Another
    // writer holding the lock makes this query read alone rather than wait.
    sqlite3_busy_timeout(db_.get(), 0);
    const int locked = sqlite3_exec(db_.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db_.get(), store::busy_timeout_ms);
    if (locked != SQLITE_OK) return read_alone();
    const auto bounds = rowid_bounds(db_.get(), split->table);
    if (!bounds) {
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        return read_alone();
    }
    for (std::size_t i = 0; i < count; ++i) {
        sqlite3_stmt* handle = parts[i].statement.get();
        sqlite3_bind_int64(handle, range_placeholder, part_start(bounds->first, bounds->second, i, count));
        const bool last = i + 1 == count;
        sqlite3_bind_int64(handle, range_placeholder + 1,
                           last ? bounds->second : part_start(bounds->first, bounds->second, i + 1, count) - 1);
    }
    std::latch started(static_cast<std::ptrdiff_t>(count));
    std::vector<std::jthread> helpers;
    helpers.reserve(count - 1);
    try {
        for (std::size_t i = 1; i < count; ++i)
            helpers.emplace_back([&, i] { read_part(parts[i], started, items, statement); });
    } catch (...) {
        // The parts left without a thread fail the query.
        for (std::size_t i = helpers.size() + 1; i < count; ++i) {
            parts[i].built.emplace(failure{VDL_E_OUT_OF_MEMORY, "no thread could be started for a reader"});
            started.count_down();
        }
    }
    // The first part's first step is taken here, then the lock is given up once every reader holds
    // its view.
    part& own = parts.front();
    own.first = sqlite3_step(own.statement.get());
    started.count_down();
    started.wait();
    sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    if (own.first != SQLITE_ROW && own.first != SQLITE_DONE) {
        own.built.emplace(engine_failure(own.db, own.first));
    } else {
        try {
            own.built.emplace(
                build_result(own.db, own.statement.get(), own.first, items, statement, nullptr, &own.kinds));
        } catch (...) {
            for (auto& helper : helpers) helper.join();
            throw;
        }
    }
    sqlite3_reset(own.statement.get());
    for (auto& helper : helpers) helper.join();
    auto joined = join(parts);
    if (!joined) return std::move(joined).error();
    return std::optional<owned_record>(std::move(joined).value());
}

}  // namespace vdl
