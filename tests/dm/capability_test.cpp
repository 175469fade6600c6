// What SQLGetInfo claims, tried through the unixODBC Driver Manager on a sample store. Each row of
// the table below is one bit of one bitmask with a statement (or, for cursor and SQLGetData bits, a
// short sequence of calls) that uses the feature: a claimed bit must work. For the rows marked
// `both_ways`, a feature that works must be claimed too. Every bit a bitmask claims needs a row,
// unless it is in the commented list of bits no statement can try.
//
// Scalar answers a BI tool reads (NULL ordering, cursor sensitivity, identifier quoting and case,
// the search-pattern escape, ...) are tried by behaviour below the table.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "driver_manager.hpp"

namespace {

using support::sql_text;

// A call sequence for a feature that is not a statement text: "" when it worked, else what failed.
using probe_fn = std::string (*)(SQLHDBC, SQLHSTMT);

struct capability {
    SQLUSMALLINT info;
    const char* info_name;
    SQLUINTEGER bit;
    const char* bit_name;
    const char* sql;              // the statement, or nullptr with a probe
    bool both_ways;               // works => claimed, too
    const char* first = nullptr;  // the first cell of the first row as text, when it matters ("x*": starts with x)
    probe_fn probe = nullptr;
};

std::ostream& operator<<(std::ostream& out, const capability& c) {
    return out << c.info_name << " " << c.bit_name << ": " << (c.sql != nullptr ? c.sql : "(calls)");
}

// ---- the probes: sequences of calls --------------------------------------------------------

std::string state_of(SQLHSTMT stmt) { return support::diag(SQL_HANDLE_STMT, stmt); }

std::string exec(SQLHSTMT stmt, const char* text) {
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt, sql_text(text), SQL_NTS))) return std::string(text) + ": " + state_of(stmt);
    return "";
}

std::string fetch_next_by_fetch_scroll(SQLHDBC, SQLHSTMT stmt) {
    if (auto failed = exec(stmt, "select volume from trades order by $timestamp"); !failed.empty()) return failed;
    if (SQLFetchScroll(stmt, SQL_FETCH_NEXT, 0) != SQL_SUCCESS) return "SQLFetchScroll NEXT: " + state_of(stmt);
    return "";
}

std::string fetch_absolute(SQLHDBC, SQLHSTMT stmt) {
    if (auto failed = exec(stmt, "select volume from trades order by $timestamp"); !failed.empty()) return failed;
    if (!SQL_SUCCEEDED(SQLFetchScroll(stmt, SQL_FETCH_ABSOLUTE, 2)))
        return "SQLFetchScroll ABSOLUTE: " + state_of(stmt);
    return "";
}

std::string static_cursor(SQLHDBC, SQLHSTMT stmt) {
    SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);
    SQLULEN type = 0;
    SQLGetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, &type, 0, nullptr);
    return type == SQL_CURSOR_STATIC ? "" : "the cursor type reads back " + std::to_string(type);
}

// SQLGetData of an unbound column before a bound one.
std::string get_data_any_column(SQLHDBC, SQLHSTMT stmt) {
    SQLBIGINT volume = 0;
    SQLLEN length = 0;
    SQLBindCol(stmt, 2, SQL_C_SBIGINT, &volume, 0, &length);
    if (auto failed = exec(stmt, "select sym, volume from trades order by $timestamp"); !failed.empty()) return failed;
    if (SQLFetch(stmt) != SQL_SUCCESS) return "fetch: " + state_of(stmt);
    char sym[16] = {};
    if (SQLGetData(stmt, 1, SQL_C_CHAR, sym, sizeof sym, &length) != SQL_SUCCESS) return "get data: " + state_of(stmt);
    return std::string(sym) == "ibm" && volume == 100 ? "" : "read " + std::string(sym);
}

// SQLGetData of the columns in any order, backwards.
std::string get_data_any_order(SQLHDBC, SQLHSTMT stmt) {
    if (auto failed = exec(stmt, "select sym, price, volume from trades order by $timestamp"); !failed.empty())
        return failed;
    if (SQLFetch(stmt) != SQL_SUCCESS) return "fetch: " + state_of(stmt);
    SQLBIGINT volume = 0;
    char sym[16] = {};
    SQLLEN length = 0;
    if (SQLGetData(stmt, 3, SQL_C_SBIGINT, &volume, 0, &length) != SQL_SUCCESS) return "column 3: " + state_of(stmt);
    if (SQLGetData(stmt, 1, SQL_C_CHAR, sym, sizeof sym, &length) != SQL_SUCCESS) return "column 1: " + state_of(stmt);
    return std::string(sym) == "ibm" && volume == 100 ? "" : "read " + std::string(sym);
}

// SQLGetData of a bound column.
std::string get_data_bound(SQLHDBC, SQLHSTMT stmt) {
    char bound[16] = {}, read[16] = {};
    SQLLEN length = 0;
    SQLBindCol(stmt, 1, SQL_C_CHAR, bound, sizeof bound, &length);
    if (auto failed = exec(stmt, "select sym from trades order by $timestamp"); !failed.empty()) return failed;
    if (SQLFetch(stmt) != SQL_SUCCESS) return "fetch: " + state_of(stmt);
    if (SQLGetData(stmt, 1, SQL_C_CHAR, read, sizeof read, &length) != SQL_SUCCESS)
        return "get data: " + state_of(stmt);
    return std::string(read) == "ibm" ? "" : "read " + std::string(read);
}

// SQLGetData of the second row of a block, after SQLSetPos has made it the current row.
std::string get_data_block(SQLHDBC, SQLHSTMT stmt) {
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(2), 0);
    if (auto failed = exec(stmt, "select sym from trades order by $timestamp"); !failed.empty()) return failed;
    if (SQLFetch(stmt) != SQL_SUCCESS) return "fetch: " + state_of(stmt);
    if (SQLSetPos(stmt, 2, SQL_POSITION, SQL_LOCK_NO_CHANGE) != SQL_SUCCESS) return "set pos 2: " + state_of(stmt);
    char read[16] = {};
    SQLLEN length = 0;
    if (SQLGetData(stmt, 1, SQL_C_CHAR, read, sizeof read, &length) != SQL_SUCCESS)
        return "get data: " + state_of(stmt);
    return std::string(read) == "msft" ? "" : "read " + std::string(read);
}

// A positioned operation on the first row of a forward-only cursor, with its time and volume
// bound; the volume's buffer holds a new value for an update.
std::string set_pos(SQLHSTMT stmt, SQLUSMALLINT operation) {
    char stamp[40] = {};
    SQLBIGINT volume = 0;
    SQLLEN stamp_length = 0, volume_length = 0;
    SQLBindCol(stmt, 1, SQL_C_CHAR, stamp, sizeof stamp, &stamp_length);
    SQLBindCol(stmt, 2, SQL_C_SBIGINT, &volume, 0, &volume_length);
    if (auto failed = exec(stmt, "SELECT $timestamp, volume FROM trades"); !failed.empty()) return failed;
    if (SQLFetch(stmt) != SQL_SUCCESS) return "fetch: " + state_of(stmt);
    volume += 1;
    if (SQLSetPos(stmt, 1, operation, SQL_LOCK_NO_CHANGE) != SQL_SUCCESS)
        return "SQLSetPos " + std::to_string(operation) + ": " + state_of(stmt);
    return "";
}
std::string set_pos_position(SQLHDBC, SQLHSTMT stmt) { return set_pos(stmt, SQL_POSITION); }
std::string set_pos_update(SQLHDBC, SQLHSTMT stmt) { return set_pos(stmt, SQL_UPDATE); }
std::string set_pos_delete(SQLHDBC, SQLHSTMT stmt) { return set_pos(stmt, SQL_DELETE); }
std::string set_pos_refresh(SQLHDBC, SQLHSTMT stmt) { return set_pos(stmt, SQL_REFRESH); }
std::string set_pos_add(SQLHDBC, SQLHSTMT stmt) { return set_pos(stmt, SQL_ADD); }

// ---- the table ---------------------------------------------------------------------------

#define BIT(info, bit) info, #info, static_cast<SQLUINTEGER>(bit), #bit

// The store: trades (sym, price, volume) with rows ibm 10.5 100, msft 20.25 200, a row of NULLs,
// aapl 30 300 (times 1 to 4 s); quotes (sym, bid) with ibm 10 and goog 5.
// T is a timestamp, T2 the same a year later.
#define T "{ts '2021-03-04 05:06:07'}"
#define T2 "{ts '2022-03-04 05:06:07'}"
#define ONE " from trades limit 1"

const capability rows[] = {
    // Aggregates.
    {BIT(SQL_AGGREGATE_FUNCTIONS, SQL_AF_AVG), "select avg(volume) from trades", true, "200"},
    {BIT(SQL_AGGREGATE_FUNCTIONS, SQL_AF_COUNT), "select count(sym) from trades", true, "3"},
    {BIT(SQL_AGGREGATE_FUNCTIONS, SQL_AF_MAX), "select max(price) from trades", true, "30"},
    {BIT(SQL_AGGREGATE_FUNCTIONS, SQL_AF_MIN), "select min(price) from trades", true, "10.5"},
    {BIT(SQL_AGGREGATE_FUNCTIONS, SQL_AF_SUM), "select sum(volume) from trades", true, "600"},
    {BIT(SQL_AGGREGATE_FUNCTIONS, SQL_AF_DISTINCT), "select count(DISTINCT sym) from trades", true, "3"},
    {BIT(SQL_AGGREGATE_FUNCTIONS, SQL_AF_ALL), "select count(ALL sym) from trades", true, "3"},

    // Outer joins, in the escape ODBC defines for them.
    {BIT(SQL_OJ_CAPABILITIES, SQL_OJ_LEFT),
     "select count(*) from {oj trades t LEFT OUTER JOIN quotes q ON t.sym = q.sym}", true, "4"},
    {BIT(SQL_OJ_CAPABILITIES, SQL_OJ_RIGHT),
     "select count(*) from {oj trades t RIGHT OUTER JOIN quotes q ON t.sym = q.sym}", true, "2"},
    {BIT(SQL_OJ_CAPABILITIES, SQL_OJ_FULL),
     "select count(*) from {oj trades t FULL OUTER JOIN quotes q ON t.sym = q.sym}", true, "5"},
    {BIT(SQL_OJ_CAPABILITIES, SQL_OJ_NESTED),
     "select count(*) from {oj trades t LEFT OUTER JOIN quotes q ON t.sym = q.sym LEFT OUTER JOIN quotes r ON "
     "q.sym = r.sym}",
     true, "4"},
    {BIT(SQL_OJ_CAPABILITIES, SQL_OJ_NOT_ORDERED),
     "select count(*) from {oj trades t LEFT OUTER JOIN quotes q ON q.sym = t.sym}", true, "4"},
    {BIT(SQL_OJ_CAPABILITIES, SQL_OJ_INNER),
     "select count(*) from {oj trades t LEFT OUTER JOIN quotes q ON t.sym = q.sym} INNER JOIN quotes r ON "
     "q.sym = r.sym",
     true, "1"},
    {BIT(SQL_OJ_CAPABILITIES, SQL_OJ_ALL_COMPARISON_OPS),
     "select count(*) from {oj trades t LEFT OUTER JOIN quotes q ON t.price > q.bid}", true, "7"},

    // Joins written in SQL-92.
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_CROSS_JOIN), "select count(*) from trades CROSS JOIN quotes",
     true, "8"},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_INNER_JOIN),
     "select count(*) from trades t INNER JOIN quotes q ON t.sym = q.sym", true, "1"},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_LEFT_OUTER_JOIN),
     "select count(*) from trades t LEFT OUTER JOIN quotes q ON t.sym = q.sym", true, "4"},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_RIGHT_OUTER_JOIN),
     "select count(*) from trades t RIGHT OUTER JOIN quotes q ON t.sym = q.sym", true, "2"},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_FULL_OUTER_JOIN),
     "select count(*) from trades t FULL OUTER JOIN quotes q ON t.sym = q.sym", true, "5"},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_NATURAL_JOIN),
     "select count(*) from (select sym from trades) NATURAL JOIN (select sym from quotes)", true, "1"},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_EXCEPT_JOIN),
     "select sym from trades where sym is not null EXCEPT select sym from quotes", true},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_INTERSECT_JOIN),
     "select sym from trades INTERSECT select sym from quotes", true, "ibm"},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_UNION_JOIN), "select count(*) from trades UNION JOIN quotes",
     true},
    {BIT(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, SQL_SRJO_CORRESPONDING_CLAUSE),
     "select sym from trades UNION CORRESPONDING select sym from quotes", true},

    // Predicates.
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_BETWEEN), "select count(*) from trades where price BETWEEN 10 AND 21", true, "2"},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_COMPARISON), "select count(*) from trades where price >= 20.25", true, "2"},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_EXISTS), "select count(*) from trades where EXISTS (select sym from quotes)",
     true, "4"},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_IN), "select count(*) from trades where sym IN ('ibm', 'aapl')", true, "2"},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_ISNOTNULL), "select count(*) from trades where sym IS NOT NULL", true, "3"},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_ISNULL), "select count(*) from trades where sym IS NULL", true, "1"},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_LIKE), "select count(*) from trades where sym LIKE 'i_m%'", true, "1"},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_MATCH_FULL),
     "select count(*) from trades where sym MATCH FULL (select sym from quotes)", true},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_MATCH_PARTIAL),
     "select count(*) from trades where sym MATCH PARTIAL (select sym from quotes)", true},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_MATCH_UNIQUE_FULL),
     "select count(*) from trades where sym MATCH UNIQUE FULL (select sym from quotes)", true},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_MATCH_UNIQUE_PARTIAL),
     "select count(*) from trades where sym MATCH UNIQUE PARTIAL (select sym from quotes)", true},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_OVERLAPS),
     "select count(*) from trades where (" T ", " T2 ") OVERLAPS (" T ", " T2 ")", true},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_QUANTIFIED_COMPARISON),
     "select count(*) from trades where price > ALL (select bid from quotes)", true},
    {BIT(SQL_SQL92_PREDICATES, SQL_SP_UNIQUE), "select count(*) from trades where UNIQUE (select sym from quotes)",
     true},

    // Value expressions.
    {BIT(SQL_SQL92_VALUE_EXPRESSIONS, SQL_SVE_CASE),
     "select CASE WHEN volume > 150 THEN 'big' ELSE 'small' END from trades order by $timestamp", true, "small"},
    {BIT(SQL_SQL92_VALUE_EXPRESSIONS, SQL_SVE_CAST), "select CAST(price AS INTEGER) from trades order by $timestamp",
     true, "10"},
    {BIT(SQL_SQL92_VALUE_EXPRESSIONS, SQL_SVE_COALESCE),
     "select COALESCE(sym, 'none') from trades order by $timestamp desc limit 2 offset 1", true, "none"},
    {BIT(SQL_SQL92_VALUE_EXPRESSIONS, SQL_SVE_NULLIF), "select NULLIF(sym, 'ibm') from trades order by $timestamp",
     true, "NULL"},

    // Subqueries.
    {BIT(SQL_SUBQUERIES, SQL_SQ_COMPARISON), "select count(*) from trades where price > (select max(bid) from quotes)",
     true, "3"},
    {BIT(SQL_SUBQUERIES, SQL_SQ_EXISTS),
     "select count(*) from trades where EXISTS (select sym from quotes where bid > 7)", true, "4"},
    {BIT(SQL_SUBQUERIES, SQL_SQ_IN), "select count(*) from trades where sym IN (select sym from quotes)", true, "1"},
    {BIT(SQL_SUBQUERIES, SQL_SQ_CORRELATED_SUBQUERIES),
     "select count(*) from trades t where EXISTS (select 1 from quotes q where q.sym = t.sym)", true, "1"},
    {BIT(SQL_SUBQUERIES, SQL_SQ_QUANTIFIED), "select count(*) from trades where price > ANY (select bid from quotes)",
     true},

    // Unions.
    {BIT(SQL_UNION, SQL_U_UNION), "select count(*) from (select sym from trades UNION select sym from quotes)", true,
     "5"},
    {BIT(SQL_UNION, SQL_U_UNION_ALL), "select count(*) from (select sym from trades UNION ALL select sym from quotes)",
     true, "6"},

    // SQL-92 datetime literals and functions (the ODBC escapes are below).
    {BIT(SQL_DATETIME_LITERALS, SQL_DL_SQL92_DATE), "select DATE '2021-03-04'" ONE, true, "2021-03-04 00:00:00*"},
    {BIT(SQL_DATETIME_LITERALS, SQL_DL_SQL92_TIME), "select TIME '05:06:07'" ONE, true},
    {BIT(SQL_DATETIME_LITERALS, SQL_DL_SQL92_TIMESTAMP), "select TIMESTAMP '2021-03-04 05:06:07.5'" ONE, true,
     "2021-03-04 05:06:07.5*"},
    {BIT(SQL_DATETIME_LITERALS, SQL_DL_SQL92_INTERVAL_DAY), "select INTERVAL '1' DAY" ONE, true},
    {BIT(SQL_DATETIME_LITERALS, SQL_DL_SQL92_INTERVAL_YEAR), "select INTERVAL '1' YEAR" ONE, true},
    {BIT(SQL_DATETIME_LITERALS, SQL_DL_SQL92_INTERVAL_HOUR_TO_SECOND), "select INTERVAL '1:02:03' HOUR TO SECOND" ONE,
     true},
    {BIT(SQL_SQL92_DATETIME_FUNCTIONS, SQL_SDF_CURRENT_DATE), "select year(CURRENT_DATE) > 2000" ONE, true, "1"},
    // CURRENT_TIME is the time of day on the current date, a timestamp as TIME '...' is.
    {BIT(SQL_SQL92_DATETIME_FUNCTIONS, SQL_SDF_CURRENT_TIME), "select hour(CURRENT_TIME) >= 0" ONE, true, "1"},
    {BIT(SQL_SQL92_DATETIME_FUNCTIONS, SQL_SDF_CURRENT_TIMESTAMP), "select year(CURRENT_TIMESTAMP) > 2000" ONE, true,
     "1"},

    // SQL-92 string and numeric value functions (not the escapes).
    {BIT(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_LOWER), "select LOWER('AbC')" ONE, true, "abc"},
    {BIT(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_UPPER), "select UPPER('AbC')" ONE, true, "ABC"},
    {BIT(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_SUBSTRING), "select SUBSTRING('abcdef' FROM 2 FOR 3)" ONE, true, "bcd"},
    {BIT(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_TRIM_BOTH), "select TRIM(BOTH ' ' FROM '  ab  ')" ONE, true, "ab"},
    {BIT(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_TRIM_LEADING), "select TRIM(LEADING ' ' FROM '  ab')" ONE, true, "ab"},
    {BIT(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_TRIM_TRAILING), "select TRIM(TRAILING ' ' FROM 'ab  ')" ONE, true, "ab"},
    {BIT(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_CONVERT), "select CONVERT('ab' USING utf8)" ONE, true, "ab"},
    {BIT(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_TRANSLATE), "select TRANSLATE('ab' USING latin1)" ONE, true, "ab"},
    {BIT(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, SQL_SNVF_BIT_LENGTH), "select BIT_LENGTH('ab')" ONE, true, "16"},
    {BIT(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, SQL_SNVF_CHAR_LENGTH), "select CHAR_LENGTH('abc')" ONE, true, "3"},
    {BIT(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, SQL_SNVF_CHARACTER_LENGTH), "select CHARACTER_LENGTH('abc')" ONE, true,
     "3"},
    {BIT(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, SQL_SNVF_EXTRACT), "select EXTRACT(YEAR FROM " T ")" ONE, true, "2021"},
    {BIT(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, SQL_SNVF_OCTET_LENGTH), "select OCTET_LENGTH('ab')" ONE, true, "2"},
    {BIT(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, SQL_SNVF_POSITION), "select POSITION('b' IN 'abc')" ONE, true, "2"},

    // ODBC's scalar functions ({fn ...}).
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_ASCII), "select {fn ASCII('A')}" ONE, true, "65"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_BIT_LENGTH), "select {fn BIT_LENGTH('ab')}" ONE, true, "16"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_CHAR), "select {fn CHAR(65)}" ONE, true, "A"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_CHAR_LENGTH), "select {fn CHAR_LENGTH('abc')}" ONE, true, "3"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_CHARACTER_LENGTH), "select {fn CHARACTER_LENGTH('abc')}" ONE, true, "3"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_CONCAT), "select {fn CONCAT('ab', 'cd')}" ONE, true, "abcd"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_DIFFERENCE), "select {fn DIFFERENCE('Robert', 'Rupert')}" ONE, true, "4"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_INSERT), "select {fn INSERT('abcdef', 2, 3, 'XY')}" ONE, true, "aXYef"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_LCASE), "select {fn LCASE('AbC')}" ONE, true, "abc"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_LEFT), "select {fn LEFT('abcdef', 2)}" ONE, true, "ab"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_LENGTH), "select {fn LENGTH('abc  ')}" ONE, true, "3"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_LOCATE), "select {fn LOCATE('b', 'abcb')}" ONE, true, "2"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_LOCATE_2), "select {fn LOCATE('b', 'abcb', 3)}" ONE, true, "4"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_LTRIM), "select {fn LTRIM('  ab')}" ONE, true, "ab"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_OCTET_LENGTH), "select {fn OCTET_LENGTH('ab')}" ONE, true, "2"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_POSITION), "select {fn POSITION('b' IN 'abc')}" ONE, true, "2"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_REPEAT), "select {fn REPEAT('ab', 3)}" ONE, true, "ababab"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_REPLACE), "select {fn REPLACE('abcb', 'b', 'x')}" ONE, true, "axcx"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_RIGHT), "select {fn RIGHT('abcdef', 2)}" ONE, true, "ef"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_RTRIM), "select {fn RTRIM('ab  ')}" ONE, true, "ab"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_SOUNDEX), "select {fn SOUNDEX('Robert')}" ONE, true, "R163"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_SPACE), "select {fn SPACE(3)}" ONE, true, "   "},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_SUBSTRING), "select {fn SUBSTRING('abcdef', 2, 3)}" ONE, true, "bcd"},
    {BIT(SQL_STRING_FUNCTIONS, SQL_FN_STR_UCASE), "select {fn UCASE('abc')}" ONE, true, "ABC"},

    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_ABS), "select {fn ABS(-2)}" ONE, true, "2"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_ACOS), "select {fn ACOS(1)}" ONE, true, "0"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_ASIN), "select {fn ASIN(0)}" ONE, true, "0"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_ATAN), "select {fn ATAN(0)}" ONE, true, "0"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_ATAN2), "select {fn ATAN2(1, 1)}" ONE, true, "0.785398163397448"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_CEILING), "select {fn CEILING(1.2)}" ONE, true, "2"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_COS), "select {fn COS(0)}" ONE, true, "1"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_COT), "select {fn COT(1)}" ONE, true, "0.642092615934331"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_DEGREES), "select {fn DEGREES(0)}" ONE, true, "0"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_EXP), "select {fn EXP(0)}" ONE, true, "1"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_FLOOR), "select {fn FLOOR(1.7)}" ONE, true, "1"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_LOG), "select {fn LOG(1)}" ONE, true, "0"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_LOG10), "select {fn LOG10(100)}" ONE, true, "2"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_MOD), "select {fn MOD(7, 3)}" ONE, true, "1"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_PI), "select {fn PI()}" ONE, true, "3.14159265358979"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_POWER), "select {fn POWER(2, 3)}" ONE, true, "8"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_RADIANS), "select {fn RADIANS(0)}" ONE, true, "0"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_RAND), "select {fn RAND()}" ONE, true},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_ROUND), "select {fn ROUND(1.25, 1)}" ONE, true, "1.3"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_SIGN), "select {fn SIGN(-3)}" ONE, true, "-1"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_SIN), "select {fn SIN(0)}" ONE, true, "0"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_SQRT), "select {fn SQRT(4)}" ONE, true, "2"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_TAN), "select {fn TAN(0)}" ONE, true, "0"},
    {BIT(SQL_NUMERIC_FUNCTIONS, SQL_FN_NUM_TRUNCATE), "select {fn TRUNCATE(1.27, 1)}" ONE, true, "1.2"},

    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_CURRENT_DATE), "select {fn YEAR({fn CURRENT_DATE()})} > 2000" ONE, true,
     "1"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_CURDATE), "select {fn HOUR({fn CURDATE()})}" ONE, true, "0"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_CURRENT_TIME), "select {fn CURRENT_TIME()}" ONE, true},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_CURTIME), "select {fn CURTIME()}" ONE, true},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_CURRENT_TIMESTAMP), "select {fn YEAR({fn CURRENT_TIMESTAMP()})} > 2000" ONE,
     true, "1"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_NOW), "select {fn YEAR({fn NOW()})} > 2000" ONE, true, "1"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_DAYNAME), "select {fn DAYNAME(" T ")}" ONE, true, "Thursday"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_DAYOFMONTH), "select {fn DAYOFMONTH(" T ")}" ONE, true, "4"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_DAYOFWEEK), "select {fn DAYOFWEEK(" T ")}" ONE, true, "5"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_DAYOFYEAR), "select {fn DAYOFYEAR(" T ")}" ONE, true, "63"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_EXTRACT), "select {fn EXTRACT(MONTH FROM " T ")}" ONE, true, "3"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_HOUR), "select {fn HOUR(" T ")}" ONE, true, "5"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_MINUTE), "select {fn MINUTE(" T ")}" ONE, true, "6"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_MONTH), "select {fn MONTH(" T ")}" ONE, true, "3"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_MONTHNAME), "select {fn MONTHNAME(" T ")}" ONE, true, "March"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_QUARTER), "select {fn QUARTER(" T ")}" ONE, true, "1"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_SECOND), "select {fn SECOND(" T ")}" ONE, true, "7"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_TIMESTAMPADD), "select {fn TIMESTAMPADD(SQL_TSI_DAY, 1, " T ")}" ONE, true,
     "2021-03-05 05:06:07*"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_TIMESTAMPDIFF), "select {fn TIMESTAMPDIFF(SQL_TSI_DAY, " T ", " T2 ")}" ONE,
     true, "365"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_WEEK), "select {fn WEEK(" T ")}" ONE, true, "10"},
    {BIT(SQL_TIMEDATE_FUNCTIONS, SQL_FN_TD_YEAR), "select {fn YEAR(" T ")}" ONE, true, "2021"},

    {BIT(SQL_SYSTEM_FUNCTIONS, SQL_FN_SYS_IFNULL), "select {fn IFNULL(sym, 'none')} from trades order by volume", true,
     "none"},
    {BIT(SQL_SYSTEM_FUNCTIONS, SQL_FN_SYS_DBNAME), "select {fn DATABASE()}" ONE, true},
    {BIT(SQL_SYSTEM_FUNCTIONS, SQL_FN_SYS_USERNAME), "select {fn USER()}" ONE, true},

    // Intervals of TIMESTAMPADD and TIMESTAMPDIFF.
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_FRAC_SECOND),
     "select {fn TIMESTAMPADD(SQL_TSI_FRAC_SECOND, 5, " T ")}" ONE, true, "2021-03-04 05:06:07.000000005"},
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_SECOND), "select {fn TIMESTAMPADD(SQL_TSI_SECOND, 1, " T ")}" ONE, true,
     "2021-03-04 05:06:08*"},
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_MINUTE), "select {fn TIMESTAMPADD(SQL_TSI_MINUTE, 1, " T ")}" ONE, true,
     "2021-03-04 05:07:07*"},
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_HOUR), "select {fn TIMESTAMPADD(SQL_TSI_HOUR, 1, " T ")}" ONE, true,
     "2021-03-04 06:06:07*"},
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_DAY), "select {fn TIMESTAMPADD(SQL_TSI_DAY, 1, " T ")}" ONE, true,
     "2021-03-05 05:06:07*"},
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_WEEK), "select {fn TIMESTAMPADD(SQL_TSI_WEEK, 1, " T ")}" ONE, true,
     "2021-03-11 05:06:07*"},
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_MONTH), "select {fn TIMESTAMPADD(SQL_TSI_MONTH, 1, " T ")}" ONE, true,
     "2021-04-04 05:06:07*"},
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_QUARTER), "select {fn TIMESTAMPADD(SQL_TSI_QUARTER, 1, " T ")}" ONE,
     true, "2021-06-04 05:06:07*"},
    {BIT(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_YEAR), "select {fn TIMESTAMPADD(SQL_TSI_YEAR, 1, " T ")}" ONE, true,
     "2022-03-04 05:06:07*"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_FRAC_SECOND),
     "select {fn TIMESTAMPDIFF(SQL_TSI_FRAC_SECOND, " T ", " T2 ")}" ONE, true, "31536000000000000"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_SECOND),
     "select {fn TIMESTAMPDIFF(SQL_TSI_SECOND, " T ", " T2 ")}" ONE, true, "31536000"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_MINUTE),
     "select {fn TIMESTAMPDIFF(SQL_TSI_MINUTE, " T ", " T2 ")}" ONE, true, "525600"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_HOUR), "select {fn TIMESTAMPDIFF(SQL_TSI_HOUR, " T ", " T2 ")}" ONE,
     true, "8760"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_DAY), "select {fn TIMESTAMPDIFF(SQL_TSI_DAY, " T ", " T2 ")}" ONE,
     true, "365"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_WEEK), "select {fn TIMESTAMPDIFF(SQL_TSI_WEEK, " T ", " T2 ")}" ONE,
     true, "52"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_MONTH), "select {fn TIMESTAMPDIFF(SQL_TSI_MONTH, " T ", " T2 ")}" ONE,
     true, "12"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_QUARTER),
     "select {fn TIMESTAMPDIFF(SQL_TSI_QUARTER, " T ", " T2 ")}" ONE, true, "4"},
    {BIT(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_YEAR), "select {fn TIMESTAMPDIFF(SQL_TSI_YEAR, " T ", " T2 ")}" ONE,
     true, "1"},

    // Conversion functions.
    {BIT(SQL_CONVERT_FUNCTIONS, SQL_FN_CVT_CONVERT), "select {fn CONVERT(volume, SQL_VARCHAR)}" ONE, true, "100"},
    {BIT(SQL_CONVERT_FUNCTIONS, SQL_FN_CVT_CAST), "select CAST(volume AS VARCHAR(10))" ONE, true, "100"},

    // DDL and DML.
    {BIT(SQL_CREATE_TABLE, SQL_CT_CREATE_TABLE), "CREATE TABLE fresh (n INT64)", true},
    {BIT(SQL_DROP_TABLE, SQL_DT_DROP_TABLE), "DROP TABLE quotes", true},
    {BIT(SQL_INSERT_STATEMENT, SQL_IS_INSERT_LITERALS), "INSERT INTO quotes (sym, bid) VALUES ('x', 1)", true},
    {BIT(SQL_INSERT_STATEMENT, SQL_IS_INSERT_SEARCHED), "INSERT INTO quotes (sym, bid) SELECT sym, price FROM trades",
     true},
    {BIT(SQL_INSERT_STATEMENT, SQL_IS_SELECT_INTO), "SELECT sym INTO copied FROM trades", true},
    {BIT(SQL_CREATE_VIEW, SQL_CV_CREATE_VIEW), "CREATE VIEW cheap AS SELECT sym FROM trades", true},
    {BIT(SQL_ALTER_TABLE, SQL_AT_ADD_COLUMN_SINGLE), "ALTER TABLE quotes ADD COLUMN ask DOUBLE", true},
    {BIT(SQL_DDL_INDEX, SQL_DI_CREATE_INDEX), "CREATE INDEX by_sym ON quotes (sym)", true},

    // Cursors, positioned operations and SQLGetData.
    {BIT(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_NEXT), nullptr, true, nullptr, fetch_next_by_fetch_scroll},
    // One way only: the driver moves a forward-only cursor anywhere (results are held whole), but
    // a forward-only cursor is one ODBC moves only forward: an application that scrolls asks for
    // a static cursor, which is refused (SQL_SO_STATIC below).
    {BIT(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_ABSOLUTE), nullptr, false, nullptr, fetch_absolute},
    {BIT(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_POS_POSITION), nullptr, true, nullptr, set_pos_position},
    {BIT(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_POS_UPDATE), nullptr, true, nullptr, set_pos_update},
    {BIT(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_POS_DELETE), nullptr, true, nullptr, set_pos_delete},
    {BIT(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_POS_REFRESH), nullptr, true, nullptr, set_pos_refresh},
    {BIT(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_SELECT_FOR_UPDATE), "select sym from trades FOR UPDATE", true},
    {BIT(SQL_POS_OPERATIONS, SQL_POS_POSITION), nullptr, true, nullptr, set_pos_position},
    {BIT(SQL_POS_OPERATIONS, SQL_POS_UPDATE), nullptr, true, nullptr, set_pos_update},
    {BIT(SQL_POS_OPERATIONS, SQL_POS_DELETE), nullptr, true, nullptr, set_pos_delete},
    {BIT(SQL_POS_OPERATIONS, SQL_POS_REFRESH), nullptr, true, nullptr, set_pos_refresh},
    {BIT(SQL_POS_OPERATIONS, SQL_POS_ADD), nullptr, true, nullptr, set_pos_add},
    {BIT(SQL_SCROLL_OPTIONS, SQL_SO_FORWARD_ONLY), nullptr, true, nullptr, fetch_next_by_fetch_scroll},
    {BIT(SQL_SCROLL_OPTIONS, SQL_SO_STATIC), nullptr, true, nullptr, static_cursor},
    {BIT(SQL_STATIC_CURSOR_ATTRIBUTES1, SQL_CA1_NEXT), nullptr, true, nullptr, static_cursor},
    {BIT(SQL_GETDATA_EXTENSIONS, SQL_GD_ANY_COLUMN), nullptr, true, nullptr, get_data_any_column},
    {BIT(SQL_GETDATA_EXTENSIONS, SQL_GD_ANY_ORDER), nullptr, true, nullptr, get_data_any_order},
    {BIT(SQL_GETDATA_EXTENSIONS, SQL_GD_BOUND), nullptr, true, nullptr, get_data_bound},
    {BIT(SQL_GETDATA_EXTENSIONS, SQL_GD_BLOCK), nullptr, true, nullptr, get_data_block},
};

// ---- the conversions of {fn CONVERT(value, type)}, one row per source and target -----------

struct conversion_source {
    SQLUSMALLINT info;
    const char* info_name;
    const char* value;  // an expression of that type
};

#define SOURCE(info, value) \
    { info, #info, value }

// The store has four kinds of value: 64-bit integers (every ODBC integer type), doubles (the
// floating and exact numeric types), texts and timestamps (dates are their midnight).
const conversion_source sources[] = {
    SOURCE(SQL_CONVERT_BIGINT, "volume"),
    SOURCE(SQL_CONVERT_INTEGER, "volume"),
    SOURCE(SQL_CONVERT_SMALLINT, "volume"),
    SOURCE(SQL_CONVERT_TINYINT, "volume"),
    SOURCE(SQL_CONVERT_BIT, "1"),
    SOURCE(SQL_CONVERT_DOUBLE, "price"),
    SOURCE(SQL_CONVERT_FLOAT, "price"),
    SOURCE(SQL_CONVERT_REAL, "price"),
    SOURCE(SQL_CONVERT_DECIMAL, "price"),
    SOURCE(SQL_CONVERT_NUMERIC, "price"),
    SOURCE(SQL_CONVERT_CHAR, "'2021-03-04'"),
    SOURCE(SQL_CONVERT_VARCHAR, "'2021-03-04'"),
    SOURCE(SQL_CONVERT_LONGVARCHAR, "'2021-03-04'"),
    SOURCE(SQL_CONVERT_WCHAR, "'2021-03-04'"),
    SOURCE(SQL_CONVERT_WVARCHAR, "'2021-03-04'"),
    SOURCE(SQL_CONVERT_WLONGVARCHAR, "'2021-03-04'"),
    SOURCE(SQL_CONVERT_TIMESTAMP, T),
    SOURCE(SQL_CONVERT_DATE, "{d '2021-03-04'}"),
    SOURCE(SQL_CONVERT_TIME, "{t '05:06:07'}"),
    SOURCE(SQL_CONVERT_BINARY, "X'6162'"),
    SOURCE(SQL_CONVERT_VARBINARY, "X'6162'"),
    SOURCE(SQL_CONVERT_LONGVARBINARY, "X'6162'"),
    SOURCE(SQL_CONVERT_GUID, "'6F9619FF-8B86-D011-B42D-00C04FC964FF'"),
};

struct conversion_target {
    SQLUINTEGER bit;
    const char* bit_name;
    const char* type;  // the type argument of CONVERT
};

#define TARGET(bit, type) \
    { static_cast<SQLUINTEGER>(bit), #bit, type }

const conversion_target targets[] = {
    TARGET(SQL_CVT_BIGINT, "SQL_BIGINT"),
    TARGET(SQL_CVT_INTEGER, "SQL_INTEGER"),
    TARGET(SQL_CVT_SMALLINT, "SQL_SMALLINT"),
    TARGET(SQL_CVT_TINYINT, "SQL_TINYINT"),
    TARGET(SQL_CVT_BIT, "SQL_BIT"),
    TARGET(SQL_CVT_DOUBLE, "SQL_DOUBLE"),
    TARGET(SQL_CVT_FLOAT, "SQL_FLOAT"),
    TARGET(SQL_CVT_REAL, "SQL_REAL"),
    TARGET(SQL_CVT_DECIMAL, "SQL_DECIMAL"),
    TARGET(SQL_CVT_NUMERIC, "SQL_NUMERIC"),
    TARGET(SQL_CVT_CHAR, "SQL_CHAR"),
    TARGET(SQL_CVT_VARCHAR, "SQL_VARCHAR"),
    TARGET(SQL_CVT_LONGVARCHAR, "SQL_LONGVARCHAR"),
    TARGET(SQL_CVT_WCHAR, "SQL_WCHAR"),
    TARGET(SQL_CVT_WVARCHAR, "SQL_WVARCHAR"),
    TARGET(SQL_CVT_WLONGVARCHAR, "SQL_WLONGVARCHAR"),
    TARGET(SQL_CVT_TIMESTAMP, "SQL_TIMESTAMP"),
    TARGET(SQL_CVT_DATE, "SQL_DATE"),
    TARGET(SQL_CVT_TIME, "SQL_TIME"),
    TARGET(SQL_CVT_BINARY, "SQL_BINARY"),
    TARGET(SQL_CVT_VARBINARY, "SQL_VARBINARY"),
    TARGET(SQL_CVT_LONGVARBINARY, "SQL_LONGVARBINARY"),
    TARGET(SQL_CVT_GUID, "SQL_GUID"),
};

bool is_text_source(SQLUSMALLINT info) {
    return info == SQL_CONVERT_CHAR || info == SQL_CONVERT_VARCHAR || info == SQL_CONVERT_LONGVARCHAR ||
           info == SQL_CONVERT_WCHAR || info == SQL_CONVERT_WVARCHAR || info == SQL_CONVERT_WLONGVARCHAR;
}
bool is_time_source(SQLUSMALLINT info) { return info == SQL_CONVERT_TIMESTAMP || info == SQL_CONVERT_DATE; }
bool is_number_target(SQLUINTEGER bit) {
    return (bit & (SQL_CVT_BIGINT | SQL_CVT_INTEGER | SQL_CVT_SMALLINT | SQL_CVT_TINYINT | SQL_CVT_BIT |
                   SQL_CVT_DOUBLE | SQL_CVT_FLOAT | SQL_CVT_REAL | SQL_CVT_DECIMAL | SQL_CVT_NUMERIC)) != 0;
}
bool is_text_target(SQLUINTEGER bit) {
    return (bit & (SQL_CVT_CHAR | SQL_CVT_VARCHAR | SQL_CVT_LONGVARCHAR | SQL_CVT_WCHAR | SQL_CVT_WVARCHAR |
                   SQL_CVT_WLONGVARCHAR)) != 0;
}

bool is_binary_source(SQLUSMALLINT info) {
    return info == SQL_CONVERT_BINARY || info == SQL_CONVERT_VARBINARY || info == SQL_CONVERT_LONGVARBINARY;
}
bool is_time_target(SQLUINTEGER bit) { return (bit & (SQL_CVT_TIMESTAMP | SQL_CVT_DATE | SQL_CVT_TIME)) != 0; }

// Pairs that may run but do not convert as ODBC means, so they are not claimed and their running
// does not make them claimed (tried one way only: claimed => works):
//  - a text to a number: the store's CAST gives 0 for a text that is not a number, where ODBC
//    wants 22018;
//  - a timestamp, date or time to a number or a text: the store's CAST reads its count of
//    nanoseconds, not its text;
//  - a number to a timestamp or date: the store reads it as nanoseconds since 1970, a conversion
//    SQL does not have;
//  - a time to a date: SQL has no such conversion (the store would give the current date);
//  - a binary value to anything: the store gives its bytes, not their hexadecimal digits;
//  - a GUID to anything: the store has no GUID values, the text that stands in is a text.
bool one_way_only(SQLUSMALLINT source, SQLUINTEGER target) {
    const bool time_source = is_time_source(source) || source == SQL_CONVERT_TIME;
    const bool number_source =
        !is_text_source(source) && !time_source && !is_binary_source(source) && source != SQL_CONVERT_GUID;
    return (is_text_source(source) && is_number_target(target)) ||
           (time_source && (is_number_target(target) || is_text_target(target))) ||
           (number_source && is_time_target(target)) || (source == SQL_CONVERT_TIME && target == SQL_CVT_DATE) ||
           is_binary_source(source) || source == SQL_CONVERT_GUID;
}

// The conversion rows, made once: their statement texts live as long as the program.
std::vector<capability> conversion_rows() {
    static const std::deque<std::string> texts = [] {
        std::deque<std::string> made;
        for (const auto& s : sources)
            for (const auto& t : targets)
                made.push_back(std::string("select {fn CONVERT(") + s.value + ", " + t.type + ")} from trades");
        return made;
    }();
    std::vector<capability> out;
    auto text = texts.begin();
    for (const auto& s : sources)
        for (const auto& t : targets)
            out.push_back({s.info, s.info_name, t.bit, t.bit_name, (text++)->c_str(), !one_way_only(s.info, t.bit)});
    return out;
}

std::vector<capability> all_rows() {
    std::vector<capability> out(std::begin(rows), std::end(rows));
    const auto conversions = conversion_rows();
    out.insert(out.end(), conversions.begin(), conversions.end());
    return out;
}

// Bits that no statement or call sequence can try, each with its reason. Empty at present: every
// bit claimed is tried above.
struct untried_bit {
    SQLUSMALLINT info;
    SQLUINTEGER bit;
};
const std::vector<untried_bit> untried{};

// Every bitmask SQLGetInfo defines (ODBC 3.80), read from the driver.
struct bitmask_info {
    SQLUSMALLINT info;
    const char* name;
};
#define MASK(info) \
    { info, #info }
constexpr bitmask_info bitmasks[] = {
    MASK(SQL_AGGREGATE_FUNCTIONS),
    MASK(SQL_ALTER_DOMAIN),
    MASK(SQL_ALTER_TABLE),
    MASK(SQL_BATCH_ROW_COUNT),
    MASK(SQL_BATCH_SUPPORT),
    MASK(SQL_BOOKMARK_PERSISTENCE),
    MASK(SQL_CATALOG_USAGE),
    MASK(SQL_CONVERT_BIGINT),
    MASK(SQL_CONVERT_BINARY),
    MASK(SQL_CONVERT_BIT),
    MASK(SQL_CONVERT_CHAR),
    MASK(SQL_CONVERT_DATE),
    MASK(SQL_CONVERT_DECIMAL),
    MASK(SQL_CONVERT_DOUBLE),
    MASK(SQL_CONVERT_FLOAT),
    MASK(SQL_CONVERT_FUNCTIONS),
    MASK(SQL_CONVERT_GUID),
    MASK(SQL_CONVERT_INTEGER),
    MASK(SQL_CONVERT_INTERVAL_DAY_TIME),
    MASK(SQL_CONVERT_INTERVAL_YEAR_MONTH),
    MASK(SQL_CONVERT_LONGVARBINARY),
    MASK(SQL_CONVERT_LONGVARCHAR),
    MASK(SQL_CONVERT_NUMERIC),
    MASK(SQL_CONVERT_REAL),
    MASK(SQL_CONVERT_SMALLINT),
    MASK(SQL_CONVERT_TIME),
    MASK(SQL_CONVERT_TIMESTAMP),
    MASK(SQL_CONVERT_TINYINT),
    MASK(SQL_CONVERT_VARBINARY),
    MASK(SQL_CONVERT_VARCHAR),
    MASK(SQL_CONVERT_WCHAR),
    MASK(SQL_CONVERT_WLONGVARCHAR),
    MASK(SQL_CONVERT_WVARCHAR),
    MASK(SQL_CREATE_ASSERTION),
    MASK(SQL_CREATE_CHARACTER_SET),
    MASK(SQL_CREATE_COLLATION),
    MASK(SQL_CREATE_DOMAIN),
    MASK(SQL_CREATE_SCHEMA),
    MASK(SQL_CREATE_TABLE),
    MASK(SQL_CREATE_TRANSLATION),
    MASK(SQL_CREATE_VIEW),
    MASK(SQL_DATETIME_LITERALS),
    MASK(SQL_DDL_INDEX),
    MASK(SQL_DROP_ASSERTION),
    MASK(SQL_DROP_CHARACTER_SET),
    MASK(SQL_DROP_COLLATION),
    MASK(SQL_DROP_DOMAIN),
    MASK(SQL_DROP_SCHEMA),
    MASK(SQL_DROP_TABLE),
    MASK(SQL_DROP_TRANSLATION),
    MASK(SQL_DROP_VIEW),
    MASK(SQL_DYNAMIC_CURSOR_ATTRIBUTES1),
    MASK(SQL_DYNAMIC_CURSOR_ATTRIBUTES2),
    MASK(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1),
    MASK(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2),
    MASK(SQL_GETDATA_EXTENSIONS),
    MASK(SQL_INDEX_KEYWORDS),
    MASK(SQL_INFO_SCHEMA_VIEWS),
    MASK(SQL_INSERT_STATEMENT),
    MASK(SQL_KEYSET_CURSOR_ATTRIBUTES1),
    MASK(SQL_KEYSET_CURSOR_ATTRIBUTES2),
    MASK(SQL_LOCK_TYPES),
    MASK(SQL_NUMERIC_FUNCTIONS),
    MASK(SQL_OJ_CAPABILITIES),
    MASK(SQL_POS_OPERATIONS),
    MASK(SQL_POSITIONED_STATEMENTS),
    MASK(SQL_SCHEMA_USAGE),
    MASK(SQL_SCROLL_OPTIONS),
    MASK(SQL_SQL92_DATETIME_FUNCTIONS),
    MASK(SQL_SQL92_FOREIGN_KEY_DELETE_RULE),
    MASK(SQL_SQL92_FOREIGN_KEY_UPDATE_RULE),
    MASK(SQL_SQL92_GRANT),
    MASK(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS),
    MASK(SQL_SQL92_PREDICATES),
    MASK(SQL_SQL92_RELATIONAL_JOIN_OPERATORS),
    MASK(SQL_SQL92_REVOKE),
    MASK(SQL_SQL92_ROW_VALUE_CONSTRUCTOR),
    MASK(SQL_SQL92_STRING_FUNCTIONS),
    MASK(SQL_SQL92_VALUE_EXPRESSIONS),
    MASK(SQL_STATIC_CURSOR_ATTRIBUTES1),
    MASK(SQL_STATIC_CURSOR_ATTRIBUTES2),
    MASK(SQL_STRING_FUNCTIONS),
    MASK(SQL_SUBQUERIES),
    MASK(SQL_SYSTEM_FUNCTIONS),
    MASK(SQL_TIMEDATE_ADD_INTERVALS),
    MASK(SQL_TIMEDATE_DIFF_INTERVALS),
    MASK(SQL_TIMEDATE_FUNCTIONS),
    MASK(SQL_TXN_ISOLATION_OPTION),
    MASK(SQL_UNION),
};

// The sample store, made anew for each test, and a connection to it. Every test of this file shares
// one private configuration, kept to the end of the process: unixODBC, whose configuration changes
// under it while it keeps values it read, stops finding the driver after some hundred connections.
class sample_store : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!shared_config) shared_config = std::make_unique<support::private_odbc_config>();
    }

    void SetUp() override {
        static int stores = 0;
        const std::string uri =
            "file://" + (shared_config->dir() / ("sample" + std::to_string(++stores) + ".db")).string();
        support::seed_store(
            uri, {"CREATE TABLE trades (sym STRING, price DOUBLE, volume INT64)",
                  "CREATE TABLE quotes (sym STRING, bid DOUBLE)",
                  "INSERT INTO trades ($timestamp, sym, price, volume) VALUES (1000000000, 'ibm', 10.5, 100), "
                  "(2000000000, 'msft', 20.25, 200), (3000000000, NULL, NULL, NULL), "
                  "(4000000000, 'aapl', 30.0, 300)",
                  "INSERT INTO quotes ($timestamp, sym, bid) VALUES (1000000000, 'ibm', 10.0), "
                  "(2000000000, 'goog', 5.0)"});
        support::connect_with("DRIVER={vdl};URI=" + uri, env, dbc, stmt);
    }
    void TearDown() override { support::free_connection(env, dbc, stmt); }

    static inline std::unique_ptr<support::private_odbc_config> shared_config;
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;

    [[nodiscard]] SQLUINTEGER info32(SQLUSMALLINT type) const {
        SQLUINTEGER value = 0;
        SQLSMALLINT length = 0;
        EXPECT_EQ(SQLGetInfo(dbc, type, &value, sizeof value, &length), SQL_SUCCESS)
            << support::diag(SQL_HANDLE_DBC, dbc);
        EXPECT_EQ(length, 4) << type;
        return value;
    }
    [[nodiscard]] SQLUSMALLINT info16(SQLUSMALLINT type) const {
        SQLUSMALLINT value = 0;
        SQLSMALLINT length = 0;
        EXPECT_EQ(SQLGetInfo(dbc, type, &value, sizeof value, &length), SQL_SUCCESS)
            << support::diag(SQL_HANDLE_DBC, dbc);
        EXPECT_EQ(length, 2) << type;
        return value;
    }
    [[nodiscard]] std::string info_text(SQLUSMALLINT type) const {
        char value[64] = {};
        SQLSMALLINT length = 0;
        EXPECT_EQ(SQLGetInfo(dbc, type, value, sizeof value, &length), SQL_SUCCESS)
            << support::diag(SQL_HANDLE_DBC, dbc);
        return value;
    }

    // Runs a statement and reads every row's first cell as text: "" when it worked, else why not.
    // `first` receives the first row's first cell ("NULL" for NULL).
    std::string run(const char* text, std::string* first = nullptr) const {
        const SQLRETURN rc = SQLExecDirect(stmt, sql_text(text), SQL_NTS);
        if (!SQL_SUCCEEDED(rc)) return support::diag(SQL_HANDLE_STMT, stmt);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt, &columns);
        bool first_row = true;
        SQLRETURN fetched = SQL_SUCCESS;
        while (columns > 0 && SQL_SUCCEEDED(fetched = SQLFetch(stmt))) {
            char cell[256] = {};
            SQLLEN length = 0;
            if (!SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_CHAR, cell, sizeof cell, &length)))
                return "reading: " + support::diag(SQL_HANDLE_STMT, stmt);
            if (first_row && first != nullptr) *first = length == SQL_NULL_DATA ? "NULL" : cell;
            first_row = false;
        }
        if (columns > 0 && fetched != SQL_NO_DATA) return "fetching: " + support::diag(SQL_HANDLE_STMT, stmt);
        SQLFreeStmt(stmt, SQL_CLOSE);
        return "";
    }
};

// The first cell as expected: numbers compared as numbers, "x*" as a prefix.
bool same_cell(const std::string& expected, const std::string& got) {
    if (!expected.empty() && expected.back() == '*')
        return got.starts_with(std::string_view(expected).substr(0, expected.size() - 1));
    char* end_e = nullptr;
    char* end_g = nullptr;
    const double e = std::strtod(expected.c_str(), &end_e);
    const double g = std::strtod(got.c_str(), &end_g);
    if (!expected.empty() && !got.empty() && *end_e == '\0' && *end_g == '\0')
        return std::fabs(e - g) <= 1e-9 * std::max(1.0, std::fabs(e));
    return expected == got;
}

class Capability : public sample_store, public ::testing::WithParamInterface<capability> {};

}  // namespace

TEST_P(Capability, ClaimedWorksAndWorkingIsClaimed) {
    const capability& c = GetParam();
    const bool claimed = (info32(c.info) & c.bit) != 0;
    std::string first;
    std::string failure = c.probe != nullptr ? c.probe(dbc, stmt) : run(c.sql, &first);
    if (failure.empty() && c.first != nullptr && c.probe == nullptr && !same_cell(c.first, first))
        failure = "answered " + first + ", not " + c.first;
    const bool works = failure.empty();
    if (claimed) {
        EXPECT_TRUE(works) << c.info_name << " claims " << c.bit_name << ", but: " << failure;
    }
    if (c.both_ways && works) {
        EXPECT_TRUE(claimed) << c << " works, but " << c.info_name << " does not claim it";
    }
}

INSTANTIATE_TEST_SUITE_P(GetInfo, Capability, ::testing::ValuesIn(all_rows()),
                         [](const ::testing::TestParamInfo<capability>& row) {
                             std::string name = std::string(row.param.info_name) + "_" + row.param.bit_name + "_" +
                                                std::to_string(row.index);
                             std::replace_if(
                                 name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                             return name;
                         });

TEST_F(sample_store, EveryClaimedBitIsTried) {
    const auto table = all_rows();
    for (const auto& mask : bitmasks) {
        SQLUINTEGER value = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetInfo(dbc, mask.info, &value, sizeof value, &length))) continue;  // not answered
        EXPECT_EQ(length, 4) << mask.name << " is a 32-bit mask";
        for (int shift = 0; shift < 32; ++shift) {
            const SQLUINTEGER bit = SQLUINTEGER{1} << shift;
            if ((value & bit) == 0) continue;
            const bool tried = std::any_of(table.begin(), table.end(),
                                           [&](const capability& c) { return c.info == mask.info && c.bit == bit; });
            const bool excused = std::any_of(untried.begin(), untried.end(),
                                             [&](const untried_bit& u) { return u.info == mask.info && u.bit == bit; });
            EXPECT_TRUE(tried || excused)
                << mask.name << " claims bit 0x" << std::hex << bit << " that no row of the capability table tries";
        }
    }
}

// ---- scalar answers, by behaviour ----------------------------------------------------------

TEST_F(sample_store, NullCollationIsWhereOrderByPutsNull) {
    ASSERT_EQ(info16(SQL_NULL_COLLATION), SQL_NC_LOW);
    std::string first;
    ASSERT_EQ(run("select sym from trades order by sym", &first), "");
    EXPECT_EQ(first, "NULL") << "low: first when ascending";
    ASSERT_EQ(run("select sym from trades order by sym desc", &first), "");
    EXPECT_EQ(first, "msft") << "low: last when descending";
}

TEST_F(sample_store, AnInsensitiveCursorDoesNotSeeLaterChanges) {
    ASSERT_EQ(info32(SQL_CURSOR_SENSITIVITY), static_cast<SQLUINTEGER>(SQL_INSENSITIVE));
    ASSERT_EQ(SQLExecDirect(stmt, sql_text("select volume from trades order by $timestamp"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLHSTMT other = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &other), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecDirect(other, sql_text("UPDATE trades SET volume = 7"), SQL_NTS)))
        << support::diag(SQL_HANDLE_STMT, other);
    SQLFreeHandle(SQL_HANDLE_STMT, other);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    SQLBIGINT volume = 0;
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_SBIGINT, &volume, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(volume, 200) << "the value as it was when the statement ran";
}

TEST_F(sample_store, QuotedIdentifiersMatchWhateverTheirCase) {
    EXPECT_EQ(info_text(SQL_IDENTIFIER_QUOTE_CHAR), "\"");
    EXPECT_EQ(info16(SQL_QUOTED_IDENTIFIER_CASE), SQL_IC_MIXED);
    EXPECT_EQ(info16(SQL_IDENTIFIER_CASE), SQL_IC_MIXED);
    std::string first;
    EXPECT_EQ(run("select \"sym\" from \"trades\" order by $timestamp", &first), "");
    EXPECT_EQ(first, "ibm");
    EXPECT_EQ(run("select \"SYM\" from \"Trades\" order by $timestamp", &first), "") << "insensitive: not SENSITIVE";
    EXPECT_EQ(first, "ibm");
    EXPECT_EQ(run("select SYM from TRADES order by $timestamp", &first), "");
    // Mixed: kept as written in the catalog.
    ASSERT_EQ(run("CREATE TABLE \"MixedCase\" (n INT64)"), "");
    ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, sql_text("MixedCase"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    char name[32] = {};
    ASSERT_EQ(SQLGetData(stmt, 3, SQL_C_CHAR, name, sizeof name, nullptr), SQL_SUCCESS);
    EXPECT_STREQ(name, "MixedCase");
}

TEST_F(sample_store, TheSearchPatternEscapeMakesAnUnderscoreItself) {
    ASSERT_EQ(info_text(SQL_SEARCH_PATTERN_ESCAPE), "\\");
    ASSERT_EQ(run("CREATE TABLE cpu_load (n INT64)"), "");
    ASSERT_EQ(run("CREATE TABLE cpuxload (n INT64)"), "");
    const auto names = [&](const char* pattern) {
        std::string all;
        EXPECT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, sql_text(pattern), SQL_NTS, nullptr, 0), SQL_SUCCESS);
        char name[32] = {};
        while (SQLFetch(stmt) == SQL_SUCCESS) {
            SQLGetData(stmt, 3, SQL_C_CHAR, name, sizeof name, nullptr);
            all += std::string(name) + " ";
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
        return all;
    };
    EXPECT_EQ(names("cpu_load"), "cpu_load cpuxload ");
    EXPECT_EQ(names("cpu\\_load"), "cpu_load ");
}

TEST_F(sample_store, OtherAnswersByBehaviour) {
    // SQL_CB_NULL: a concatenation with NULL is NULL.
    EXPECT_EQ(info16(SQL_CONCAT_NULL_BEHAVIOR), SQL_CB_NULL);
    std::string first;
    EXPECT_EQ(run("select 'a' || NULL from trades", &first), "");
    EXPECT_EQ(first, "NULL");
    // No transactions: SQL_TC_NONE.
    EXPECT_EQ(info16(SQL_TXN_CAPABLE), SQL_TC_NONE);
    // A correlation name may be any name, the table's own too.
    EXPECT_EQ(info16(SQL_CORRELATION_NAME), SQL_CN_ANY);
    EXPECT_EQ(run("select trades.sym from trades trades"), "");
    EXPECT_EQ(run("select t.sym from trades t"), "");
    // Column aliases, ORDER BY of expressions and of columns not selected.
    EXPECT_EQ(info_text(SQL_COLUMN_ALIAS), "Y");
    EXPECT_EQ(run("select sym AS s from trades order by s"), "");
    EXPECT_EQ(info_text(SQL_EXPRESSIONS_IN_ORDERBY), "Y");
    EXPECT_EQ(run("select sym from trades order by price * 2"), "");
    EXPECT_EQ(info_text(SQL_ORDER_BY_COLUMNS_IN_SELECT), "N");
    EXPECT_EQ(run("select sym from trades order by volume"), "");
    // GROUP BY columns need not be selected, nor selected columns grouped.
    EXPECT_EQ(info16(SQL_GROUP_BY), SQL_GB_NO_RELATION);
    EXPECT_EQ(run("select count(*) from trades group by sym"), "");
    // LIKE takes an ESCAPE clause (and the ODBC escape {escape '\'}).
    EXPECT_EQ(info_text(SQL_LIKE_ESCAPE_CLAUSE), "Y");
    EXPECT_EQ(run("select count(*) from trades where sym LIKE 'i\\_%' ESCAPE '\\'", &first), "");
    EXPECT_EQ(first, "0");
    EXPECT_EQ(run("select count(*) from trades where sym LIKE 'ib%' {escape '\\'}", &first), "");
    EXPECT_EQ(first, "1");
}
