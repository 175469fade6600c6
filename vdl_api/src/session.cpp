#include "session.hpp"

#include "lang/translator.hpp"
#include "uri.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

#include <chrono>
#include <optional>

namespace vdl {
namespace {

// The admission check of a store. Embedded stores are not secured yet: they admit
// everyone and record who connected. A secured store will verify the credentials here.
outcome<std::string> admit(const store&, const credentials& given) { return given.user_name; }

// The store's schema as one query sees it: its version is read once, when first needed, and the
// columns are those of that version.
class query_schema final : public lang::schema_source {
public:
    explicit query_schema(store& target) : store_(target) {}

    outcome<std::int64_t> version() override {
        if (!version_) {
            auto read = store_.schema_version();
            if (!read) return std::move(read).error();
            version_ = *read;
        }
        return *version_;
    }

    outcome<const lang::table_columns*> columns(std::string_view table) override {
        auto current = version();
        if (!current) return std::move(current).error();
        return store_.columns(table, *current);
    }

private:
    store& store_;
    std::optional<std::int64_t> version_;
};

std::int64_t now_nanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

status session::set_user_credentials(std::string_view user_name, std::string_view private_key) {
    credentials_.user_name = user_name;
    credentials_.user_private_key = private_key;
    return success();
}

status session::set_cluster_public_key(std::string_view public_key) {
    credentials_.cluster_public_key = public_key;
    return success();
}

status session::set_max_in_buf_size(std::uint32_t bytes) {
    max_in_buf_size_ = bytes;
    return store_ ? store_->set_cache_limit(bytes) : success();
}

status session::set_max_parallelism(std::uint32_t count) {
    max_parallelism_ = count;
    return store_ ? store_->set_parallelism(count) : success();
}

status session::connect(std::string_view uri) {
    if (store_) return failure{VDL_E_ALREADY_CONNECTED, fmt::format("close the handle before connecting to {}", uri)};
    auto where = parse_uri(uri);
    if (!where) return std::move(where).error();
    if (const auto* cluster = std::get_if<cluster_address>(&*where))
        return failure{VDL_E_CONNECTION,
                       fmt::format("no cluster answers at {} (host {}, port {}): this library has no network "
                                   "transport; open an embedded store with a file: URI instead",
                                   uri, cluster->host, cluster->port)};

    auto opened = store::open(std::get<store_location>(*where).path);
    if (!opened) return std::move(opened).error();
    auto admitted = admit(*opened, credentials_);
    if (!admitted) return std::move(admitted).error();
    if (auto applied = opened->set_cache_limit(max_in_buf_size_); !applied) return applied;
    if (auto applied = opened->set_parallelism(max_parallelism_); !applied) return applied;
    store_.emplace(std::move(opened).value());
    interruptible_.store(&*store_, std::memory_order_release);
    user_ = std::move(admitted).value();
    return success();
}

void session::interrupt() const noexcept {
    if (const store* running = interruptible_.load(std::memory_order_acquire)) running->interrupt();
}

outcome<store*> session::connected_store() {
    if (!store_) return failure{VDL_E_NOT_CONNECTED, "call vdl_connect first"};
    return &*store_;
}

outcome<owned_record> session::query(std::string_view text) {
    const std::scoped_lock turn(queries_);
    auto target = connected_store();
    if (!target) return std::move(target).error();
    query_schema schema(**target);
    auto translated = translations_.translate(text, now_nanoseconds, &schema);
    if (!translated) return std::move(translated).error();
    return (*target)->execute(**translated);
}

outcome<owned_record> session::metadata(std::string_view table) {
    const std::scoped_lock turn(queries_);
    auto target = connected_store();
    if (!target) return std::move(target).error();
    return (*target)->table_metadata(table);
}

outcome<store::transaction> session::begin() {
    auto target = connected_store();
    if (!target) return std::move(target).error();
    return (*target)->begin();
}

}  // namespace vdl
