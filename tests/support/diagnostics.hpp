#pragma once
// The diagnostic records of a handle, read back through SQLGetDiagRec.

#include <sql.h>

#include <string>

namespace support {

struct diag_result {
    SQLRETURN rc;
    std::string sqlstate;
    std::string message;
    SQLSMALLINT length;
};

// One record; empty state and message when there is none.
inline diag_result diag_of(SQLSMALLINT type, SQLHANDLE h, SQLSMALLINT record = 1) {
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLSMALLINT length = -7;
    const SQLRETURN rc = SQLGetDiagRec(type, h, record, state, nullptr, message, sizeof message, &length);
    return {rc, reinterpret_cast<char*>(state), reinterpret_cast<char*>(message), length};
}

// The first record as "SQLSTATE message", for failure output and state checks.
inline std::string diag(SQLSMALLINT type, SQLHANDLE h) {
    const diag_result d = diag_of(type, h);
    return d.sqlstate + " " + d.message;
}

}  // namespace support
