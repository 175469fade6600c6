#include "handle/allocation.hpp"

#include <memory>

#include "frame.hpp"
#include "handle/variant_handle.hpp"
#include "logger/logger.hpp"

namespace handle {

namespace {

// A child of a connection (statement or descriptor) needs a connected parent; the refusal
// is posted to the connection.
diag_record check_connected(variant_handle& parent, connection& dbc, std::string_view what) {
    if (dbc.cluster != nullptr) return diag_record{};
    diag_record r(diag::state::connection_not_open, fmt::format("{} needs a working connection.", what));
    diag_record posted = r;
    frame::post(parent, std::move(posted));
    return r;
}

// Takes a statement or descriptor off the list of the connection that owns it.
std::unique_ptr<variant_handle> release_from_connection(variant_handle& h) noexcept {
    if (h.get_if<statement>() == nullptr && h.get_if<descriptor>() == nullptr) return nullptr;
    variant_handle* parent = h.common().parent;
    connection* dbc = parent != nullptr ? parent->get_if<connection>() : nullptr;
    return dbc != nullptr ? dbc->children.release(&h) : nullptr;
}

}  // namespace

std::string_view type_name(SQLSMALLINT handle_type) noexcept {
    switch (handle_type) {
    case SQL_HANDLE_ENV: return "SQL_HANDLE_ENV";
    case SQL_HANDLE_DBC: return "SQL_HANDLE_DBC";
    case SQL_HANDLE_STMT: return "SQL_HANDLE_STMT";
    case SQL_HANDLE_DESC: return "SQL_HANDLE_DESC";
    case SQL_HANDLE_SENV: return "SQL_HANDLE_SENV";
    default: return "unknown";
    }
}

diag_record allocate_handle(SQLSMALLINT handle_type, SQLHANDLE input, SQLHANDLE* output) {
    log_line(logger::level::debug, "allocating: {} - {}", handle_type, type_name(handle_type));
    if (output == nullptr) return diag_record(diag::state::invalid_handle, "output handle cannot be nullptr.");

    std::unique_ptr<variant_handle> created;
    connection* child_of = nullptr;  // the owner of a statement or descriptor
    switch (handle_type) {
    case SQL_HANDLE_ENV: created = std::make_unique<variant_handle>(environment{}); break;
    case SQL_HANDLE_DBC: {
        auto parent = frame::check_handle<environment>(input);
        if (parent.handle == nullptr) return parent.diagnostics();
        connection dbc;
        dbc.parent = parent.handle;
        created = std::make_unique<variant_handle>(std::move(dbc));
        break;
    }
    case SQL_HANDLE_STMT: {
        auto parent = frame::check_handle<connection>(input);
        if (parent.handle == nullptr) return parent.diagnostics();
        if (auto r = check_connected(*parent.handle, *parent.record, "statement"); !r.ok()) return r;
        statement stmt;
        stmt.parent = parent.handle;
        stmt.cluster = parent.record->cluster.get();
        stmt.client_turns = &parent.record->client_turns;
        stmt.noscan = parent.record->noscan;
        child_of = parent.record;
        created = std::make_unique<variant_handle>(std::move(stmt));
        break;
    }
    case SQL_HANDLE_DESC: {
        auto parent = frame::check_handle<connection>(input);
        if (parent.handle == nullptr) return parent.diagnostics();
        if (auto r = check_connected(*parent.handle, *parent.record, "descriptor"); !r.ok()) return r;
        descriptor desc;
        desc.parent = parent.handle;
        child_of = parent.record;
        created = std::make_unique<variant_handle>(std::move(desc));
        break;
    }
    case SQL_HANDLE_SENV: return diag_record::success();
    default: return diag_record(diag::state::invalid_handle, "unknown handle type.");
    }

    // Logged before the handle is handed out: a log line that fails (a rotation error) fails
    // the call, and the new handle must then not reach the application nor stay allocated.
    log_line(logger::level::debug, "parent handle adress: {}", fmt::ptr(input));
    log_line(logger::level::debug, "output handle adress: {}", fmt::ptr(created.get()));
    // The application holds it until SQLFreeHandle; a connection's children are also freed
    // with the connection.
    const bool is_environment = created->get_if<environment>() != nullptr;
    if (is_environment) logger::instance().add_user();
    *output = child_of != nullptr ? child_of->children.adopt(std::move(created)) : created.release();
    return diag_record::success();
}

diag_record free_handle(SQLSMALLINT handle_type, SQLHANDLE h) {
    auto* vh = static_cast<variant_handle*>(h);
    // An implicit descriptor belongs to its statement, which frees it with itself. The refusal is
    // posted to the descriptor, which stays alive to report it.
    if (const auto* desc = vh != nullptr ? vh->get_if<descriptor>() : nullptr; desc != nullptr && desc->implicit) {
        diag_record refused(diag::state::implicit_descriptor_use,
                            "an implicit descriptor is freed with its statement.");
        vh->common().diagnostics = refused;
        return refused;
    }
    // Logged before the handle is destroyed: a log line that fails (a rotation error) fails the
    // call, and a handle reported as not freed must still be alive.
    log_line(logger::level::debug, "freed: {} - {} - at {}", handle_type, type_name(handle_type), fmt::ptr(h));
    if (vh == nullptr) return diag_record::success();
    // Destroyed according to its own kind, whatever the handle type argument says; a
    // statement or descriptor is taken off its connection's list first.
    const bool is_environment = vh->get_if<environment>() != nullptr;
    std::unique_ptr<variant_handle> owned = release_from_connection(*vh);
    if (owned == nullptr) owned.reset(vh);
    owned.reset();
    // The log file closes with the last environment of the process: other environments may
    // still have connections at work.
    if (is_environment) logger::instance().remove_user();
    return diag_record::success();
}

}  // namespace handle
