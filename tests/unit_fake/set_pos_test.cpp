// SQLSetPos against the fake client library: the rows the change would touch are counted with a
// query of their own before the change is sent, anything but one row stops it there, and every
// record the library hands back is released.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "fake_vdl_api.hpp"
#include "private_odbc.hpp"
#include "sql_text.hpp"

using strings = std::vector<std::string>;

namespace {

using support::sql_text;

vdl_cell count_cell(std::uint32_t n) {
    vdl_cell c{};
    c.kind = VDL_CELL_COUNT;
    c.payload.as_count = n;
    return c;
}

// A result of one row of one cell.
struct one_cell_result {
    explicit one_cell_result(vdl_cell c) : cell(c) {}
    vdl_cell cell;
    vdl_cell* row = &cell;
    vdl_column_name name{"count(*)", 8};
    vdl_result record{&name, 1, &row, 1};
};

const std::string select_text = "SELECT sym, price FROM trades";
const std::string count_text = "SELECT count(*) FROM trades WHERE sym='ibm' AND price=10.5 ;";
const std::string update_text = "UPDATE trades SET price=11.25 WHERE sym='ibm' AND price=10.5 ;";

// A statement on the fake whose current row is ('ibm', 10.5), both columns bound and the price
// buffer set to 11.25.
class SetPosOnTheFake : public ::testing::Test {
protected:
    SetPosOnTheFake() {
        fake_vdl::reset();
        EXPECT_EQ(SQLDriverConnect(h.dbc, nullptr, sql_text("URI=file:one.db"), SQL_NTS, nullptr, 0, nullptr,
                                   SQL_DRIVER_NOPROMPT),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt), SQL_SUCCESS);
        cells[0].kind = VDL_CELL_STRING;
        cells[0].payload.as_string = {"ibm", 3};
        cells[1].kind = VDL_CELL_DOUBLE;
        cells[1].payload.as_double = 10.5;
        fake_vdl::next().queries.push_back({VDL_OK, &trades});
        EXPECT_EQ(SQLExecDirect(stmt, sql_text(select_text.c_str()), SQL_NTS), SQL_SUCCESS);
        EXPECT_EQ(SQLBindCol(stmt, 1, SQL_C_CHAR, sym.data(), static_cast<SQLLEN>(sym.size()), &sym_length),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLBindCol(stmt, 2, SQL_C_DOUBLE, &price, 0, &price_length), SQL_SUCCESS);
        EXPECT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, &status, 0), SQL_SUCCESS);
        EXPECT_EQ(SQLFetch(stmt), SQL_SUCCESS);
        price = 11.25;
        status = 99;
    }
    ~SetPosOnTheFake() override {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(h.dbc);
        fake_vdl::reset();
    }
    SQLRETURN update() const { return SQLSetPos(stmt, 1, SQL_UPDATE, SQL_LOCK_NO_CHANGE); }
    // The queries sent since the select.
    [[nodiscard]] static strings queries_after_select() {
        auto sent = fake_vdl::calls_of("vdl_query");
        if (!sent.empty()) sent.erase(sent.begin());
        return sent;
    }
    [[nodiscard]] static std::string query(const std::string& text) { return "vdl_query(#1, " + text + ")"; }
    [[nodiscard]] support::diag_result diag() const { return support::diag_of(SQL_HANDLE_STMT, stmt); }
    [[nodiscard]] SQLINTEGER native_error() const {
        SQLINTEGER native = 0;
        SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, nullptr, &native, nullptr, 0, nullptr);
        return native;
    }

    support::temp_dir home;
    support::scoped_env xdg{"XDG_DATA_HOME", home.path().string()};
    support::handles h{false};
    SQLHSTMT stmt = nullptr;
    std::array<vdl_cell, 2> cells{};
    vdl_cell* row = cells.data();
    std::array<vdl_column_name, 2> names{{{"sym", 3}, {"price", 5}}};
    vdl_result trades{names.data(), 2, &row, 1};
    std::array<char, 16> sym{};
    SQLLEN sym_length = 0;
    double price = 0;
    SQLLEN price_length = 0;
    SQLUSMALLINT status = 99;
};

}  // namespace

TEST_F(SetPosOnTheFake, OneMatchingRowIsCountedThenChangedAndEveryRecordReleased) {
    one_cell_result one(count_cell(1));
    one_cell_result change_answer(count_cell(0));  // a library may answer a change with a record
    fake_vdl::next().queries = {{VDL_OK, &one.record}, {VDL_OK, &change_answer.record}};
    ASSERT_EQ(update(), SQL_SUCCESS) << diag().message;
    EXPECT_EQ(queries_after_select(), (strings{query(count_text), query(update_text)}));
    EXPECT_EQ(fake_vdl::calls_of("vdl_release").size(), 2u) << "the count's and the change's record";
    EXPECT_EQ(status, SQL_ROW_UPDATED);

    // The change itself can still fail.
    status = 99;
    fake_vdl::next().queries = {{VDL_OK, &one.record}, {VDL_E_CONSTRAINT, nullptr}};
    EXPECT_EQ(update(), SQL_ERROR);
    EXPECT_NE(diag().message.find("could not query, error: fake failure"), std::string::npos) << diag().message;
    EXPECT_EQ(native_error(), static_cast<SQLINTEGER>(VDL_E_CONSTRAINT));
    EXPECT_EQ(status, 99);
}

TEST_F(SetPosOnTheFake, AnythingButOneMatchingRowStopsBeforeTheChange) {
    one_cell_result two(count_cell(2));
    one_cell_result none(count_cell(0));
    vdl_cell text_cell{};
    text_cell.kind = VDL_CELL_STRING;
    text_cell.payload.as_string = {"1", 1};
    one_cell_result not_a_count(text_cell);
    const std::vector<std::pair<fake_vdl::query_answer, std::string>> cases{
        {{VDL_OK, &two.record}, "2 rows of trades hold the bound values of the current row, so nothing was changed"},
        {{VDL_OK, &none.record}, "no row of trades holds the bound values of the current row any more"},
        {{VDL_OK, &not_a_count.record}, "could not count the rows of trades that hold the bound values"},
        {{VDL_E_BUSY, nullptr}, "could not query, error: fake failure"},
    };
    for (const auto& [answer, message] : cases) {
        fake_vdl::reset_calls();
        fake_vdl::next().queries = {answer};
        EXPECT_EQ(update(), SQL_ERROR) << message;
        EXPECT_NE(diag().message.find(message), std::string::npos) << diag().message;
        EXPECT_EQ(fake_vdl::calls_of("vdl_query"), (strings{query(count_text)})) << message << ": no change sent";
        EXPECT_EQ(fake_vdl::calls_of("vdl_release").size(), answer.record != nullptr ? 1u : 0u) << message;
        EXPECT_EQ(status, 99) << message;
    }
}
