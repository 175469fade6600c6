// An embedded store: one connection to a store file, in write-ahead-log mode so that
// connections on other threads can read while one writes.
#pragma once

#include "failure.hpp"
#include "lang/translator.hpp"
#include "records.hpp"
#include "sqlite_ptr.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vdl {

class store {
public:
    // Opens (creating if missing) the store file at path.
    static outcome<store> open(const std::string& path);

    // Runs a translated statement; the record is empty when it gives no result set.
    outcome<owned_record> execute(const lang::translation& statement);

    // The table's columns in table order; VDL_E_NO_TABLE when there is no such table.
    outcome<owned_record> table_metadata(std::string_view table);

    // Bounds the page cache (0 restores the default) and the sorting helper threads.
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

private:
    store(database_ptr db, std::string path) : db_(std::move(db)), path_(std::move(path)) {}

    status run(std::string_view sql);
    outcome<statement_ptr> prepare(std::string_view sql);
    // Prepares the statement's text and binds its values to their placeholders. The text holds
    // no values, so a cache of prepared statements would be keyed by it here.
    outcome<statement_ptr> prepare(const lang::engine_statement& statement);

    database_ptr db_;
    std::string path_;
};

} // namespace vdl
