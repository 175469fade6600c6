#pragma once

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "handle/connection.hpp"
#include "handle/library_calls.hpp"
#include "handle/owned_handle.hpp"
#include "handle/record_mutex.hpp"
#include "handle/statement_parts.hpp"

namespace handle {

struct statement : base {
    // A copy of the connection's cluster handle taken at allocation; opens nothing. Used only
    // through the client gate (client/client_gate.hpp).
    cluster_handle cluster = nullptr;
    // The connection's turn for calls on `cluster`; null with it.
    record_mutex* client_turns = nullptr;
    prepared_statement prepared;
    bound_parameters params;
    cursor_state cursor;
    current_result result;
    // SQL_ATTR_MAX_ROWS: the row limit every executed text gets.
    SQLULEN max_rows = 0;
    // SQL_ATTR_METADATA_ID: catalog arguments are identifiers (SQL_TRUE) or search patterns.
    SQLULEN metadata_id = SQL_FALSE;
    // SQL_ATTR_QUERY_TIMEOUT in seconds; 0 waits for every call to end.
    SQLULEN query_timeout = 0;
    // The statement's calls into the client library, which SQLCancel and the timeout can stop.
    mutable library_calls library;
    // SQL_ATTR_NOSCAN: texts are sent without translating their escape sequences.
    bool noscan = false;
    // Serialises the statement's operations (taken by the frame, and by a disconnect that
    // releases the statement's result).
    record_mutex lock;
    // The implicit descriptors, indexed by `implicit_descriptor`: each is created on its first
    // request and keeps its handle value for the statement's life.
    std::array<owned_handle, 4> implicit_descriptors;
};

enum class implicit_descriptor : std::size_t {
    application_parameter = 0,
    application_row = 1,
    implementation_parameter = 2,
    implementation_row = 3,
};

}  // namespace handle
