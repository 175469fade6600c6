#include "catalog/type_table.hpp"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <map>

namespace catalog {

namespace {

// The longest text or byte string the store keeps: it limits neither.
constexpr std::int32_t unlimited = 2147483647;

// In order of DATA_TYPE, as SQLGetTypeInfo lists them. Each TYPE_NAME is a type CREATE TABLE takes:
// 64-bit integers are INT64 as BIGINT, INTEGER and SMALLINT; dates and timestamps are TIMESTAMP.
// No type takes parameters in CREATE TABLE (CREATE_PARAMS is empty, reported NULL).
// SQL_DATA_TYPE is the verbose type: SQL_DATETIME for dates and timestamps, with their subcode.
// NUM_PREC_RADIX is 10 for numbers and 0 (reported NULL) for the others. VARCHAR and VARBINARY,
// the types clients bind texts and bytes of any length as, are as long as the store allows:
// clients send a value longer than their size in pieces at execution (pyodbc does), which the
// driver does not offer.
constexpr std::array<type_row, 14> rows{{
    {"INT64", SQL_BIGINT, 19, "", "", "", 1, 0, 3, 0, 0, 0, "INT64", 0, 0, SQL_BIGINT, 0, 10, 0},
    {"BLOB", SQL_LONGVARBINARY, unlimited, "'", "'", "", 1, 0, 1, 0, 0, 0, "BLOB", 0, 0, SQL_LONGVARBINARY, 0, 0, 0},
    {"BLOB", SQL_VARBINARY, unlimited, "'", "'", "", 1, 0, 3, 0, 0, 0, "BLOB", 0, 0, SQL_VARBINARY, 0, 0, 0},
    {"BLOB", SQL_BINARY, 254, "'", "'", "", 1, 0, 3, 0, 0, 0, "BLOB", 0, 0, SQL_BINARY, 0, 0, 0},
    {"STRING", SQL_LONGVARCHAR, unlimited, "'", "'", "", 1, 1, 1, 0, 0, 0, "STRING", 0, 0, SQL_LONGVARCHAR, 0, 0, 0},
    {"STRING", SQL_CHAR, 254, "'", "'", "", 1, 1, 3, 0, 0, 0, "STRING", 0, 0, SQL_CHAR, 0, 0, 0},
    {"DOUBLE", SQL_NUMERIC, 19, "", "", "", 1, 0, 3, 0, 1, 0, "DOUBLE", 0, 19, SQL_NUMERIC, 0, 10, 0},
    {"INT64", SQL_INTEGER, 10, "", "", "", 1, 0, 3, 0, 0, 0, "INT64", 0, 0, SQL_INTEGER, 0, 10, 0},
    {"INT64", SQL_SMALLINT, 5, "", "", "", 1, 0, 3, 0, 0, 0, "INT64", 0, 0, SQL_SMALLINT, 0, 10, 0},
    {"DOUBLE", SQL_FLOAT, 15, "", "", "", 1, 0, 3, 0, 0, 0, "DOUBLE", 0, 15, SQL_FLOAT, 0, 10, 0},
    {"DOUBLE", SQL_DOUBLE, 15, "", "", "", 1, 0, 3, 0, 0, 0, "DOUBLE", 0, 15, SQL_DOUBLE, 0, 10, 0},
    {"STRING", SQL_VARCHAR, unlimited, "'", "'", "", 1, 1, 3, 0, 0, 0, "STRING", 0, 0, SQL_VARCHAR, 0, 0, 0},
    {"TIMESTAMP", SQL_TYPE_DATE, 10, "'", "'", "", 1, 0, 3, 0, 0, 0, "TIMESTAMP", 0, 0, SQL_DATETIME, SQL_CODE_DATE, 0,
     0},
    {"TIMESTAMP", SQL_TYPE_TIMESTAMP, 26, "'", "'", "", 1, 0, 3, 0, 0, 0, "TIMESTAMP", 0, 0, SQL_DATETIME,
     SQL_CODE_TIMESTAMP, 0, 0},
}};
static_assert(std::is_sorted(rows.begin(), rows.end(),
                             [](const type_row& a, const type_row& b) { return a.data_type < b.data_type; }),
              "SQLGetTypeInfo lists the types in order of DATA_TYPE");

}  // namespace

std::span<const type_row> type_rows() noexcept { return rows; }

const type_row* find_type(std::int16_t data_type) {
    // Built on the first request; the initialisation of a local static runs once, also when
    // several threads ask first at the same time.
    static const auto by_data_type = [] {
        std::map<std::int16_t, const type_row*> map;
        for (const auto& row : rows) map.emplace(row.data_type, &row);
        return map;
    }();
    const auto it = by_data_type.find(data_type);
    return it == by_data_type.end() ? nullptr : it->second;
}

}  // namespace catalog
