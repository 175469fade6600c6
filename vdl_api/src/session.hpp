// What a vdl_handle holds: the options set before connecting and, once connected, the
// embedded store.
#pragma once

#include "credentials.hpp"
#include "failure.hpp"
#include "lang/translation_cache.hpp"
#include "records.hpp"
#include "store.hpp"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vdl {

class session {
public:
    status set_user_credentials(std::string_view user_name, std::string_view private_key);
    status set_cluster_public_key(std::string_view public_key);
    status set_max_in_buf_size(std::uint32_t bytes);
    // The most threads of one query: the engine's sorting helpers, and the readers of a query of
    // one table with at most a WHERE, read in parts over its rowids (store::read_in_parallel).
    status set_max_parallelism(std::uint32_t count);

    status connect(std::string_view uri);
    [[nodiscard]] bool connected() const noexcept { return store_.has_value(); }

    outcome<owned_record> query(std::string_view text);
    outcome<owned_record> metadata(std::string_view table);

    // Stops the query or metadata read running on the session in another thread (VDL_E_INTERRUPTED);
    // nothing when none runs or the session is not connected.
    void interrupt() const noexcept;

    // Runs the statements issued until the transaction commits as one unit (bulk loads).
    outcome<store::transaction> begin();

    // The user name the store accepted at connect; empty for an unsecured connection.
    [[nodiscard]] const std::string& user() const noexcept { return user_; }

private:
    outcome<store*> connected_store();

    credentials credentials_;
    std::uint32_t max_in_buf_size_ = 0;
    std::uint32_t max_parallelism_ = 1;
    std::optional<store> store_;
    // The store once connected, for interrupt(), which other threads call while a query holds
    // `queries_`: connect publishes it, and the store lives as long as the session.
    std::atomic<const store*> interruptible_{nullptr};
    // Queries of one handle from several threads (two ODBC statements of one connection) take
    // turns: the store's kept statements and the translations are the handle's, not the thread's.
    std::mutex queries_;
    lang::translation_cache translations_;
    std::string user_;
};

}  // namespace vdl
