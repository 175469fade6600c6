#pragma once
// The one way from a statement to the client library: every query and metadata request takes the
// connection's turn (two statements of one connection used from two threads never use its client
// handle at once), the record the library returns is owned at once, and a failed status becomes
// the one record that reports it.

#include <cstdint>
#include <optional>
#include <string>

#include "client/library_record.hpp"
#include "diagnostics/diag_record.hpp"
#include "handle/statement.hpp"

namespace client {

// What a query gave: the library's status and the result it returned (null for a text that makes
// no result set, and on failure).
struct query_answer {
    std::uint32_t status = VDL_OK;
    library_result result;
};

// What a metadata request gave: the library's status and the table's metadata (null on failure).
struct metadata_answer {
    std::uint32_t status = VDL_OK;
    library_metadata metadata;
};

// The refusal of a statement whose connection has been closed (08003 "statement needs a working
// connection."): it can only be freed now. None for a statement on a working connection.
std::optional<diag_record> without_connection(const handle::statement& stmt);

// Runs a text on the statement's connection. The statement must be on a working connection.
query_answer query(const handle::statement& stmt, const std::string& text);

// Asks for the metadata of a table on the statement's connection. The statement must be on a
// working connection.
metadata_answer table_metadata(const handle::statement& stmt, const std::string& table);

// The record of a failed query: HY000 "could not query, error: {}" with the library's message;
// the status is the record's native error.
diag_record query_failure(std::uint32_t status);

// The record of a failed execution: as query_failure, but a table that does not exist is 42S02
// "query error: {}".
diag_record execution_failure(std::uint32_t status);

}  // namespace client
