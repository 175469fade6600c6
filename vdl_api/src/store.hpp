// An embedded store: one connection to a store file, in write-ahead-log mode so that
// connections on other threads can read while one writes.
#pragma once

#include "failure.hpp"
#include "lang/translator.hpp"
#include "records.hpp"
#include "sqlite_ptr.hpp"
#include "statement_cache.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vdl {

// The engine's connection to `name` with the given open flags and the settings every store
// connection has.
outcome<database_ptr> open_engine(const std::string& name, int flags);

class store {
public:
    // How long a statement waits for another connection's write lock before giving up.
    static constexpr int busy_timeout_ms = 10'000;

    // Opens (creating if missing) the store file at path.
    static outcome<store> open(const std::string& path);

    // Runs a translated statement; the record is empty when it gives no result set.
    outcome<owned_record> execute(const lang::translation& statement);

    // The table's columns in table order; VDL_E_NO_TABLE when there is no such table.
    outcome<owned_record> table_metadata(std::string_view table);

    // Bounds the page cache (0 restores the default) and the threads of one query: the engine's
    // sorting helpers, and the readers of a query that can be read in parts (see read_in_parallel).
    status set_cache_limit(std::uint32_t bytes);
    status set_parallelism(std::uint32_t threads);

    // Groups the statements run until commit() into one transaction (nestable); the
    // destructor rolls back what was not committed.
    class transaction {
    public:
        explicit transaction(store& owner) : owner_(&owner) {}
        transaction(transaction&& other) noexcept : owner_(std::exchange(other.owner_, nullptr)) {}
        transaction& operator=(transaction&&) = delete;
        ~transaction();
        status commit();

    private:
        store* owner_;
    };
    outcome<transaction> begin();

    [[nodiscard]] const std::string& path() const noexcept { return path_; }

    // Stops the statement running on the store's connection (from any thread while it is open):
    // it fails with VDL_E_INTERRUPTED.
    void interrupt() const noexcept;

    // A statement prepared for an engine statement, lent by the store's cache and given back
    // (reset, values unbound) when the lease ends. The engine text it is kept by must outlive it.
    class leased_statement {
    public:
        leased_statement(statement_cache& cache, std::string_view sql, statement_ptr statement,
                         result_layout layout) noexcept
            : cache_(&cache), sql_(sql), statement_(std::move(statement)), layout_(std::move(layout)) {}
        leased_statement(leased_statement&& other) noexcept
            : cache_(std::exchange(other.cache_, nullptr)),
              sql_(other.sql_),
              statement_(std::move(other.statement_)),
              layout_(std::move(other.layout_)) {}
        leased_statement& operator=(leased_statement&&) = delete;
        ~leased_statement() { give_back(); }

        [[nodiscard]] sqlite3_stmt* get() const noexcept { return statement_.get(); }
        // What is known of the statement's results; kept with it in the cache.
        [[nodiscard]] result_layout& layout() noexcept { return layout_; }
        explicit operator bool() const noexcept { return statement_ != nullptr; }
        // Ends the lease early: the statement is reset and kept for the next use of its text.
        void give_back() noexcept;

    private:
        statement_cache* cache_;
        std::string_view sql_;
        statement_ptr statement_;
        result_layout layout_;
    };

private:
    store(database_ptr db, std::string path) : db_(std::move(db)), path_(std::move(path)) {}

    status run(std::string_view sql);
    // Reads a query of one table by `parallelism_` readers at once, each over its own range of the
    // table's rows on a connection of its own, and joins their rows in the order one reader gives.
    // None (and nothing done) when the query or the moment does not allow it; see parallel_read.cpp.
    outcome<std::optional<owned_record>> read_in_parallel(const lang::engine_statement& statement,
                                                          std::span<const lang::select_item> items);
    // The connection of the reader `index`, opened on first use and kept.
    outcome<sqlite3*> reader(std::size_t index);
    outcome<statement_ptr> prepare(std::string_view sql);
    // The statement for the engine statement's text, from the cache or newly prepared, with its
    // values bound to their placeholders.
    outcome<leased_statement> prepare(const lang::engine_statement& statement);

    database_ptr db_;
    std::string path_;
    std::uint32_t parallelism_ = 1;
    std::vector<database_ptr> readers_;  // connections of the readers of read_in_parallel
    statement_cache cache_;              // destroyed before db_, which it prepared on
};

// Binds a translated statement's values to its placeholders ?1 ... ?n; SQLITE_OK or the first
// failure's code.
int bind_values(sqlite3_stmt* handle, const lang::engine_statement& statement);

}  // namespace vdl
