// Wide-character buffers through the unixODBC Driver Manager, which hands SQL_C_WCHAR targets,
// SQL_C_WCHAR parameters and the wide SQL types to the driver unchanged: block fetches of wide
// columns (column-wise, row-wise, with a bind offset), piecewise SQLGetData, and wide parameters
// alone and in arrays, read back through the 8-bit path.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "driver_manager.hpp"
#include "vdl_api.h"

namespace {

const std::string zurich = "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x9A\x80";  // Zürich 東京 🚀
const std::u16string zurich16 = u"Zürich 東京 🚀";

std::u16string units_of(const SQLWCHAR* units, SQLLEN bytes) {
    std::u16string out(static_cast<std::size_t>(bytes) / 2, u'\0');
    std::memcpy(out.data(), units, out.size() * 2);
    return out;
}

std::u16string terminated(const SQLWCHAR* units) {
    std::u16string out;
    for (; *units != 0; ++units) out.push_back(static_cast<char16_t>(*units));
    return out;
}

// Rows in time order: (1, Zürich 東京 🚀, 10, 0.5), (2, NULL, 20, NULL), (3, plain, 30, 1e+20).
class WideThroughTheDriverManager : public support::driver_manager_test {
protected:
    void SetUp() override {
        support::seed_store(config.store_uri(), {"CREATE TABLE w (s STRING, n INT64, d DOUBLE)",
                                                 "INSERT INTO w ($timestamp, s, n, d) VALUES (1, '" + zurich +
                                                     "', 10, 0.5), (2, NULL, 20, NULL), (3, 'plain', 30, 1e20)"});
        open();
    }
    void exec(const std::string& text) const {
        SQLFreeStmt(stmt, SQL_CLOSE);
        ASSERT_TRUE(
            SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS)))
            << support::diag(SQL_HANDLE_STMT, stmt);
    }
    void prepare(const std::string& text) const {
        SQLFreeStmt(stmt, SQL_CLOSE);
        SQLFreeStmt(stmt, SQL_RESET_PARAMS);
        ASSERT_EQ(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS), SQL_SUCCESS)
            << support::diag(SQL_HANDLE_STMT, stmt);
    }
    // The texts of the first column, in time order, read through the 8-bit path.
    std::vector<std::string> narrow_texts(const std::string& select) const {
        exec(select);
        std::vector<std::string> texts;
        while (SQLFetch(stmt) == SQL_SUCCESS) {
            char text[256] = {};
            SQLLEN ind = 0;
            EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
            texts.emplace_back(ind == SQL_NULL_DATA ? "NULL" : text);
        }
        return texts;
    }
};

}  // namespace

TEST_F(WideThroughTheDriverManager, ColumnWiseBlockWithABindOffset) {
    exec("select s, n, d from w order by $timestamp");
    constexpr SQLLEN width = 16;  // bytes per slot: seven characters and the terminator
    constexpr std::size_t rows = 4;
    // A bind offset of 16 bytes moves every data address one slot on and every indicator two
    // SQLLEN on: the front of each array stays unwritten.
    std::array<SQLWCHAR, (rows + 1) * width / 2> s{}, n{};
    std::array<SQLLEN, rows + 2> s_ind{}, n_ind{};
    s_ind.fill(-7);
    n_ind.fill(-7);
    SQLLEN offset = width;
    std::array<SQLUSMALLINT, rows> status{};
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, status.data(), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_WCHAR, s.data(), width, s_ind.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 2, SQL_C_WCHAR, n.data(), width, n_ind.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS_WITH_INFO) << support::diag(SQL_HANDLE_STMT, stmt);
    const auto slot = [](const auto& column, std::size_t j) { return terminated(column.data() + (j + 1) * width / 2); };
    EXPECT_EQ(s[0], 0) << "the slot before the offset is not written";
    EXPECT_EQ(s_ind[0], -7);
    EXPECT_EQ(s_ind[1], -7);
    EXPECT_EQ(s_ind[2], static_cast<SQLLEN>(zurich16.size() * 2));
    EXPECT_EQ(slot(s, 0), zurich16.substr(0, 7)) << "cut on a whole character, with 01004";
    EXPECT_EQ(s_ind[3], SQL_NULL_DATA);
    EXPECT_EQ(s_ind[4], 10);
    EXPECT_EQ(slot(s, 2), u"plain");
    EXPECT_EQ(s_ind[5], SQL_NULL_DATA) << "no fourth row";
    EXPECT_EQ(slot(n, 0), u"10");
    EXPECT_EQ(slot(n, 2), u"30");
    EXPECT_EQ(n_ind[2], 4);
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, rows>{SQL_ROW_SUCCESS_WITH_INFO, SQL_ROW_SUCCESS, SQL_ROW_SUCCESS,
                                                      SQL_ROW_NOROW}));
}

TEST_F(WideThroughTheDriverManager, RowWiseWideAndNarrowSideBySide) {
    struct row {
        SQLWCHAR s[32];
        SQLLEN s_ind;
        char d[32];
        SQLLEN d_ind;
        SQLWCHAR d_wide[32];
        SQLLEN d_wide_ind;
    };
    std::array<row, 3> rows{};
    exec("select s, d from w order by $timestamp");
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(row)), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows.size()), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_WCHAR, rows[0].s, sizeof rows[0].s, &rows[0].s_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 2, SQL_C_CHAR, rows[0].d, sizeof rows[0].d, &rows[0].d_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(terminated(rows[0].s), zurich16);
    EXPECT_EQ(rows[1].s_ind, SQL_NULL_DATA);
    EXPECT_EQ(terminated(rows[2].s), u"plain");

    // The same double as 8-bit and as wide text: the same characters.
    exec("select d, d from w order by $timestamp");
    SQLFreeStmt(stmt, SQL_UNBIND);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_CHAR, rows[0].d, sizeof rows[0].d, &rows[0].d_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 2, SQL_C_WCHAR, rows[0].d_wide, sizeof rows[0].d_wide, &rows[0].d_wide_ind),
              SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    for (const row& r : rows) {
        ASSERT_EQ(r.d_ind == SQL_NULL_DATA, r.d_wide_ind == SQL_NULL_DATA);
        if (r.d_ind == SQL_NULL_DATA) continue;
        const std::string narrow(r.d);
        EXPECT_EQ(terminated(r.d_wide), std::u16string(narrow.begin(), narrow.end()));
        EXPECT_EQ(r.d_wide_ind, r.d_ind * 2);
    }
    EXPECT_EQ(std::string(rows[2].d), "1e+20");
}

TEST_F(WideThroughTheDriverManager, GetDataHandsALongValueOutInWholeCharacters) {
    std::string long_text;
    std::u16string long16;
    for (int i = 0; i < 500; ++i) {
        long_text +=
            "\xF0\x9F\x9A\x80\xC3\xBC"
            "a";
        long16 += u"🚀üa";
    }
    exec("INSERT INTO w ($timestamp, s) VALUES (4, '" + long_text + "')");
    exec("select s, n from w where $timestamp = 4");
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    std::u16string joined;
    std::array<SQLWCHAR, 50> piece{};  // 100 bytes: 49 units and the terminator
    SQLLEN ind = 0;
    SQLRETURN rc = SQL_SUCCESS_WITH_INFO;
    int calls = 0;
    while (rc == SQL_SUCCESS_WITH_INFO) {
        rc = SQLGetData(stmt, 1, SQL_C_WCHAR, piece.data(), sizeof piece, &ind);
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << support::diag(SQL_HANDLE_STMT, stmt);
        EXPECT_EQ(ind, static_cast<SQLLEN>((long16.size() - joined.size()) * 2)) << "the bytes left, call " << calls;
        if (rc == SQL_SUCCESS_WITH_INFO) {
            EXPECT_EQ(support::diag(SQL_HANDLE_STMT, stmt).substr(0, 5), "01004");
        }
        const std::u16string got = terminated(piece.data());
        ASSERT_FALSE(got.empty());
        EXPECT_FALSE(got.back() >= 0xD800 && got.back() < 0xDC00) << "half a pair at call " << calls;
        joined += got;
        ++calls;
    }
    EXPECT_EQ(joined, long16);
    EXPECT_EQ(calls, 42) << "48 or 49 units a call out of 2000: a pair that does not fit waits for the next";
    EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_WCHAR, piece.data(), sizeof piece, &ind), SQL_NO_DATA);
    // Another column starts over; so does the next value of the same column after a fetch.
    ASSERT_EQ(SQLGetData(stmt, 2, SQL_C_WCHAR, piece.data(), sizeof piece, &ind), SQL_SUCCESS);
    EXPECT_EQ(ind, SQL_NULL_DATA);
    exec("select s from w order by $timestamp");
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_WCHAR, piece.data(), 8, &ind), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(units_of(piece.data(), 8), std::u16string(u"Zür\0", 4));
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_WCHAR, piece.data(), sizeof piece, &ind), SQL_SUCCESS);
    EXPECT_EQ(terminated(piece.data()), zurich16.substr(3));
    EXPECT_EQ(ind, static_cast<SQLLEN>((zurich16.size() - 3) * 2));
}

TEST_F(WideThroughTheDriverManager, WideParametersAreStoredAsWritten) {
    prepare("insert into w (s, n, $timestamp) values (?, ?, ?)");
    std::u16string value = zurich16;
    SQLLEN nts = SQL_NTS;
    std::u16string number = u"41";
    SQLLEN number_bytes = 4;
    SQLBIGINT stamp = 10;
    ASSERT_EQ(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 40, 0, value.data(),
                               static_cast<SQLLEN>((value.size() + 1) * 2), &nts),
              SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(
        SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_INTEGER, 0, 0, number.data(), 4, &number_bytes),
        SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(stmt, 3, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &stamp, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(narrow_texts("select s from w where n = 41"), std::vector<std::string>{zurich});

    // The other wide types, and SQL_C_DEFAULT, which for a wide type is SQL_C_WCHAR.
    prepare("select n from w where s = ?");
    for (const SQLSMALLINT type : std::to_array<SQLSMALLINT>({SQL_WCHAR, SQL_WVARCHAR, SQL_WLONGVARCHAR})) {
        for (const SQLSMALLINT c_type : std::to_array<SQLSMALLINT>({SQL_C_WCHAR, SQL_C_DEFAULT})) {
            SQLFreeStmt(stmt, SQL_CLOSE);
            ASSERT_EQ(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, c_type, type, 0, 0, value.data(),
                                       static_cast<SQLLEN>(value.size() * 2), nullptr),
                      SQL_SUCCESS)
                << type;
            ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << type << " " << support::diag(SQL_HANDLE_STMT, stmt);
            std::vector<SQLBIGINT> found;
            SQLBIGINT n = 0;
            SQLLEN ind = 0;
            while (SQLFetch(stmt) == SQL_SUCCESS) {
                SQLGetData(stmt, 1, SQL_C_SBIGINT, &n, 0, &ind);
                found.push_back(n);
            }
            EXPECT_EQ(found, (std::vector<SQLBIGINT>{10, 41})) << type << " " << c_type;
        }
    }
    // A length that is not a whole number of characters is refused, and nothing runs.
    prepare("insert into w (s, $timestamp) values (?, 11)");
    SQLLEN odd = 3;
    ASSERT_EQ(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 0, 0, value.data(), 40, &odd),
              SQL_SUCCESS);
    EXPECT_EQ(SQLExecute(stmt), SQL_ERROR);
    EXPECT_EQ(support::diag(SQL_HANDLE_STMT, stmt).substr(0, 5), "HY090");
    EXPECT_EQ(narrow_texts("select count(*) from w"), std::vector<std::string>{"4"});
}

TEST_F(WideThroughTheDriverManager, WideParameterArraysColumnAndRowWise) {
    prepare("insert into w (s, n, $timestamp) values (?, ?, ?)");
    constexpr SQLULEN sets = 3;
    constexpr SQLLEN width = 16;  // bytes per value
    std::array<SQLWCHAR, sets * width / 2> s{};
    const std::u16string texts[] = {u"ä", u"🚀🚀", u"東京"};
    for (std::size_t i = 0; i < sets; ++i) std::memcpy(&s[i * width / 2], texts[i].data(), texts[i].size() * 2);
    std::array<SQLLEN, sets> s_ind{SQL_NTS, 8, SQL_NULL_DATA};
    std::array<SQLBIGINT, sets> n{100, 101, 102};
    std::array<SQLBIGINT, sets> stamp{100, 101, 102};
    SQLULEN processed = 0;
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(sets), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
    ASSERT_EQ(
        SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 0, 0, s.data(), width, s_ind.data()),
        SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, n.data(), 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(stmt, 3, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, stamp.data(), 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(processed, sets);
    EXPECT_EQ(narrow_texts("select s from w where n >= 100 order by n"),
              (std::vector<std::string>{"\xC3\xA4", "\xF0\x9F\x9A\x80\xF0\x9F\x9A\x80", "NULL"}));

    // Row-wise: each set's structure holds its text and length.
    struct set {
        SQLWCHAR s[4];
        SQLLEN s_ind;
        SQLBIGINT n;
    };
    std::array<set, 2> rows{};
    std::memcpy(rows[0].s, u"ok", 4);
    rows[0].s_ind = 4;
    rows[0].n = 200;
    std::memcpy(rows[1].s, u"né", 6);  // the terminator is there: SQL_NTS stops at it
    rows[1].s_ind = SQL_NTS;
    rows[1].n = 201;
    prepare("insert into w (s, n) values (?, ?)");
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(rows.size()), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(set)), 0),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WCHAR, 0, 0, rows[0].s, sizeof rows[0].s,
                               &rows[0].s_ind),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &rows[0].n, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0), SQL_SUCCESS);
    EXPECT_EQ(narrow_texts("select s from w where n >= 200 order by n"), (std::vector<std::string>{"ok", "n\xC3\xA9"}));
}
