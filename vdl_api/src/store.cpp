#include "store.hpp"

#include "column_types.hpp"
#include "engine_errors.hpp"
#include "lang/time_functions.hpp"
#include "result_builder.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <type_traits>
#include <variant>

namespace vdl {
namespace {

// The most readers of one query: more only add connections and threads that wait for the disk.
constexpr std::uint32_t most_readers = 16;

// The largest page cache of a connection, in KiB: the engine's default size.
constexpr std::int64_t largest_cache_kib = 2000;

}  // namespace

// The engine's connection to `name` with the given open flags and the settings every store
// connection has.
outcome<database_ptr> open_engine(const std::string& name, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE, nullptr);
    database_ptr db(raw);
    if (rc != SQLITE_OK) {
        const char* reason = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
        return failure{rc == SQLITE_NOMEM ? VDL_E_OUT_OF_MEMORY : VDL_E_STORE_OPEN,
                       fmt::format("{}: {}", name, reason)};
    }
    // Queries cannot alter the store's schema tables directly, double-quoted text is
    // always an identifier (never silently a string), and the schema runs no functions
    // with side effects.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_busy_timeout(db.get(), store::busy_timeout_ms);
    if (!lang::register_time_functions(db.get()))
        return failure{VDL_E_STORE_OPEN, fmt::format("{}: {}", name, sqlite3_errmsg(db.get()))};
    return db;
}

namespace {

// Steps a statement to its end, reading no rows.
status step_through(sqlite3* db, sqlite3_stmt* statement) {
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) return engine_failure(db, rc);
    return success();
}

// An engine failure with its extended result code, for the caller to decide on.
struct engine_refusal {
    int extended;
    std::string detail;
};

// Reads the schema, which proves that the file is a store and can be read.
std::optional<engine_refusal> read_schema(sqlite3* db) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_schema", -1, &raw, nullptr);
    statement_ptr statement(raw);
    if (rc == SQLITE_OK) rc = sqlite3_step(statement.get());
    if (rc == SQLITE_ROW) return std::nullopt;
    return engine_refusal{sqlite3_extended_errcode(db) & 0xFF, sqlite3_errmsg(db)};
}

// The engine's file URI naming `path` as a file nobody changes while it is open.
std::string immutable_uri(const std::string& path) {
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '?' || c == '#' || byte < 0x21 || byte > 0x7E) uri += fmt::format("%{:02X}", byte);
        else uri += c;
    }
    return uri + "?immutable=1";
}

bool only_space(const char* text) noexcept {
    for (; *text != '\0'; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r' && *text != ';') return false;
    return true;
}

}  // namespace

outcome<store> store::open(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return failure{VDL_E_STORE_OPEN, fmt::format("{}: is a directory, not a store file", path)};
    auto db = open_engine(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!db) return std::move(db).error();

    // A file or file system that refuses writing makes the engine fall back to reading only:
    // such a store is opened for queries, and writes fail naming the reason.
    if (sqlite3_db_readonly(db->get(), "main") == 1) {
        auto refused = read_schema(db->get());
        if (refused && refused->extended == SQLITE_CANTOPEN) {
            // A write-ahead-log store needs a shared-memory file beside it, which a read-only
            // directory or file system cannot take: nobody can change such a store, so it is
            // read as an unchanging file.
            db = open_engine(immutable_uri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
            if (!db) return std::move(db).error();
            refused = read_schema(db->get());
        }
        if (refused)
            return failure{VDL_E_STORE_OPEN, fmt::format("{}: {} (opened for reading only: the file or its file "
                                                         "system does not allow writing)",
                                                         path, refused->detail)};
        return store(std::move(db).value(), path);
    }

    store opened(std::move(db).value(), path);
    // Reading the journal mode also proves that the file is a store.
    auto mode = opened.prepare("PRAGMA journal_mode = WAL");
    if (!mode) return failure{VDL_E_STORE_OPEN, fmt::format("{}: {}", path, mode.error().detail)};
    const int step = sqlite3_step(mode->get());
    if (step != SQLITE_ROW)
        return failure{VDL_E_STORE_OPEN, fmt::format("{}: {}", path, engine_failure(opened.db_.get(), step).detail)};
    return opened;
}

outcome<statement_ptr> store::prepare(std::string_view sql) {
    if (sql.size() >= INT_MAX) return failure{VDL_E_QUERY, "the statement is too long"};
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db_.get(), sql.data(), static_cast<int>(sql.size()), 0, &raw, &tail);
    statement_ptr statement(raw);
    if (rc != SQLITE_OK) return engine_failure(db_.get(), rc);
    // The translator hands over one statement; refuse anything the engine would see
    // as a second one rather than silently skip it.
    const std::string rest(tail, sql.data() + sql.size());
    if (!only_space(rest.c_str()))
        return failure{VDL_E_SYNTAX, fmt::format("one statement per query: unexpected '{}'", rest)};
    return statement;
}

outcome<store::leased_statement> store::prepare(const lang::engine_statement& statement) {
    const int most = sqlite3_limit(db_.get(), SQLITE_LIMIT_VARIABLE_NUMBER, -1);
    if (statement.values.size() > static_cast<std::size_t>(most))
        return failure{VDL_E_QUERY, fmt::format("the statement holds {} numbers and timestamps; one statement can "
                                                "hold at most {}: split it",
                                                statement.values.size(), most)};
    result_layout layout;
    statement_ptr kept = cache_.take(statement.sql, &layout);
    if (!kept) {
        auto prepared = prepare(statement.sql);
        if (!prepared) return std::move(prepared).error();
        kept = std::move(prepared).value();
    }
    leased_statement lease(cache_, statement.sql, std::move(kept), std::move(layout));
    sqlite3_stmt* handle = lease.get();
    if (handle == nullptr) return lease;
    if (const int rc = bind_values(handle, statement); rc != SQLITE_OK) return engine_failure(db_.get(), rc);
    return lease;
}

int bind_values(sqlite3_stmt* handle, const lang::engine_statement& statement) {
    for (std::size_t i = 0; i < statement.values.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        const int rc = std::visit(
            [&](auto value) {
                if constexpr (std::is_same_v<decltype(value), double>) return sqlite3_bind_double(handle, index, value);
                else return sqlite3_bind_int64(handle, index, value);
            },
            statement.values[i]);
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

void store::leased_statement::give_back() noexcept {
    statement_cache* cache = std::exchange(cache_, nullptr);
    if (cache == nullptr || !statement_) return;
    try {
        cache->give_back(sql_, std::move(statement_), std::move(layout_));
    } catch (...) {
        // Without memory to keep it, the statement is finalized and prepared again next time.
    }
    statement_.reset();
}

status store::run(std::string_view sql) {
    auto statement = prepare(sql);
    if (!statement) return std::move(statement).error();
    if (!*statement) return success();
    return step_through(db_.get(), statement->get());
}

outcome<owned_record> store::execute(const lang::translation& translated) {
    if (translated.statements.empty()) return owned_record{};
    std::optional<transaction> group;
    if (translated.statements.size() > 1) {
        auto started = begin();
        if (!started) return std::move(started).error();
        group.emplace(std::move(started).value());
        for (std::size_t i = 0; i + 1 < translated.statements.size(); ++i) {
            auto prepared = prepare(translated.statements[i]);
            if (!prepared) return std::move(prepared).error();
            if (*prepared)
                if (auto done = step_through(db_.get(), prepared->get()); !done) return std::move(done).error();
        }
    }
    const auto& statement = translated.statements.back();
    if (!group && parallelism_ > 1 && translated.kind == lang::statement_kind::query) {
        auto parallel = read_in_parallel(statement, translated.items);
        if (!parallel) return std::move(parallel).error();
        if (*parallel) return std::move(**parallel);
    }
    auto prepared = prepare(statement);
    if (!prepared) return std::move(prepared).error();
    owned_record result;
    if (*prepared) {
        sqlite3_stmt* handle = prepared->get();
        // The columns are read after the first step: a kept statement whose tables changed
        // since it was prepared is prepared again by that step, and only then describes them.
        const int first = sqlite3_step(handle);
        if (first != SQLITE_ROW && first != SQLITE_DONE) return engine_failure(db_.get(), first);
        const int columns = sqlite3_column_count(handle);
        if (columns > 0) {
            auto built = build_result(db_.get(), handle, first, translated.items, statement, &prepared->layout());
            if (!built) return std::move(built).error();
            result = std::move(built).value();
        } else if (first == SQLITE_ROW) {
            if (auto done = step_through(db_.get(), handle); !done) return std::move(done).error();
        }
    }
    prepared->give_back();
    if (group)
        if (auto committed = group->commit(); !committed) return std::move(committed).error();
    return result;
}

outcome<owned_record> store::table_metadata(std::string_view table) {
    auto statement = prepare("SELECT name, type, \"notnull\" FROM pragma_table_info(?1) ORDER BY cid");
    if (!statement) return std::move(statement).error();
    sqlite3_stmt* handle = statement->get();
    if (sqlite3_bind_text(handle, 1, table.data(), static_cast<int>(table.size()), SQLITE_STATIC) != SQLITE_OK)
        return engine_failure(db_.get(), sqlite3_errcode(db_.get()));
    // The texts are copied into the record before the statement moves on.
    std::vector<std::string> names;
    std::vector<std::string> types;
    std::vector<bool> not_null;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(handle)) == SQLITE_ROW) {
        const auto* name = sqlite3_column_text(handle, 0);
        const auto* type = sqlite3_column_text(handle, 1);
        names.emplace_back(name != nullptr ? reinterpret_cast<const char*>(name) : "");
        types.emplace_back(type != nullptr ? reinterpret_cast<const char*>(type) : "");
        not_null.push_back(sqlite3_column_int(handle, 2) != 0);
    }
    if (rc != SQLITE_DONE) return engine_failure(db_.get(), rc);
    if (names.empty()) return failure{VDL_E_NO_TABLE, std::string(table)};
    std::vector<column_description> columns;
    columns.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) columns.push_back({names[i], types[i], not_null[i]});
    return build_metadata(columns);
}

outcome<std::int64_t> store::schema_version() {
    // Kept in the statement cache like any engine statement: read before every query that compares
    // a text with a column.
    const lang::engine_statement pragma{"PRAGMA schema_version", {}, {}};
    auto statement = prepare(pragma);
    if (!statement) return std::move(statement).error();
    const int rc = sqlite3_step(statement->get());
    if (rc != SQLITE_ROW) return engine_failure(db_.get(), rc);
    return static_cast<std::int64_t>(sqlite3_column_int64(statement->get(), 0));
}

outcome<const lang::table_columns*> store::columns(std::string_view table, std::int64_t version) {
    // More tables than one statement names; beyond it the kept ones are forgotten and read again.
    constexpr std::size_t most_kept = 256;
    if (version != kept_version_) {
        kept_columns_.clear();
        kept_version_ = version;
    }
    std::string key(table);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (const auto found = kept_columns_.find(key); found != kept_columns_.end()) return &found->second;

    auto statement = prepare("SELECT name, type FROM pragma_table_info(?1) ORDER BY cid");
    if (!statement) return std::move(statement).error();
    sqlite3_stmt* handle = statement->get();
    if (sqlite3_bind_text(handle, 1, table.data(), static_cast<int>(table.size()), SQLITE_STATIC) != SQLITE_OK)
        return engine_failure(db_.get(), sqlite3_errcode(db_.get()));
    lang::table_columns read;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(handle)) == SQLITE_ROW) {
        const auto* name = sqlite3_column_text(handle, 0);
        const auto* type = sqlite3_column_text(handle, 1);
        const column_type declared =
            type != nullptr ? type_from_declared(reinterpret_cast<const char*>(type)) : column_type::string;
        read.push_back(
            {name != nullptr ? reinterpret_cast<const char*>(name) : "", declared == column_type::timestamp, declared});
    }
    if (rc != SQLITE_DONE) return engine_failure(db_.get(), rc);
    if (kept_columns_.size() >= most_kept) kept_columns_.clear();
    return &kept_columns_.emplace(std::move(key), std::move(read)).first->second;
}

status store::set_cache_limit(std::uint32_t bytes) {
    // A negative cache_size is a limit in KiB; -2000 (about 2 MB) is the engine's default. The
    // cache saves only the reading of pages that the operating system keeps cached as well, and
    // results live in their records, not in it: a cache as large as the bound would hold a copy
    // of every page a scan passed (a 128 MiB bound, the whole of a 100 MiB store) and speed up
    // nothing (point queries were measured as fast with the default size). So the bound lowers
    // the cache but never raises it above the engine's default.
    const std::int64_t kib =
        bytes == 0 ? largest_cache_kib : std::clamp<std::int64_t>(bytes / 1024, 64, largest_cache_kib);
    return run(fmt::format("PRAGMA cache_size = -{}", kib));
}

status store::set_parallelism(std::uint32_t threads) {
    parallelism_ = std::clamp<std::uint32_t>(threads, 1, most_readers);
    // The engine counts helper threads besides the calling one.
    return run(fmt::format("PRAGMA threads = {}", threads > 1 ? threads - 1 : 0));
}

outcome<store::transaction> store::begin() {
    if (auto started = run("SAVEPOINT vdl_group"); !started) return std::move(started).error();
    return transaction(*this);
}

status store::transaction::commit() {
    store* owner = std::exchange(owner_, nullptr);
    if (owner == nullptr) return success();
    if (auto released = owner->run("RELEASE vdl_group"); !released) {
        owner_ = owner;  // still open: the destructor rolls it back
        return released;
    }
    return success();
}

store::transaction::~transaction() {
    if (owner_ == nullptr) return;
    // Failures here leave nothing to report to: the group is abandoned either way.
    (void)owner_->run("ROLLBACK TO vdl_group");
    (void)owner_->run("RELEASE vdl_group");
}

void store::interrupt() const noexcept { sqlite3_interrupt(db_.get()); }

}  // namespace vdl
