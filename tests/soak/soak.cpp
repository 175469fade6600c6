// Connect, execute, fetch and disconnect through the Driver Manager, many times over, and report
// how much resident memory and how many open file descriptors the process gained after a
// warm-up. scripts/soak builds and runs it; the test command does not.
//
//   vdl_soak CONNECTION_STRING CYCLES [WARMUP]
// Exits 1 when memory grew by 1 MiB or more, or descriptors grew at all.

#include <sql.h>
#include <sqlext.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "diagnostics.hpp"
#include "sql_text.hpp"

namespace {

using support::diag;
using support::sql_text;

long resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

long open_descriptors() {
    long count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// One cycle; the number of rows fetched, or -1 after printing what failed.
long cycle(const std::string& connection_string, const char* statement) {
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    long rows = -1;
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, sql_text(connection_string), SQL_NTS, nullptr, 0, nullptr,
                                        SQL_DRIVER_NOPROMPT))) {
        std::fprintf(stderr, "connect: %s\n", diag(SQL_HANDLE_DBC, dbc).c_str());
    } else {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        if (!SQL_SUCCEEDED(SQLExecDirect(stmt, sql_text(statement), SQL_NTS))) {
            std::fprintf(stderr, "%s: %s\n", statement, diag(SQL_HANDLE_STMT, stmt).c_str());
        } else {
            SQLBIGINT n = 0;
            char s[64];
            SQLLEN n_length = 0;
            SQLLEN s_length = 0;
            SQLBindCol(stmt, 1, SQL_C_SBIGINT, &n, 0, &n_length);
            SQLBindCol(stmt, 2, SQL_C_CHAR, s, sizeof s, &s_length);
            rows = 0;
            while (SQL_SUCCEEDED(SQLFetch(stmt))) ++rows;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vdl_soak CONNECTION_STRING CYCLES [WARMUP]\n");
        return 2;
    }
    const std::string connection_string = argv[1];
    const long cycles = std::atol(argv[2]);
    const long warmup = argc > 3 ? std::atol(argv[3]) : cycles / 10;
    constexpr const char* setup = "CREATE TABLE soak (n INT64, s STRING)";
    constexpr const char* fill = "INSERT INTO soak (n, s) VALUES (1, 'one'), (2, 'two'), (3, 'three')";
    constexpr const char* query = "SELECT n, s FROM soak";
    const long tables = cycle(connection_string, "SHOW TABLES");
    if (tables < 0) return 1;
    if (tables == 0 && (cycle(connection_string, setup) < 0 || cycle(connection_string, fill) < 0)) return 1;

    long memory_start = 0;
    long descriptors_start = 0;
    for (long i = 0; i < cycles; ++i) {
        if (i == warmup) {
            memory_start = resident_bytes();
            descriptors_start = open_descriptors();
        }
        if (cycle(connection_string, query) != 3) {
            std::fprintf(stderr, "cycle %ld: wrong result\n", i);
            return 1;
        }
    }
    const long memory_growth = resident_bytes() - memory_start;
    const long descriptor_growth = open_descriptors() - descriptors_start;
    std::printf("cycles: %ld (%ld after warm-up)\n", cycles, cycles - warmup);
    std::printf("memory growth after warm-up: %ld bytes (%.3f MiB)\n", memory_growth,
                static_cast<double>(memory_growth) / (1024.0 * 1024.0));
    std::printf("open file descriptor growth: %ld\n", descriptor_growth);
    const bool held = memory_growth < 1024 * 1024 && descriptor_growth <= 0;
    std::printf("%s\n", held ? "held" : "FAILED: memory grew by 1 MiB or more, or descriptors leaked");
    return held ? 0 : 1;
}
