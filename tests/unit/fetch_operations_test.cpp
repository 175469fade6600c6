// SQLBindCol, SQLFetch, SQLFetchScroll, SQLMoreResults and SQLGetData through the exports, on
// results of a real embedded store.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include <fmt/format.h>

#include "captured_log.hpp"
#include "store_statement.hpp"

namespace {

// Seven rows: v = 0, 10, ... 60; x = 0.5, 1.5, ... with row 3 NULL; s = "r0" ... "r6".
class Fetching : public ::testing::Test {
protected:
    void SetUp() override {
        s.direct("CREATE TABLE t (v INT64, x DOUBLE, s STRING)");
        std::string insert = "INSERT INTO t (v, x, s, $timestamp) VALUES ";
        for (int i = 0; i < 7; ++i) {
            const std::string x = i == 3 ? "NULL" : fmt::format("{}.5", i);
            insert += fmt::format("{}({}, {}, 'r{}', {})", i == 0 ? "" : ", ", 10 * i, x, i, i + 1);
        }
        s.direct(insert);
    }
    void select_all() const {
        ASSERT_EQ(s.exec("select v, x, s from t order by $timestamp"), SQL_SUCCESS) << s.diag_message();
    }
    [[nodiscard]] SQLRETURN scroll(SQLSMALLINT orientation, SQLLEN offset = 0) const {
        return SQLFetchScroll(s.stmt(), orientation, offset);
    }
    void set(SQLINTEGER attribute, SQLPOINTER value) const {
        ASSERT_EQ(SQLSetStmtAttr(s.stmt(), attribute, value, 0), SQL_SUCCESS) << s.diag_message();
    }
    void block_cursor(SQLULEN rows, SQLUSMALLINT* status, SQLULEN* fetched) const {
        set(SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows));
        set(SQL_ATTR_ROW_STATUS_PTR, status);
        set(SQL_ATTR_ROWS_FETCHED_PTR, fetched);
    }
    // The zero-based current row, from SQL_ATTR_ROW_NUMBER; -1 without one.
    [[nodiscard]] std::int64_t position() const {
        SQLULEN number = 0;
        EXPECT_EQ(SQLGetStmtAttr(s.stmt(), SQL_ATTR_ROW_NUMBER, &number, sizeof number, nullptr), SQL_SUCCESS);
        return static_cast<std::int64_t>(number) - 1;
    }

    support::store_statement s;
};

constexpr SQLUSMALLINT ok = SQL_ROW_SUCCESS;
constexpr SQLUSMALLINT none = SQL_ROW_NOROW;

}  // namespace

TEST_F(Fetching, BlockCursorFillsRowsetsAndCountsTheRowsOfEach) {
    std::array<SQLBIGINT, 5> v{};
    std::array<SQLLEN, 5> v_ind{};
    std::array<double, 5> x{};
    std::array<SQLLEN, 5> x_ind{};
    std::array<SQLUSMALLINT, 5> status{};
    SQLULEN fetched = 99;
    block_cursor(5, status.data(), &fetched);
    select_all();
    EXPECT_EQ(fetched, 99u) << "only a fetch writes the rows fetched";
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, v.data(), 0, v_ind.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s.stmt(), 2, SQL_C_DOUBLE, x.data(), 0, x_ind.data()), SQL_SUCCESS);

    support::captured_log log;
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(v, (std::array<SQLBIGINT, 5>{0, 10, 20, 30, 40}));
    EXPECT_EQ(v_ind, (std::array<SQLLEN, 5>{8, 8, 8, 8, 8}));
    EXPECT_EQ(x[4], 4.5);
    EXPECT_EQ(x_ind, (std::array<SQLLEN, 5>{8, 8, 8, SQL_NULL_DATA, 8}));
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 5>{ok, ok, ok, ok, ok}));
    EXPECT_EQ(position(), 0) << "the current row is the first row of the rowset";
    EXPECT_EQ(fetched, 5u);

    v.fill(-1);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 5>{50, 60, -1, -1, -1}));
    EXPECT_EQ(v_ind, (std::array<SQLLEN, 5>{8, 8, SQL_NULL_DATA, SQL_NULL_DATA, SQL_NULL_DATA}));
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 5>{ok, ok, none, none, none}));
    EXPECT_EQ(position(), 5);
    EXPECT_EQ(fetched, 2u) << "only two slots of the last rowset are rows";

    EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 5>{ok, ok, none, none, none})) << "no data writes no status";

    const auto lines = log.lines();
    for (const char* expected :
         {"[Debug] current row: 0 - row count: 7",
          "[Debug] stmt::fetch_column_generic count 5 offset 0 to SQL_C_SBIGINT",
          "[Debug] stmt::fetch_column_generic count 5 offset 5 to SQL_C_DOUBLE", "[Debug] no data"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    }
}

TEST_F(Fetching, ShortResultsAndArraySizeZero) {
    std::array<SQLBIGINT, 5> v{};
    std::array<SQLUSMALLINT, 5> status{};
    status.fill(7);
    SQLULEN fetched = 99;
    block_cursor(5, status.data(), &fetched);
    ASSERT_EQ(s.exec("select v from t where v < 20 order by v"), SQL_SUCCESS);
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, v.data(), 0, nullptr);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 5>{ok, ok, none, none, none}));
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);

    status.fill(7);
    v.fill(-1);
    block_cursor(0, status.data(), &fetched);
    select_all();
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 5>{10, -1, -1, -1, -1})) << "array size 0 fetches one row";
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 5>{ok, 7, 7, 7, 7}));
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(position(), 1);
}

TEST_F(Fetching, RowWiseBindingFillsOneStructurePerRow) {
    struct row {
        SQLINTEGER v;
        char s[4];
        SQLLEN v_ind;
        SQLLEN s_ind;
    };
    static_assert(sizeof(row) == 24);
    std::array<row, 3> rows{};
    select_all();
    set(SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{3}));
    set(SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(row)));
    SQLBindCol(s.stmt(), 1, SQL_C_LONG, &rows[0].v, 0, &rows[0].v_ind);
    SQLBindCol(s.stmt(), 3, SQL_C_CHAR, rows[0].s, sizeof rows[0].s, &rows[0].s_ind);
    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 6), SQL_SUCCESS);
    EXPECT_EQ(rows[0].v, 50);
    EXPECT_EQ(rows[0].v_ind, 4);
    EXPECT_STREQ(rows[0].s, "r5");
    EXPECT_EQ(rows[0].s_ind, 2);
    EXPECT_EQ(rows[1].v, 60);
    EXPECT_STREQ(rows[1].s, "r6");
    EXPECT_EQ(rows[2].v_ind, SQL_NULL_DATA);
    EXPECT_EQ(rows[2].s_ind, SQL_NULL_DATA);
}

TEST_F(Fetching, OneBindingPerColumnAndColumnZeroIsTheFirstColumn) {
    auto x = std::make_unique<double>(-1.0);
    char x_text[8] = {};
    SQLBIGINT first = -1;
    SQLLEN first_ind = 0;
    select_all();
    ASSERT_EQ(SQLBindCol(s.stmt(), 2, SQL_C_DOUBLE, x.get(), 0, nullptr), SQL_SUCCESS);
    // The rebinding replaces the first binding: the freed buffer is never written (the
    // sanitized build reports a write through the old binding).
    ASSERT_EQ(SQLBindCol(s.stmt(), 2, SQL_C_CHAR, x_text, sizeof x_text, nullptr), SQL_SUCCESS);
    x.reset();
    ASSERT_EQ(SQLBindCol(s.stmt(), 0, SQL_C_SBIGINT, &first, 0, &first_ind), SQL_SUCCESS);
    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 3), SQL_SUCCESS);
    EXPECT_STREQ(x_text, "2.5");
    EXPECT_EQ(first, 20);

    // Column 1 is the column that column 0 bound: binding it replaces that binding too.
    SQLINTEGER narrow = -1;
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_LONG, &narrow, 0, nullptr), SQL_SUCCESS);
    first = -1;

    // No buffer and no indicator unbinds the column; the other binding stays.
    ASSERT_EQ(SQLBindCol(s.stmt(), 2, SQL_C_CHAR, nullptr, 0, nullptr), SQL_SUCCESS);
    std::strcpy(x_text, "kept");
    ASSERT_EQ(scroll(SQL_FETCH_NEXT), SQL_SUCCESS);
    EXPECT_STREQ(x_text, "kept");
    EXPECT_EQ(narrow, 30);
    EXPECT_EQ(first, -1) << "the column's earlier binding is replaced";
    ASSERT_EQ(SQLBindCol(s.stmt(), 5, SQL_C_CHAR, nullptr, 0, nullptr), SQL_SUCCESS) << "unbinding an unbound column";

    // An indicator alone is a binding: the length comes back without the value.
    SQLLEN length_only = 0;
    ASSERT_EQ(SQLBindCol(s.stmt(), 3, SQL_C_CHAR, nullptr, 8, &length_only), SQL_SUCCESS);
    ASSERT_EQ(scroll(SQL_FETCH_NEXT), SQL_SUCCESS);
    EXPECT_EQ(length_only, 2);

    EXPECT_EQ(SQLBindCol(s.stmt(), 3, SQL_C_CHAR, x_text, -1, nullptr), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[HY090] Invalid string or buffer length: buffer length -1 of column 3 is negative");
    ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_UNBIND), SQL_SUCCESS);
    narrow = -1;
    length_only = -1;
    ASSERT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
    EXPECT_EQ(narrow, -1) << "nothing stays bound";
    EXPECT_EQ(length_only, -1);
}

TEST_F(Fetching, BindOffsetMovesEveryBoundAddressAtFetchTime) {
    // Two copies of a row structure: the offset chooses the second one, for values and
    // indicators alike, and a change of the offset takes effect at the next fetch.
    struct row {
        SQLBIGINT v;
        SQLLEN v_ind;
    };
    std::array<row, 2> rows{};
    rows.fill({-1, -1});
    select_all();
    SQLLEN offset = sizeof(row);
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &rows[0].v, 0, &rows[0].v_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(rows[0].v, -1);
    EXPECT_EQ(rows[0].v_ind, -1);
    EXPECT_EQ(rows[1].v, 0);
    EXPECT_EQ(rows[1].v_ind, 8);
    offset = 0;
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(rows[0].v, 10);
    EXPECT_EQ(rows[1].v, 0);

    // SQLGetData ignores it: its buffer is given with the call.
    offset = 4096;
    SQLBIGINT got = 0;
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_SBIGINT, &got, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(got, 10);
}

TEST_F(Fetching, OrientationsWithARowsetOfOne) {
    SQLBIGINT v = -1;
    SQLULEN fetched = 99;
    block_cursor(1, nullptr, &fetched);
    select_all();
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &v, 0, nullptr);

    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, 1), SQL_SUCCESS);
    EXPECT_EQ(v, 0) << "absolute 1 is the first row";
    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, -1), SQL_SUCCESS);
    EXPECT_EQ(v, 60) << "absolute -1 is the last row";
    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, -7), SQL_SUCCESS);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, 0), SQL_NO_DATA) << "absolute 0 is before the first row";
    EXPECT_EQ(position(), -1);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(scroll(SQL_FETCH_NEXT), SQL_SUCCESS);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, 8), SQL_NO_DATA);
    EXPECT_EQ(scroll(SQL_FETCH_PRIOR), SQL_SUCCESS) << "back from past the end is the last rowset";
    EXPECT_EQ(v, 60);

    EXPECT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
    EXPECT_EQ(scroll(SQL_FETCH_PRIOR), SQL_NO_DATA) << "there is no row before the first";
    EXPECT_EQ(position(), -1);
    EXPECT_EQ(scroll(SQL_FETCH_PRIOR), SQL_NO_DATA);
    EXPECT_EQ(scroll(SQL_FETCH_NEXT), SQL_SUCCESS);
    EXPECT_EQ(v, 0);

    EXPECT_EQ(scroll(SQL_FETCH_LAST), SQL_SUCCESS);
    EXPECT_EQ(v, 60);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(scroll(SQL_FETCH_NEXT), SQL_NO_DATA);
    EXPECT_EQ(scroll(SQL_FETCH_NEXT), SQL_NO_DATA) << "past the end stays past the end";

    EXPECT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, 3), SQL_SUCCESS);
    EXPECT_EQ(v, 30);
    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, -2), SQL_SUCCESS);
    EXPECT_EQ(v, 10);
    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, 0), SQL_SUCCESS) << "relative 0 fetches the rowset again";
    EXPECT_EQ(v, 10);
    EXPECT_EQ(scroll(SQL_FETCH_PRIOR), SQL_SUCCESS);
    EXPECT_EQ(v, 0);

    v = -1;
    EXPECT_EQ(scroll(SQL_FETCH_BOOKMARK, 2), SQL_NO_DATA);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(position(), 0) << "an unknown orientation leaves the position";
    EXPECT_EQ(fetched, 0u);

    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, std::numeric_limits<SQLLEN>::max()), SQL_NO_DATA);
    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, std::numeric_limits<SQLLEN>::max()), SQL_NO_DATA);
    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, std::numeric_limits<SQLLEN>::min()), SQL_NO_DATA);
    EXPECT_EQ(position(), -1);
    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, std::numeric_limits<SQLLEN>::min()), SQL_NO_DATA);
    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, 2), SQL_SUCCESS) << "relative from before the start is absolute";
    EXPECT_EQ(v, 10);
}

TEST_F(Fetching, BlockCursorRowsetsOfThreeOverSevenRows) {
    // Rows 0 ... 6 hold v = 0, 10, ... 60. Each case: the orientation and offset, then the
    // values of the rowset's three slots (-1 for a slot without a row), or no data.
    std::array<SQLBIGINT, 3> v{};
    std::array<SQLUSMALLINT, 3> status{};
    SQLULEN fetched = 99;
    block_cursor(3, status.data(), &fetched);
    select_all();
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, v.data(), 0, nullptr);

    struct step {
        SQLSMALLINT orientation;
        SQLLEN offset;
        std::array<SQLBIGINT, 3> rowset;  // empty() = no data
        bool no_data = false;
    };
    const step steps[] = {
        {SQL_FETCH_NEXT, 0, {0, 10, 20}},
        {SQL_FETCH_NEXT, 0, {30, 40, 50}},
        {SQL_FETCH_NEXT, 0, {60, -1, -1}},
        {SQL_FETCH_NEXT, 0, {}, true},
        {SQL_FETCH_PRIOR, 0, {40, 50, 60}},  // from past the end: the rowset that ends on the last row
        {SQL_FETCH_PRIOR, 0, {10, 20, 30}},
        {SQL_FETCH_PRIOR, 0, {0, 10, 20}},  // a rowset before row 1 that reaches into the result
        {SQL_FETCH_PRIOR, 0, {}, true},     // before the first row
        {SQL_FETCH_LAST, 0, {40, 50, 60}},
        {SQL_FETCH_RELATIVE, -2, {20, 30, 40}},
        {SQL_FETCH_RELATIVE, 3, {50, 60, -1}},
        {SQL_FETCH_ABSOLUTE, 2, {10, 20, 30}},
        {SQL_FETCH_ABSOLUTE, -2, {50, 60, -1}},
        {SQL_FETCH_ABSOLUTE, -8, {}, true},     // more rows back than there are
        {SQL_FETCH_RELATIVE, 2, {10, 20, 30}},  // from before the start: absolute
        {SQL_FETCH_RELATIVE, -3, {0, 10, 20}},
        {SQL_FETCH_RELATIVE, -4, {}, true},
        {SQL_FETCH_FIRST, 0, {0, 10, 20}},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& st = steps[i];
        SCOPED_TRACE(::testing::Message() << "step " << i);
        v.fill(-1);
        const SQLRETURN rc = scroll(st.orientation, st.offset);
        if (st.no_data) {
            EXPECT_EQ(rc, SQL_NO_DATA);
            EXPECT_EQ(fetched, 0u);
            continue;
        }
        ASSERT_EQ(rc, SQL_SUCCESS) << s.diag_message();
        EXPECT_EQ(v, st.rowset);
        const auto rows =
            static_cast<SQLULEN>(std::count_if(st.rowset.begin(), st.rowset.end(), [](auto x) { return x >= 0; }));
        EXPECT_EQ(fetched, rows);
        EXPECT_EQ(status[rows - 1], ok);
        if (rows < 3) {
            EXPECT_EQ(status[rows], none);
        }
        EXPECT_EQ(position(), st.rowset[0] / 10) << "the rowset starts at the current row, which SQLGetData reads";
    }

    // NEXT moves by the size of the rowset fetched last, even when the size changed since.
    ASSERT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
    set(SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{2}));
    v.fill(-1);
    ASSERT_EQ(scroll(SQL_FETCH_NEXT), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 3>{30, 40, -1}));

    // A rowset larger than the result: going back past the first row still lands on it.
    std::array<SQLBIGINT, 10> wide{};
    std::array<SQLUSMALLINT, 10> wide_status{};
    block_cursor(10, wide_status.data(), &fetched);
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, wide.data(), 0, nullptr);
    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, -8), SQL_SUCCESS);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(fetched, 7u);
    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, -11), SQL_NO_DATA);
    ASSERT_EQ(scroll(SQL_FETCH_LAST), SQL_SUCCESS);
    EXPECT_EQ(wide[0], 0) << "the last rowset starts on the first row";
}

TEST_F(Fetching, MoreResultsHasNoSecondResult) {
    SQLBIGINT v = -1;
    select_all();
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &v, 0, nullptr);
    EXPECT_EQ(SQLMoreResults(s.stmt()), SQL_NO_DATA);
    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 4), SQL_SUCCESS);
    v = -1;
    EXPECT_EQ(SQLMoreResults(s.stmt()), SQL_NO_DATA) << "one result set: there is never another";
    EXPECT_EQ(v, -1) << "nothing is transferred again";
    EXPECT_EQ(position(), 3);
}

TEST_F(Fetching, GetDataConvertsTheCurrentRow) {
    select_all();
    SQLBIGINT v = 1234;
    SQLLEN ind = 99;
    EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_SBIGINT, &v, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(v, 1234) << "before the first fetch the buffer is left alone";
    EXPECT_EQ(ind, SQL_NULL_DATA);

    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 4), SQL_SUCCESS);
    for (int call = 0; call < 2; ++call) {
        v = 0;
        EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_SBIGINT, &v, 0, &ind), SQL_SUCCESS);
        EXPECT_EQ(v, 30) << "a number reads the same on every call";
    }
    double x = -2;
    EXPECT_EQ(SQLGetData(s.stmt(), 2, SQL_C_DOUBLE, &x, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(ind, SQL_NULL_DATA);
    EXPECT_EQ(x, -2);

    char text[8] = {};
    EXPECT_EQ(SQLGetData(s.stmt(), 3, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
    EXPECT_STREQ(text, "r3");
    EXPECT_EQ(ind, 2);
    EXPECT_EQ(SQLGetData(s.stmt(), 3, SQL_C_CHAR, text, sizeof text, &ind), SQL_NO_DATA)
        << "the text has been returned whole";
    EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
    EXPECT_STREQ(text, "30");
    EXPECT_EQ(SQLGetData(s.stmt(), 3, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS)
        << "another column in between starts the text over";
    EXPECT_STREQ(text, "r3");
    ASSERT_EQ(scroll(SQL_FETCH_RELATIVE, 0), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s.stmt(), 3, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS) << "a fetch starts over";
}

TEST_F(Fetching, GetDataHandsOutLongValuesInPieces) {
    std::string value(10'000, ' ');
    for (std::size_t i = 0; i < value.size(); ++i) value[i] = static_cast<char>('a' + i % 26);
    s.direct("CREATE TABLE long_text (body STRING, other INT64)");
    s.direct(fmt::format("INSERT INTO long_text (body, other, $timestamp) VALUES ('{}', 1, 1)", value));
    ASSERT_EQ(s.exec("select body, other from long_text"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);

    std::array<char, 4096> buffer{};
    SQLLEN ind = 0;
    std::string joined;
    const std::array<SQLRETURN, 3> codes{SQL_SUCCESS_WITH_INFO, SQL_SUCCESS_WITH_INFO, SQL_SUCCESS};
    const std::array<SQLLEN, 3> remaining{10'000, 5'905, 1'810};
    for (std::size_t call = 0; call < 3; ++call) {
        ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, buffer.data(), buffer.size(), &ind), codes[call]) << call;
        EXPECT_EQ(ind, remaining[call]) << call;
        joined += buffer.data();
        if (codes[call] == SQL_SUCCESS_WITH_INFO) {
            const auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
            EXPECT_EQ(d.sqlstate, "01004");
            EXPECT_EQ(d.message, "String data, right-truncated");
        }
    }
    EXPECT_EQ(joined, value);
    EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, buffer.data(), buffer.size(), &ind), SQL_NO_DATA);

    // A fetch starts over; binary pieces use every byte of the buffer.
    ASSERT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
    joined.clear();
    const std::array<SQLLEN, 3> binary_remaining{10'000, 5'904, 1'808};
    for (std::size_t call = 0; call < 3; ++call) {
        const auto rc = SQLGetData(s.stmt(), 1, SQL_C_BINARY, buffer.data(), buffer.size(), &ind);
        EXPECT_EQ(rc, call < 2 ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS) << call;
        EXPECT_EQ(ind, binary_remaining[call]) << call;
        joined.append(buffer.data(), static_cast<std::size_t>(std::min<SQLLEN>(ind, buffer.size())));
    }
    EXPECT_EQ(joined, value);

    // A zero-length buffer asks for the length without using up the value.
    ASSERT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, buffer.data(), 0, &ind), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(ind, 10'000);
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, buffer.data(), buffer.size(), &ind), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::string(buffer.data()), value.substr(0, 4095));

    // A bound column gets the value cut to its buffer, with 01004: the indicator tells the full length.
    SQLBindCol(s.stmt(), 1, SQL_C_CHAR, buffer.data(), buffer.size(), &ind);
    EXPECT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "01004");
    EXPECT_EQ(ind, 10'000);
    EXPECT_EQ(std::string(buffer.data()), value.substr(0, 4095));
}

TEST_F(Fetching, ColumnNumbersOutsideTheResultFailWith07009) {
    std::array<SQLBIGINT, 2> v{-1, -1};
    std::array<SQLUSMALLINT, 2> status{7, 7};
    SQLBIGINT never = -1;
    block_cursor(2, status.data(), nullptr);
    SQLULEN fetched = 99;
    EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_SBIGINT, &never, 0, nullptr), SQL_ERROR) << "no result at all";
    EXPECT_EQ(s.diag_message(), "[07009] Invalid descriptor index: tried to fetch col index 0, max is 0");

    select_all();
    set(SQL_ATTR_ROWS_FETCHED_PTR, &fetched);
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, v.data(), 0, nullptr);
    SQLBindCol(s.stmt(), 9, SQL_C_SBIGINT, &never, 0, nullptr);
    SQLBindCol(s.stmt(), 2, SQL_C_SBIGINT, &never, 0, nullptr);
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[07009] Invalid descriptor index: tried to fetch col index 8, max is 3");
    EXPECT_EQ(v, (std::array<SQLBIGINT, 2>{0, 10})) << "the bindings before the bad one were filled";
    EXPECT_EQ(never, -1);
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 2>{7, 7}));
    EXPECT_EQ(fetched, 99u) << "a failed fetch leaves the rows-fetched value";
    EXPECT_EQ(position(), 0) << "the cursor is on the rowset the failed fetch moved to";

    EXPECT_EQ(SQLGetData(s.stmt(), 0, SQL_C_SBIGINT, &never, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[07009] Invalid descriptor index: tried to fetch col index 65535, max is 3");
    EXPECT_EQ(SQLGetData(s.stmt(), 4, SQL_C_SBIGINT, &never, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[07009] Invalid descriptor index: tried to fetch col index 3, max is 3");
    EXPECT_EQ(never, -1);
}

TEST_F(Fetching, AConversionFailureEndsTheFetch) {
    SQLINTEGER text_as_long = -1;
    SQLBIGINT v = -1;
    select_all();
    SQLBindCol(s.stmt(), 3, SQL_C_LONG, &text_as_long, 0, nullptr);
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &v, 0, nullptr);
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_ERROR);
    const auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "22018");
    EXPECT_EQ(d.message, "[22018] Invalid character value for cast specification: the text 'r0' is not a number");
    EXPECT_EQ(v, -1) << "later bindings are not filled";
}

TEST_F(Fetching, TimestampsFromTheStoreReadAsUtc) {
    s.direct("CREATE TABLE ticks (n INT64)");
    s.direct("INSERT INTO ticks (n, $timestamp) VALUES (1, -1), (2, 1614834367000000123)");
    ASSERT_EQ(s.exec("select $timestamp from ticks order by n"), SQL_SUCCESS);
    std::array<char, 31> text{};
    SQL_TIMESTAMP_STRUCT stamp{};
    SQLLEN ind = 0;
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, text.data(), text.size(), &ind), SQL_SUCCESS);
    EXPECT_STREQ(text.data(), "1969-12-31 23:59:59.999999999");
    EXPECT_EQ(ind, 29);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_TYPE_TIMESTAMP, &stamp, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(ind, 16);
    EXPECT_EQ(stamp.year, 2021);
    EXPECT_EQ(stamp.month, 3);
    EXPECT_EQ(stamp.day, 4);
    EXPECT_EQ(stamp.hour, 5);
    EXPECT_EQ(stamp.minute, 6);
    EXPECT_EQ(stamp.second, 7);
    EXPECT_EQ(stamp.fraction, 123u);
}

TEST_F(Fetching, ACutValueIsAWarningOnItsRowNeverAPlainSuccess) {
    std::array<char, 3 * 2> v{};  // "0" fits with its zero byte, "10" and "20" do not
    std::array<SQLLEN, 3> v_ind{};
    std::array<SQLUSMALLINT, 3> status{};
    SQLULEN fetched = 0;
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(3), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_STATUS_PTR, status.data(), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    select_all();
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_CHAR, v.data(), 2, v_ind.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS_WITH_INFO);
    const auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "01004");
    EXPECT_EQ(std::string(v.data(), v.size()), std::string("0\0"
                                                           "1\0"
                                                           "2\0",
                                                           6));
    EXPECT_EQ(v_ind, (std::array<SQLLEN, 3>{1, 2, 2})) << "the full lengths";
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 3>{ok, SQL_ROW_SUCCESS_WITH_INFO, SQL_ROW_SUCCESS_WITH_INFO}));
    EXPECT_EQ(fetched, 3u);

    // The same column read as its own type through SQL_C_DEFAULT: whole, a plain success.
    std::array<SQLBIGINT, 3> n{};
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_DEFAULT, n.data(), 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(n, (std::array<SQLBIGINT, 3>{30, 40, 50}));
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 3>{ok, ok, ok}));
    std::array<char, 8> x{};
    ASSERT_EQ(SQLGetData(s.stmt(), 3, SQL_C_DEFAULT, x.data(), x.size(), nullptr), SQL_SUCCESS);
    EXPECT_STREQ(x.data(), "r3") << "a text column's own type is SQL_C_CHAR";
}
