// SQLSetPos called on the driver's export against a real embedded store: where the new values are
// read from (bind offset, row-wise binding, the indicator), what every C type writes, and the
// refusals that must not touch the store or read outside what the application gave.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include <fmt/format.h>

#include "captured_log.hpp"
#include "store_statement.hpp"

namespace {

// t: ($timestamp 1, 2, 3) a 1, 2, 3; s 'x', 'y', 'z'; d 1.5, 2.5, 3.5.
class SetPos : public ::testing::Test {
protected:
    void SetUp() override {
        s.direct("CREATE TABLE t (a INT64, s STRING, d DOUBLE)");
        s.direct("INSERT INTO t ($timestamp, a, s, d) VALUES (1, 1, 'x', 1.5), (2, 2, 'y', 2.5), (3, 3, 'z', 3.5)");
    }
    // The store's rows now: "a s d" per row in time order, and the time of each row.
    [[nodiscard]] std::string rows() const {
        vdl_result* r = nullptr;
        EXPECT_EQ(vdl_query(s.cluster(), "SELECT $timestamp, a, s, d FROM t ORDER BY $timestamp", &r), 0u);
        std::string out;
        for (std::uint32_t i = 0; r != nullptr && i < r->row_count; ++i) {
            const vdl_cell* row = r->rows[i];
            out += std::to_string(row[0].payload.as_timestamp.nanoseconds) + ":" +
                   std::to_string(row[1].payload.as_int64) + " " + row[2].payload.as_string.data + " " +
                   fmt::format("{}", row[3].payload.as_double) + "\n";
        }
        vdl_release(nullptr, r);
        return out;
    }
    SQLRETURN set_pos(SQLSETPOSIROW row, SQLUSMALLINT operation) const {
        return SQLSetPos(s.stmt(), row, operation, SQL_LOCK_NO_CHANGE);
    }
    void select_and_fetch(const char* text = "SELECT a, s, d FROM t") const {
        ASSERT_EQ(s.exec(text), SQL_SUCCESS) << s.diag_message();
        ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS) << s.diag_message();
    }

    const std::string original = "1:1 x 1.5\n2:2 y 2.5\n3:3 z 3.5\n";
    support::store_statement s;
};

}  // namespace

TEST_F(SetPos, NewValuesAreReadWhereFetchingWroteThem) {
    // Row-wise binding with a bind offset: the first row's fields lie `offset` bytes after the
    // bound addresses, as they do for the fetch.
    struct row {
        SQLBIGINT a;
        SQLLEN a_length;
        double d;
        SQLLEN d_length;
    };
    std::array<row, 3> block{};
    SQLLEN offset = sizeof(row);  // the bound addresses name block[0]; the rows start at block[1]
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(row)), 0),
              SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(2), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s.stmt(), SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
    ASSERT_EQ(s.exec("SELECT a, s, d FROM t"), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &block[0].a, 0, &block[0].a_length), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s.stmt(), 3, SQL_C_DOUBLE, &block[0].d, 0, &block[0].d_length), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(block[1].a, 1);
    ASSERT_EQ(block[2].a, 2);
    block[0].d = -1;  // what the bound address names without the offset: not read
    block[1].d = 0.1 + 1e-9;
    block[2].d = -2;  // the second row of the rowset: not read
    ASSERT_EQ(set_pos(1, SQL_UPDATE), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(rows(), "1:1 x 0.100000001\n2:2 y 2.5\n3:3 z 3.5\n");
}

TEST_F(SetPos, EveryCTypeWritesItsValue) {
    select_and_fetch("SELECT $timestamp, a, s, d FROM t");
    SQL_TIMESTAMP_STRUCT stamp{};
    SQLLEN stamp_length = 0;
    unsigned char tiny = 0;
    SQLLEN tiny_length = 0;
    float f = 0;
    SQLLEN f_length = 0;
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_TYPE_TIMESTAMP, &stamp, 0, &stamp_length), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s.stmt(), 2, SQL_C_UTINYINT, &tiny, 0, &tiny_length), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s.stmt(), 4, SQL_C_FLOAT, &f, 0, &f_length), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(s.stmt(), SQL_FETCH_FIRST, 0), SQL_SUCCESS) << s.diag_message();
    ASSERT_EQ(stamp.fraction, 1u);
    stamp.fraction = 500;  // nanoseconds: the fraction is written, not dropped
    tiny = 255;
    f = 0.1f;
    ASSERT_EQ(set_pos(1, SQL_UPDATE), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(rows(), fmt::format("2:2 y 2.5\n3:3 z 3.5\n500:255 x {}\n", static_cast<double>(0.1f)));
}

TEST_F(SetPos, ABindingOfAColumnTheResultLacksIsSkipped) {
    select_and_fetch();
    SQLBIGINT a = 0;
    SQLLEN a_length = 0;
    std::array<char, 4> nowhere{};
    SQLLEN nowhere_length = 3;
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &a, 0, &a_length), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(s.stmt(), SQL_FETCH_FIRST, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s.stmt(), 9, SQL_C_CHAR, nowhere.data(), nowhere.size(), &nowhere_length), SQL_SUCCESS);
    a = 10;
    ASSERT_EQ(set_pos(1, SQL_UPDATE), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(rows(), "1:10 x 1.5\n2:2 y 2.5\n3:3 z 3.5\n");
}

TEST_F(SetPos, TextBuffersByTheirIndicator) {
    select_and_fetch();
    std::array<char, 8> text{};
    SQLLEN length = 0;
    ASSERT_EQ(SQLBindCol(s.stmt(), 2, SQL_C_CHAR, text.data(), text.size(), &length), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(s.stmt(), SQL_FETCH_FIRST, 0), SQL_SUCCESS);
    ASSERT_EQ(length, 1);
    // The first `length` bytes, not up to the zero byte.
    std::memcpy(text.data(), "new-old", 8);
    length = 3;
    ASSERT_EQ(set_pos(1, SQL_UPDATE), SQL_SUCCESS) << s.diag_message();
    EXPECT_EQ(rows(), "1:1 new 1.5\n2:2 y 2.5\n3:3 z 3.5\n");

    // SQL_NTS is a negative indicator: no SET term, and so nothing to update.
    ASSERT_EQ(SQLFetchScroll(s.stmt(), SQL_FETCH_ABSOLUTE, 2), SQL_SUCCESS);
    std::strcpy(text.data(), "other");
    length = SQL_NTS;
    EXPECT_EQ(set_pos(1, SQL_UPDATE), SQL_ERROR);
    EXPECT_NE(s.diag_message().find("invalid generated scripy"), std::string::npos) << s.diag_message();

    // A length past the buffer is refused: the buffer does not hold such a value.
    length = 9;
    EXPECT_EQ(set_pos(1, SQL_UPDATE), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).sqlstate, "HY090");
    EXPECT_NE(s.diag_message().find("column s: its value is 9 bytes long, more than its buffer of 8 holds"),
              std::string::npos)
        << s.diag_message();
    EXPECT_EQ(rows(), "1:1 new 1.5\n2:2 y 2.5\n3:3 z 3.5\n");
}

TEST_F(SetPos, NoCurrentRowOrNoSelect) {
    ASSERT_EQ(s.exec("SELECT a FROM t"), SQL_SUCCESS);
    EXPECT_EQ(set_pos(1, SQL_POSITION), SQL_ERROR) << "before the first fetch";
    EXPECT_NE(s.diag_message().find("unsupported for not select"), std::string::npos) << s.diag_message();

    ASSERT_EQ(s.exec("SHOW TABLES"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    EXPECT_EQ(set_pos(1, SQL_POSITION), SQL_ERROR) << "a result of a text without select";
    EXPECT_NE(s.diag_message().find("unsupported for not select"), std::string::npos) << s.diag_message();

    select_and_fetch();
    EXPECT_EQ(set_pos(1, SQL_POSITION), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeStmt(s.stmt(), SQL_CLOSE), SQL_SUCCESS);
    EXPECT_EQ(set_pos(1, SQL_POSITION), SQL_ERROR) << "no current row";
}

TEST_F(SetPos, FromAtTheEndOfTheTextIsAnError) {
    // The table is taken after the first "FROM" of the text, which here ends it: there is none.
    select_and_fetch("select a from t --FROM");
    SQLBIGINT a = 0;
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &a, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(set_pos(1, SQL_DELETE), SQL_ERROR);
    const auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.sqlstate, "HY000");
    EXPECT_NE(d.message.find("- exception: "), std::string::npos) << d.message;
    EXPECT_EQ(rows(), original);
}

TEST_F(SetPos, TheCallAndTheGeneratedTextAreLogged) {
    support::captured_log log(logger::level::debug);
    select_and_fetch();
    SQLBIGINT a = 0;
    SQLLEN a_length = 0;
    ASSERT_EQ(SQLBindCol(s.stmt(), 1, SQL_C_SBIGINT, &a, 0, &a_length), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(s.stmt(), SQL_FETCH_LAST, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetPos(s.stmt(), 1, SQL_DELETE, SQL_LOCK_UNLOCK), SQL_SUCCESS) << s.diag_message();
    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] SQLSetPos RowNumber: 1, Operation: 3, LockType: 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Debug]   delete current row: 2 in table: t\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Info]    query: 'DELETE FROM t WHERE a=3 ;'\n"), std::string::npos) << text;
    // The rows the WHERE clause matches are counted before the change, at Debug.
    EXPECT_NE(text.find("[Debug]   count query: 'SELECT count(*) FROM t WHERE a=3 ;'\n[Debug]   matching rows: 1\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(rows(), "1:1 x 1.5\n2:2 y 2.5\n");
}
