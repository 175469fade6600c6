// A statement's library result against the fake client library: handed back as soon as something
// takes its place or takes it away, and kept by everything else.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "driver_handles.hpp"
#include "fake_vdl_api.hpp"
#include "files.hpp"
#include "private_odbc.hpp"
#include "sql_text.hpp"

using strings = std::vector<std::string>;

namespace {

using support::sql_text;

const std::string select_text = "SELECT sym FROM trades";

// What happens to the result of `select_text` on a connected statement, and the library calls
// that makes, in order (vdl_error aside).
struct result_case {
    const char* name;
    std::function<void(SQLHDBC, SQLHSTMT&)> action;
    strings calls;
    friend void PrintTo(const result_case& c, std::ostream* os) { *os << c.name; }
};

class StatementResult : public ::testing::TestWithParam<result_case> {
protected:
    StatementResult() {
        fake_vdl::reset();
        EXPECT_EQ(SQLDriverConnect(h.dbc, nullptr, sql_text("URI=file:one.db"), SQL_NTS, nullptr, 0, nullptr,
                                   SQL_DRIVER_NOPROMPT),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt), SQL_SUCCESS);
        cell.kind = VDL_CELL_STRING;
        cell.payload.as_string = {"ibm", 3};
        fake_vdl::next().queries.push_back({VDL_OK, &trades});
        EXPECT_EQ(SQLExecDirect(stmt, sql_text(select_text), SQL_NTS), SQL_SUCCESS);
        fake_vdl::reset_calls();
    }
    ~StatementResult() override {
        if (stmt != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(h.dbc);
        fake_vdl::reset();
    }

    support::temp_dir home;
    support::scoped_env xdg{"XDG_DATA_HOME", home.path().string()};
    support::handles h{false};
    SQLHSTMT stmt = nullptr;
    vdl_cell cell{};
    vdl_cell* row = &cell;
    vdl_column_name name{"sym", 3};
    // The fake hands this record out and records its release ("vdl_release(null, record)").
    vdl_result trades{&name, 1, &row, 1};
};

TEST_P(StatementResult, IsHandedBackWhenItsPlaceIsTaken) {
    const auto& c = GetParam();
    fake_vdl::next().queries.push_back({VDL_OK, &trades});  // for a case that selects again
    c.action(h.dbc, stmt);
    auto calls = fake_vdl::calls();
    std::erase_if(calls, [](const std::string& call) { return call.starts_with("vdl_error("); });
    EXPECT_EQ(calls, c.calls);
}

void exec(SQLHSTMT stmt, const std::string& text) { SQLExecDirect(stmt, sql_text(text), SQL_NTS); }

const std::string release = "vdl_release(null, record)";

INSTANTIATE_TEST_SUITE_P(
    Fake, StatementResult,
    ::testing::Values(
        // The new result is in place before the old one goes: its columns never view a released record.
        result_case{"ByTheNextResult",
                    [](SQLHDBC, SQLHSTMT& s) { exec(s, select_text); },
                    {"vdl_query(#1, " + select_text + ")", release}},
        result_case{"ByATextWithoutAResult",
                    [](SQLHDBC, SQLHSTMT& s) {
                        fake_vdl::next().queries = {{VDL_OK, nullptr}};
                        exec(s, "CREATE TABLE u (n INT64)");
                    },
                    {"vdl_query(#1, CREATE TABLE u (n INT64))", release}},
        result_case{"ByUnprepare", [](SQLHDBC, SQLHSTMT& s) { exec(s, "UNPREPARE"); }, {release}},
        result_case{"ByAPrepare",
                    [](SQLHDBC, SQLHSTMT& s) { SQLPrepare(s, sql_text("INSERT INTO u (n) VALUES (1)"), SQL_NTS); },
                    {release}},
        // Released before the library handle closes, while every statement is detached from it.
        result_case{"ByTheDisconnect", [](SQLHDBC dbc, SQLHSTMT&) { SQLDisconnect(dbc); }, {release, "vdl_close(#1)"}},
        result_case{"ByFreeingTheStatement",
                    [](SQLHDBC, SQLHSTMT& s) {
                        SQLFreeHandle(SQL_HANDLE_STMT, s);
                        s = nullptr;
                    },
                    {release}},
        result_case{"NotByAFailedText",
                    [](SQLHDBC, SQLHSTMT& s) {
                        fake_vdl::next().queries = {{VDL_E_NO_TABLE, nullptr}};
                        exec(s, "SELECT x FROM missing");
                    },
                    {"vdl_query(#1, SELECT x FROM missing)"}},
        result_case{"NotByClosingTheCursor", [](SQLHDBC, SQLHSTMT& s) { SQLFreeStmt(s, SQL_CLOSE); }, {}}),
    [](const auto& test_case) { return std::string(test_case.param.name); });

}  // namespace
