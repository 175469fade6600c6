#include "connection/connect.hpp"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include "connection/data_source.hpp"
#include "connection/log_settings.hpp"
#include "connection/output_connection_string.hpp"
#include "connection/secret_masking.hpp"
#include "connection/setting_numbers.hpp"
#include "connection/settings_parser.hpp"
#include "diagnostics/copy_out_string.hpp"
#include "logger/logger.hpp"
#include "statement/result_installation.hpp"
#include "vdl_api.h"

namespace connection_ops {

namespace {

using logger::level;

// The setting `key` as a zero-terminated text for the client library; empty when absent.
const std::string& text_of(const connection_settings& s, std::string_view key) {
    static const std::string empty;
    const auto it = s.find(key);
    return it == s.end() ? empty : it->second;
}

void log_connection_info(const connection_settings& s) {
    log_line(level::info, "connection info:");
    log_line(level::info, "\ttime: {:%F %T}", fmt::localtime(std::time(nullptr)));
    for (const auto& [key, value] : s) log_line(level::info, "\t{}: {}", key, settings::masked_value(key, value));
}

// Lets go of the cluster handle. Statements still allocated on the connection hold a copy of
// it: they are detached first, so that none of them can use the handle once it is closed, and
// their results (the tables and the library results they view into) are released with it. Each
// statement is locked while it is detached, so that a fetch in progress on another thread
// finishes first; statement operations take no connection lock, so this order cannot deadlock.
void close_cluster(handle::connection& dbc) noexcept {
    dbc.children.for_each([](variant_handle& child) {
        if (auto* stmt = child.get_if<handle::statement>()) {
            const std::scoped_lock held(stmt->lock);
            stmt->cluster = nullptr;
            stmt->client_turns = nullptr;
            execution::release_result(*stmt);
        }
    });
    dbc.cluster.close();
}

// The connect shared by SQLConnect and SQLDriverConnect. The handle opened here is closed
// again on every failure, exceptions included; only a successful connect keeps it.
diag_record connect_to_cluster(handle::connection& dbc, connection_settings merged) {
    if (dbc.cluster != nullptr) close_cluster(dbc);  // a second connect replaces the first
    dbc.settings = std::move(merged);
    const connection_settings& s = dbc.settings;
    log_connection_info(s);

    // The client's numbers are read before anything is opened: one that cannot be read connects nothing.
    std::optional<std::uint64_t> size;
    std::optional<std::uint64_t> parallelism;
    for (const auto& [key, number] : {std::pair{"maxinbuffersize", &size}, std::pair{"maxparallelism", &parallelism}}) {
        if (text_of(s, key).empty()) continue;
        auto read = settings::unsigned_setting(s, key);
        if (auto* refusal = std::get_if<diag_record>(&read)) return std::move(*refusal);
        *number = std::get<std::uint64_t>(read);
    }

    const auto uri_entry = s.find("uri");
    const std::string uri = uri_entry != s.end() ? uri_entry->second : std::string(settings::default_uri);

    handle::owned_cluster cluster(vdl_open_tcp());
    if (cluster == nullptr) {
        return diag_record(diag::state::unable_to_connect,
                           fmt::format("could not open tcp while connecting to {}", uri));
    }

    const std::string& uid = text_of(s, "uid");
    const std::string& pwd = text_of(s, "pwd");
    const std::string& key = text_of(s, "key");
    if (!uid.empty() && !pwd.empty() && !key.empty()) {
        dbc.user_name = uid;
        vdl_option_set_user_credentials(cluster.get(), uid.c_str(), pwd.c_str());
        vdl_option_set_cluster_public_key(cluster.get(), key.c_str());
    } else if (uid.empty() && pwd.empty() && key.empty()) {
        log_line(level::info, "connecting to insecure cluster");
    } else {
        return diag_record(diag::state::invalid_authorization,
                           "User, Password and ClusterPublicKey must be set or unset at the same time.");
    }

    // The low 32 bits of each number go to the library.
    if (size) vdl_option_set_client_max_in_buf_size(cluster.get(), static_cast<std::uint32_t>(*size));
    if (parallelism) vdl_option_set_client_max_parallelism(cluster.get(), static_cast<std::uint32_t>(*parallelism));

    const std::uint32_t code = vdl_connect(cluster.get(), uri.c_str());
    if (code != VDL_OK && (code & VDL_FAILURE_MASK) != 0) {
        // The error text is valid only until the next library call: read it before closing.
        const char* reason = vdl_error(code);
        return diag_record(diag::state::unable_to_connect,
                           fmt::format("could not connect to {}, error: {}", uri, reason != nullptr ? reason : ""));
    }
    dbc.cluster = std::move(cluster);
    log_line(level::info, "connected to {}", uri);
    return diag_record::success();
}

}  // namespace

diag_record connect(handle::connection& dbc, std::string_view server_name, std::string_view user_name,
                    std::string_view authentication) {
    connection_settings merged = settings::build_defaults();
    if (auto refusal = settings::apply_log_settings(merged)) return *std::move(refusal);
    log_line(level::debug, "{}", "SQLConnect");
    log_line(level::info, "dsn: {}", server_name);
    settings::read_data_source(server_name, merged);
    // Reopen the log where the data source wants it.
    logger::instance().close_file();
    if (auto refusal = settings::apply_log_settings(merged)) return *std::move(refusal);
    // The data source connected to is the one named, whatever its section says.
    if (!server_name.empty()) merged.insert_or_assign("dsn", std::string(server_name));
    merged.insert_or_assign("uid", std::string(user_name));
    merged.insert_or_assign("pwd", std::string(authentication));
    dbc.data_source.assign(server_name);
    return connect_to_cluster(dbc, std::move(merged));
}

diag_record driver_connect(handle::connection& dbc, SQLHWND, std::string_view connection_string,
                           SQLCHAR* out_connection_string, SQLSMALLINT out_buffer_length, SQLSMALLINT* out_length,
                           SQLUSMALLINT) {
    connection_settings merged = settings::parse_connection_string(connection_string, ';');
    if (auto refusal = settings::apply_log_settings(merged)) return *std::move(refusal);
    log_line(level::debug, "{}", "SQLDriverConnect");
    log_line(level::info, "connection string: {}", settings::masked_connection_string(connection_string, ';'));
    copy_out_string(settings::output_connection_string(merged), out_connection_string, out_buffer_length, out_length);
    dbc.data_source = settings::named_value(connection_string, ';', "dsn");
    return connect_to_cluster(dbc, std::move(merged));
}

diag_record disconnect(handle::connection& dbc) {
    close_cluster(dbc);
    return diag_record::success();
}

}  // namespace connection_ops
