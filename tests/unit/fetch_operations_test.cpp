// SQLBindCol, SQLFetch, SQLFetchScroll, SQLMoreResults and SQLGetData through the exports, on
// results of a real embedded store.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string>

#include <fmt/format.h>

#include "store_support.hpp"

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
    // The statement fields that SQL_ATTR_ROW_ARRAY_SIZE, SQL_ATTR_ROW_STATUS_PTR and
    // SQL_ATTR_ROWS_FETCHED_PTR set.
    void block_cursor(SQLULEN rows, SQLUSMALLINT* status, SQLULEN* fetched) const {
        s.record().row_array_size = rows;
        s.record().row_status_ptr = status;
        s.record().rows_fetched_ptr = fetched;
    }
    [[nodiscard]] std::int64_t position() const { return s.record().current_row; }

    test::store_statement s;
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
    EXPECT_EQ(fetched, 7u) << "execution stores the row count";
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, v.data(), 0, v_ind.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s.stmt(), 2, SQL_C_DOUBLE, x.data(), 0, x_ind.data()), SQL_SUCCESS);

    test::captured_log log;
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(v, (std::array<SQLBIGINT, 5>{0, 10, 20, 30, 40}));
    EXPECT_EQ(v_ind, (std::array<SQLLEN, 5>{8, 8, 8, 8, 8}));
    EXPECT_EQ(x[4], 4.5);
    EXPECT_EQ(x_ind, (std::array<SQLLEN, 5>{8, 8, 8, SQL_NULL_DATA, 8}));
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 5>{ok, ok, ok, ok, ok}));
    EXPECT_EQ(position(), 4) << "the position names the last row of the rowset";
    EXPECT_EQ(fetched, 5u);

    v.fill(-1);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 5>{50, 60, -1, -1, -1}));
    EXPECT_EQ(v_ind, (std::array<SQLLEN, 5>{8, 8, SQL_NULL_DATA, SQL_NULL_DATA, SQL_NULL_DATA}));
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 5>{ok, ok, none, none, none}));
    EXPECT_EQ(position(), 6);
    EXPECT_EQ(fetched, 2u) << "only two slots of the last rowset are rows";

    EXPECT_EQ(SQLFetch(s.stmt()), SQL_NO_DATA);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 5>{ok, ok, none, none, none})) << "no data writes no status";

    const auto lines = log.lines();
    for (const char* expected : {"[Debug] current row: 0 - row count: 7",
                                 "[Debug] stmt::fetch_column_generic count 5 offset 0 to SQL_C_SBIGINT",
                                 "[Debug] stmt::fetch_column_generic count 5 offset 5 to SQL_C_DOUBLE",
                                 "[Debug] no data"}) {
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
    s.record().row_array_size = 3;
    s.record().bind_type = sizeof(row);
    SQLBindCol(s.stmt(), 1, SQL_C_LONG, &rows[0].v, 0, &rows[0].v_ind);
    SQLBindCol(s.stmt(), 3, SQL_C_CHAR, rows[0].s, sizeof rows[0].s, &rows[0].s_ind);
    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 5), SQL_SUCCESS);
    EXPECT_EQ(rows[0].v, 50);
    EXPECT_EQ(rows[0].v_ind, 4);
    EXPECT_STREQ(rows[0].s, "r5");
    EXPECT_EQ(rows[0].s_ind, 2);
    EXPECT_EQ(rows[1].v, 60);
    EXPECT_STREQ(rows[1].s, "r6");
    EXPECT_EQ(rows[2].v_ind, SQL_NULL_DATA);
    EXPECT_EQ(rows[2].s_ind, SQL_NULL_DATA);
}

TEST_F(Fetching, BindingsAccumulateAndColumnZeroIsTheFirstColumn) {
    double x = 0;
    char x_text[8] = {};
    SQLBIGINT first = -1;
    select_all();
    SQLBindCol(s.stmt(), 2, SQL_C_DOUBLE, &x, 0, nullptr);
    SQLBindCol(s.stmt(), 2, SQL_C_CHAR, x_text, sizeof x_text, nullptr);
    SQLBindCol(s.stmt(), 0, SQL_C_SBIGINT, &first, 0, nullptr);
    EXPECT_EQ(s.record().column_bindings.size(), 3u);
    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 2), SQL_SUCCESS);
    EXPECT_EQ(x, 2.5);
    EXPECT_STREQ(x_text, "2.5");
    EXPECT_EQ(first, 20);
}

TEST_F(Fetching, OrientationsMoveTheZeroBasedPosition) {
    SQLBIGINT v = -1;
    SQLULEN fetched = 99;
    block_cursor(1, nullptr, &fetched);
    select_all();
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &v, 0, nullptr);

    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, 0), SQL_SUCCESS);
    EXPECT_EQ(v, 0) << "absolute 0 is the first row";
    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, 1), SQL_SUCCESS);
    EXPECT_EQ(v, 10);
    EXPECT_EQ(scroll(SQL_FETCH_ABSOLUTE, -1), SQL_NO_DATA);
    EXPECT_EQ(fetched, 0u);

    EXPECT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
    EXPECT_EQ(scroll(SQL_FETCH_PRIOR), SQL_NO_DATA) << "there is no row before the first";
    EXPECT_EQ(position(), -1);
    EXPECT_EQ(scroll(SQL_FETCH_NEXT), SQL_SUCCESS);
    EXPECT_EQ(v, 0);

    EXPECT_EQ(scroll(SQL_FETCH_LAST), SQL_SUCCESS);
    EXPECT_EQ(v, 60);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(scroll(SQL_FETCH_NEXT), SQL_NO_DATA);

    EXPECT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, 3), SQL_SUCCESS);
    EXPECT_EQ(v, 30);
    EXPECT_EQ(scroll(SQL_FETCH_RELATIVE, -2), SQL_SUCCESS);
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
    EXPECT_EQ(scroll(SQL_FETCH_PRIOR), SQL_NO_DATA);
}

TEST_F(Fetching, MoreResultsTransfersTheCurrentRowsAgain) {
    SQLBIGINT v = -1;
    select_all();
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &v, 0, nullptr);
    EXPECT_EQ(SQLMoreResults(s.stmt()), SQL_NO_DATA) << "right after execution there is no current row";
    EXPECT_EQ(v, -1);
    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 3), SQL_SUCCESS);
    v = -1;
    EXPECT_EQ(SQLMoreResults(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(v, 30);
    EXPECT_EQ(position(), 3);
    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 7), SQL_NO_DATA);
    EXPECT_EQ(SQLMoreResults(s.stmt()), SQL_NO_DATA);
}

TEST_F(Fetching, GetDataConvertsTheCurrentRow) {
    select_all();
    SQLBIGINT v = 1234;
    SQLLEN ind = 99;
    EXPECT_EQ(SQLGetData(s.stmt(), 1, SQL_C_SBIGINT, &v, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(v, 1234) << "before the first fetch the buffer is left alone";
    EXPECT_EQ(ind, SQL_NULL_DATA);

    ASSERT_EQ(scroll(SQL_FETCH_ABSOLUTE, 3), SQL_SUCCESS);
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
    ASSERT_EQ(SQLMoreResults(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s.stmt(), 3, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
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
            const auto d = test::diag_of(SQL_HANDLE_STMT, s.stmt());
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

    // Bound columns stay silent: the indicator tells the full length.
    SQLBindCol(s.stmt(), 1, SQL_C_CHAR, buffer.data(), buffer.size(), &ind);
    EXPECT_EQ(scroll(SQL_FETCH_FIRST), SQL_SUCCESS);
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
    s.record().rows_fetched_ptr = &fetched;
    SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, v.data(), 0, nullptr);
    SQLBindCol(s.stmt(), 9, SQL_C_SBIGINT, &never, 0, nullptr);
    SQLBindCol(s.stmt(), 2, SQL_C_SBIGINT, &never, 0, nullptr);
    EXPECT_EQ(SQLFetch(s.stmt()), SQL_ERROR);
    EXPECT_EQ(s.diag_message(), "[07009] Invalid descriptor index: tried to fetch col index 8, max is 3");
    EXPECT_EQ(v, (std::array<SQLBIGINT, 2>{0, 10})) << "the bindings before the bad one were filled";
    EXPECT_EQ(never, -1);
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 2>{7, 7}));
    EXPECT_EQ(fetched, 99u) << "a failed fetch leaves the rows-fetched value";
    EXPECT_EQ(position(), 0) << "the position advanced but did not move to the end of the rowset";

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
    const auto d = test::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "07006");
    EXPECT_EQ(d.message, "Tried to convert SQL_CHAR to SQL_C_LONG");
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
    EXPECT_STREQ(text.data(), "1969-12-31T23:59:59.999999999Z");
    EXPECT_EQ(ind, 30);
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
