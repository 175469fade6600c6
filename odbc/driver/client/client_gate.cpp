#include "client/client_gate.hpp"

#include <mutex>
#include <utility>

#include <fmt/format.h>

namespace client {

namespace {

// Calls the client library on the statement's client handle, in the connection's turn. SQLCancel
// from another thread and the query timeout can stop the call (VDL_E_INTERRUPTED).
template <typename Call>
std::uint32_t in_turn(const handle::statement& stmt, Call&& call) {
    std::unique_lock<handle::record_mutex> turn;
    if (stmt.client_turns != nullptr) turn = std::unique_lock<handle::record_mutex>(*stmt.client_turns);
    return stmt.library.run(stmt.cluster, stmt.query_timeout, std::forward<Call>(call));
}

diag_record with_native_error(diag_record r, std::uint32_t status) {
    r.native_error = static_cast<std::int32_t>(status);
    return r;
}

}  // namespace

std::optional<diag_record> without_connection(const handle::statement& stmt) {
    // A statement outlives the connection it was allocated on only as a handle to free.
    if (stmt.cluster != nullptr) return std::nullopt;
    return diag_record(diag::state::connection_not_open, "statement needs a working connection.");
}

query_answer query(const handle::statement& stmt, const std::string& text) {
    vdl_result* raw = nullptr;
    query_answer answer;
    answer.status = in_turn(stmt, [&](vdl_handle* cluster) { return vdl_query(cluster, text.c_str(), &raw); });
    answer.result.reset(raw);
    return answer;
}

metadata_answer table_metadata(const handle::statement& stmt, const std::string& table) {
    vdl_metadata* raw = nullptr;
    metadata_answer answer;
    answer.status =
        in_turn(stmt, [&](vdl_handle* cluster) { return vdl_ts_get_metadata(cluster, table.c_str(), &raw); });
    answer.metadata.reset(raw);
    return answer;
}

diag_record query_failure(std::uint32_t status) {
    return with_native_error(
        diag_record(diag::state::general_error, fmt::format("could not query, error: {}", vdl_error(status))), status);
}

diag_record execution_failure(std::uint32_t status) {
    if (status != VDL_E_NO_TABLE) return query_failure(status);
    return with_native_error(
        diag_record(diag::state::table_not_found, fmt::format("query error: {}", vdl_error(status))), status);
}

}  // namespace client
