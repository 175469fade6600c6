// Results, bindings, positions, capabilities and diagnostics as an application sees them through
// the unixODBC Driver Manager, which keeps its own statement states and diagnostics on top of the
// driver's answers.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "driver_manager.hpp"
#include "vdl_api.h"

namespace {

// Seven rows: v = 10, 20, ... 70 in time order.
class ThroughTheDriverManager : public support::driver_manager_test {
protected:
    void SetUp() override {
        support::seed_store(config.store_uri(),
                            {"CREATE TABLE t (v INT64, s STRING)",
                             "INSERT INTO t ($timestamp, v, s) VALUES (1, 10, 'a'), (2, 20, 'b'), "
                             "(3, 30, 'c'), (4, 40, 'd'), (5, 50, 'e'), (6, 60, 'f'), (7, 70, 'g')"});
        open();
    }
    SQLRETURN exec(const std::string& text) const {
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS);
    }
    void select_v() const {
        ASSERT_EQ(exec("select v from t order by $timestamp"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    }
    std::string state_of(SQLSMALLINT type, SQLHANDLE h) const { return support::diag(type, h).substr(0, 5); }
};

}  // namespace

TEST_F(ThroughTheDriverManager, ADeleteAfterASelectLeavesNoColumnsAndNoRows) {
    select_v();
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeStmt(stmt, SQL_CLOSE), SQL_SUCCESS);  // the Driver Manager wants the cursor closed
    ASSERT_EQ(exec("delete from t where v = 10"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    SQLSMALLINT columns = -1;
    ASSERT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 0);
    SQLLEN rows = 0;
    ASSERT_EQ(SQLRowCount(stmt, &rows), SQL_SUCCESS);
    EXPECT_EQ(rows, -1) << "not the select's 7";
    SQLBIGINT v = -1;
    SQLLEN ind = 0;
    const SQLRETURN rc = SQLFetch(stmt);
    EXPECT_TRUE(rc == SQL_NO_DATA || rc == SQL_ERROR) << rc;
    EXPECT_NE(SQLGetData(stmt, 1, SQL_C_SBIGINT, &v, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(v, -1) << "the deleted row is not fetched";

    SQLFreeStmt(stmt, SQL_CLOSE);
    select_v();
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_SBIGINT, &v, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(v, 20);
}

TEST_F(ThroughTheDriverManager, RebindingReplacesAndNullUnbinds) {
    select_v();
    auto first = std::make_unique<SQLBIGINT>(-1);
    SQLBIGINT second = -1;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SBIGINT, first.get(), 0, &ind), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SBIGINT, &second, 0, &ind), SQL_SUCCESS);
    first.reset();  // the application frees what it no longer binds
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(second, 10);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SBIGINT, nullptr, 0, nullptr), SQL_SUCCESS);
    second = -1;
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    EXPECT_EQ(second, -1) << "an unbound column is not written";
}

TEST_F(ThroughTheDriverManager, ABindOffsetOfSixteenBytes) {
    select_v();
    std::array<SQLBIGINT, 4> v{-1, -1, -1, -1};
    std::array<SQLLEN, 4> ind{-7, -7, -7, -7};
    SQLLEN offset = 16;
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(2), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SBIGINT, v.data(), 0, ind.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 4>{-1, -1, 10, 20})) << "two 8-byte slots on";
    EXPECT_EQ(ind, (std::array<SQLLEN, 4>{-7, -7, 8, 8}));
}

TEST_F(ThroughTheDriverManager, AbsolutePositionsAndBlockCursorRowsets) {
    select_v();
    SQLBIGINT one = 0;
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SBIGINT, &one, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(stmt, SQL_FETCH_ABSOLUTE, 1), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(one, 10);
    ASSERT_EQ(SQLFetchScroll(stmt, SQL_FETCH_ABSOLUTE, -1), SQL_SUCCESS);
    EXPECT_EQ(one, 70);
    ASSERT_EQ(SQLFreeStmt(stmt, SQL_UNBIND), SQL_SUCCESS);

    std::array<SQLBIGINT, 3> v{};
    std::array<SQLUSMALLINT, 3> status{};
    SQLULEN fetched = 0;
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(3), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, status.data(), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SBIGINT, v.data(), 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(stmt, SQL_FETCH_LAST, 0), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 3>{50, 60, 70})) << "the rowset that ends on the last row";
    EXPECT_EQ(fetched, 3u);
    ASSERT_EQ(SQLFetchScroll(stmt, SQL_FETCH_PRIOR, 0), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 3>{20, 30, 40}));
    ASSERT_EQ(SQLFetchScroll(stmt, SQL_FETCH_PRIOR, 0), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 3>{10, 20, 30})) << "a rowset cut at the start begins on row 1";
    EXPECT_EQ(SQLFetchScroll(stmt, SQL_FETCH_PRIOR, 0), SQL_NO_DATA);
    ASSERT_EQ(SQLFetchScroll(stmt, SQL_FETCH_NEXT, 0), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 3>{10, 20, 30}));
    // SQLGetData reads the first row of the rowset.
    SQLBIGINT got = 0;
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_SBIGINT, &got, 0, nullptr), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(got, 10);
    v.fill(-1);
    ASSERT_EQ(SQLFetchScroll(stmt, SQL_FETCH_RELATIVE, 5), SQL_SUCCESS);
    EXPECT_EQ(v, (std::array<SQLBIGINT, 3>{60, 70, -1}));
    EXPECT_EQ(status, (std::array<SQLUSMALLINT, 3>{SQL_ROW_SUCCESS, SQL_ROW_SUCCESS, SQL_ROW_NOROW}));
    EXPECT_EQ(fetched, 2u);
}

TEST_F(ThroughTheDriverManager, CloseCursorAfterASelect) {
    select_v();
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLCloseCursor(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    select_v();
    SQLBIGINT v = 0;
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_SBIGINT, &v, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(v, 10);
    ASSERT_EQ(SQLCloseCursor(stmt), SQL_SUCCESS);
}

TEST_F(ThroughTheDriverManager, FunctionsNotOfferedAreReportedMissing) {
    for (const SQLUSMALLINT id : std::to_array<SQLUSMALLINT>(
             {SQL_API_SQLBROWSECONNECT, SQL_API_SQLBULKOPERATIONS, SQL_API_SQLCOPYDESC, SQL_API_SQLGETCURSORNAME,
              SQL_API_SQLGETDESCFIELD, SQL_API_SQLGETDESCREC, SQL_API_SQLPARAMDATA, SQL_API_SQLPUTDATA,
              SQL_API_SQLSETCURSORNAME, SQL_API_SQLSETDESCFIELD, SQL_API_SQLSETDESCREC, SQL_API_SQLSPECIALCOLUMNS})) {
        SQLUSMALLINT supported = 7;
        ASSERT_EQ(SQLGetFunctions(dbc, id, &supported), SQL_SUCCESS);
        EXPECT_EQ(supported, SQL_FALSE) << id;
    }
    for (const SQLUSMALLINT id :
         std::to_array<SQLUSMALLINT>({SQL_API_SQLCLOSECURSOR, SQL_API_SQLDESCRIBEPARAM, SQL_API_SQLFETCHSCROLL,
                                      SQL_API_SQLCANCEL, SQL_API_SQLSETPOS})) {
        SQLUSMALLINT supported = 7;
        ASSERT_EQ(SQLGetFunctions(dbc, id, &supported), SQL_SUCCESS);
        EXPECT_EQ(supported, SQL_TRUE) << id;
    }
    // A missing function gets the Driver Manager's own answer. (SQLSetScrollOptions the Driver
    // Manager maps onto statement attributes itself.)
    EXPECT_EQ(SQLSetCursorName(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>("c")), SQL_NTS), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_STMT, stmt), "IM001");
}

TEST_F(ThroughTheDriverManager, DescribeParamBeforeBinding) {
    ASSERT_EQ(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>("select v from t where v > ?")), SQL_NTS),
              SQL_SUCCESS);
    SQLSMALLINT markers = 0;
    ASSERT_EQ(SQLNumParams(stmt, &markers), SQL_SUCCESS);
    ASSERT_EQ(markers, 1);
    SQLSMALLINT type = 0, digits = 0, nullable = 0;
    SQLULEN size = 9;
    ASSERT_EQ(SQLDescribeParam(stmt, 1, &type, &size, &digits, &nullable), SQL_SUCCESS)
        << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(type, SQL_VARCHAR);
    EXPECT_EQ(size, 4000u);
    EXPECT_EQ(nullable, SQL_NULLABLE_UNKNOWN);
    EXPECT_EQ(SQLDescribeParam(stmt, 2, &type, &size, &digits, &nullable), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_STMT, stmt), "07009");
}

TEST_F(ThroughTheDriverManager, AutocommitOffIsNotKept) {
    EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(state_of(SQL_HANDLE_DBC, dbc), "01S02");
    SQLUINTEGER autocommit = 0;
    ASSERT_EQ(SQLGetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, &autocommit, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(autocommit, static_cast<SQLUINTEGER>(SQL_AUTOCOMMIT_ON));
}

TEST_F(ThroughTheDriverManager, DiagnosticFieldsOfAFailure) {
    ASSERT_EQ(exec("select * from missing"), SQL_ERROR);
    const auto text = [&](SQLSMALLINT field) {
        char buffer[600] = "untouched";
        SQLSMALLINT length = 0;
        EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, 1, field, buffer, sizeof buffer, &length), SQL_SUCCESS)
            << field;
        return std::string(buffer);
    };
    EXPECT_EQ(text(SQL_DIAG_SQLSTATE), "42S02");
    EXPECT_NE(text(SQL_DIAG_MESSAGE_TEXT).find("Table doesn't exist: query error: "), std::string::npos)
        << text(SQL_DIAG_MESSAGE_TEXT);
    EXPECT_EQ(text(SQL_DIAG_CLASS_ORIGIN), "ISO 9075");
    EXPECT_EQ(text(SQL_DIAG_SUBCLASS_ORIGIN), "ODBC 3.0");
    SQLINTEGER native = 0;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, 1, SQL_DIAG_NATIVE, &native, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(static_cast<std::uint32_t>(native), VDL_E_NO_TABLE);
    SQLINTEGER number = 0;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, 0, SQL_DIAG_NUMBER, &number, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(number, 1);
    SQLRETURN code = 0;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, 0, SQL_DIAG_RETURNCODE, &code, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(code, SQL_ERROR);
    SQLCHAR state[6];
    native = 0;
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(static_cast<std::uint32_t>(native), VDL_E_NO_TABLE);
}

TEST_F(ThroughTheDriverManager, TheErrorOfAHundredKilobyteStatementIsReadable) {
    ASSERT_EQ(exec("select " + std::string(100'000, 'x') + " from t"), SQL_ERROR);
    SQLCHAR state[6];
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH];
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, nullptr, message, sizeof message, &length), SQL_SUCCESS);
    EXPECT_LT(length, SQL_MAX_MESSAGE_LENGTH);
    const std::string text(reinterpret_cast<char*>(message));
    EXPECT_NE(text.find("could not query"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("...")) << text;
}

// A statement prepared with markers runs again with other values: its text columns are described
// wide enough for the longer texts of a later run (DBD::ODBC sizes its buffers from the first
// description). A direct statement's text column is as wide as its longest value.
TEST_F(ThroughTheDriverManager, TextColumnsOfAStatementPreparedWithMarkersAreDescribedWide) {
    const auto text_size = [&] {
        SQLCHAR name[16];
        SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        EXPECT_EQ(SQLDescribeCol(stmt, 1, name, sizeof name, &name_length, &type, &size, &digits, &nullable),
                  SQL_SUCCESS);
        EXPECT_EQ(type, SQL_CHAR);
        SQLLEN display = 0;
        EXPECT_EQ(SQLColAttribute(stmt, 1, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, &display), SQL_SUCCESS);
        EXPECT_EQ(static_cast<SQLULEN>(display), size);
        SQLFreeStmt(stmt, SQL_CLOSE);
        return size;
    };
    ASSERT_EQ(exec("select s from t where v > 15"), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(text_size(), 1u) << "the longest value";

    ASSERT_EQ(SQLPrepare(stmt, support::sql_text("select s from t where v > ?"), SQL_NTS), SQL_SUCCESS);
    SQLBIGINT least = 15;
    ASSERT_EQ(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &least, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(text_size(), 65535u);
    least = 100;  // no rows
    ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << support::diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(text_size(), 65535u);
}
