#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "frame.hpp"

namespace {

// Runs an operation through the record form of the frame on a statement, like an export does.
SQLRETURN run_on_statement(SQLHSTMT stmt, auto op, std::source_location where = std::source_location::current()) {
    return frame::call<handle::statement>(
        stmt, [&](handle::statement&) { return op(); }, where);
}

}  // namespace

TEST(Frame, InvalidHandlesReturnInvalidHandleAndLogOnlyTheCallLine) {
    support::handles h;
    ASSERT_EQ(SQLGetInfo(h.dbc, 5000, nullptr, 0, nullptr), SQL_ERROR);
    const std::string kept = support::diag_of(SQL_HANDLE_DBC, h.dbc).message;
    ASSERT_EQ(kept, "[HY092] Invalid attribute/option identifier: Unknown attribute: 5000");
    support::captured_log log(logger::level::debug);

    EXPECT_EQ(SQLExecDirect(nullptr, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLExecDirect(h.dbc, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLFetch(h.env), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLDisconnect(h.stmt), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLGetEnvAttr(h.dbc, SQL_ATTR_ODBC_VERSION, nullptr, 0, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"[Debug] SQLExecDirect", "[Debug] SQLExecDirect", "[Debug] SQLFetch",
                                        "[Debug] SQLDisconnect", "[Debug] SQLGetEnvAttr attribute 200"}));
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).message, kept) << "no handle's record is replaced";
}

TEST(Frame, ExceptionsBecomeRecordsByClass) {
    support::handles h;
    const auto line = std::source_location::current().line() + 1;
    EXPECT_EQ(run_on_statement(h.stmt, []() -> diag_record { throw std::runtime_error("boom"); }), SQL_ERROR);
    auto d = support::diag_of(SQL_HANDLE_STMT, h.stmt);
    EXPECT_EQ(d.sqlstate, "HY000");
    EXPECT_TRUE(d.message.starts_with("[HY000] General error: ")) << d.message;
    EXPECT_TRUE(d.message.ends_with(fmt::format(":{}- exception: boom", line))) << d.message;
    EXPECT_NE(d.message.find("TestBody"), std::string::npos) << "names the calling function: " << d.message;

    EXPECT_EQ(run_on_statement(h.stmt, []() -> diag_record { throw std::bad_alloc(); }), SQL_ERROR);
    d = support::diag_of(SQL_HANDLE_STMT, h.stmt);
    EXPECT_EQ(d.sqlstate, "HY013");
    EXPECT_TRUE(d.message.starts_with("[HY013] Memory management error: ")) << d.message;
    EXPECT_NE(d.message.find("- alloc exception: std::bad_alloc"), std::string::npos) << d.message;

    EXPECT_EQ(run_on_statement(h.stmt, []() -> diag_record { throw 42; }), SQL_ERROR);
    d = support::diag_of(SQL_HANDLE_STMT, h.stmt);
    EXPECT_EQ(d.sqlstate, "HY000");
    EXPECT_TRUE(d.message.ends_with("- unknown exception")) << d.message;
}

TEST(Frame, EveryOutcomeReplacesTheHandleRecord) {
    support::handles h;
    run_on_statement(h.stmt, [] { return diag_record(diag::state::invalid_descriptor_index, "bad"); });
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, h.stmt).sqlstate, "07009");
    EXPECT_EQ(run_on_statement(h.stmt, [] { return diag_record::success(); }), SQL_SUCCESS);
    const auto d = support::diag_of(SQL_HANDLE_STMT, h.stmt);
    EXPECT_EQ(d.rc, SQL_SUCCESS);
    EXPECT_EQ(d.sqlstate, "00000");
    EXPECT_EQ(d.message, "");
    EXPECT_EQ(d.length, 0);
    EXPECT_EQ(run_on_statement(h.stmt, [] { return diag_record::no_data(); }), SQL_NO_DATA);
}

TEST(Frame, ResultLinesByOutcome) {
    support::captured_log log(logger::level::debug);
    support::handles h;
    const auto line = std::source_location::current().line() + 1;
    run_on_statement(h.stmt, [] { return diag_record(diag::state::table_not_found, "t"); });
    run_on_statement(h.stmt, [] { return diag_record(diag::state::general_warning, "w"); });
    run_on_statement(h.stmt, [] { return diag_record::success(); });
    const auto lines = log.lines();
    const auto n = lines.size();
    ASSERT_GE(n, 5u);
    EXPECT_TRUE(lines[n - 5].starts_with("[Error] ")) << lines[n - 5];
    EXPECT_TRUE(lines[n - 5].ends_with(fmt::format(":{}", line))) << lines[n - 5];
    EXPECT_EQ(lines[n - 4], "[Error] [error] SQL_ERROR - [42S02] Table doesn't exist: t");
    EXPECT_TRUE(lines[n - 3].ends_with(fmt::format(":{}", line + 1))) << lines[n - 3];
    EXPECT_EQ(lines[n - 2], "[Error] [info] SQL_SUCCESS_WITH_INFO - [01000] General warning: w");
    EXPECT_EQ(lines[n - 1], "[Debug] return SQL_SUCCESS - [00000], ");
}

TEST(Frame, AtInfoLevelOnlyFailuresAreLogged) {
    support::handles h;
    ASSERT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);  // the statement stays, and its query cannot run
    support::captured_log log(logger::level::info);
    SQLExecDirect(h.stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>("select 1")), SQL_NTS);
    run_on_statement(h.stmt, [] { return diag_record::success(); });
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("SQLExecDirect"), std::string::npos) << "location line: " << lines[0];
    EXPECT_EQ(lines[1],
              "[Error] [error] SQL_ERROR - [08003] Connection not open: statement needs a working connection.");
}

TEST(Frame, FunctionsNotOfferedPostTheirReasonAndEndTran) {
    support::captured_log log(logger::level::debug);
    support::handles h;
    run_on_statement(h.stmt, [] { return diag_record(diag::state::general_warning, "before"); });
    EXPECT_EQ(SQLPutData(h.stmt, nullptr, 0), SQL_ERROR);
    auto d = support::diag_of(SQL_HANDLE_STMT, h.stmt);
    EXPECT_EQ(d.sqlstate, "HYC00");
    EXPECT_EQ(d.message, "[HYC00] Optional feature not implemented: SQLPutData is not offered by this driver");
    EXPECT_EQ(SQLPutData(nullptr, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLBulkOperations(nullptr, 0), SQL_INVALID_HANDLE);

    // Whatever the kind of handle the function takes.
    EXPECT_EQ(SQLBrowseConnect(h.dbc, nullptr, 0, nullptr, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DBC, h.dbc).message,
              "[HYC00] Optional feature not implemented: SQLBrowseConnect is not offered by this driver");
    SQLPOINTER row_desc = nullptr;
    ASSERT_EQ(SQLGetStmtAttr(h.stmt, SQL_ATTR_APP_ROW_DESC, &row_desc, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(SQLGetDescField(row_desc, 0, SQL_DESC_COUNT, nullptr, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_DESC, row_desc).sqlstate, "HYC00");
    EXPECT_EQ(SQLCancelHandle(SQL_HANDLE_STMT, h.stmt), SQL_ERROR);
    EXPECT_NE(support::diag_of(SQL_HANDLE_STMT, h.stmt).message.find("SQLCancelHandle"), std::string::npos);

    EXPECT_EQ(SQLEndTran(SQL_HANDLE_ENV, nullptr, SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(SQLEndTran(99, h.stmt, 7), SQL_SUCCESS);

    const auto text = log.text();
    EXPECT_NE(text.find("[Error] function: SQLRETURN SQLPutData(SQLHSTMT, SQLPOINTER, SQLLEN) is not implemented\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Debug] SQLEndTran\n"), std::string::npos);
}

TEST(Frame, FunctionNamesOfSignatures) {
    EXPECT_EQ(frame::function_name_of("SQLRETURN SQLPutData(SQLHSTMT, SQLPOINTER, SQLLEN)"), "SQLPutData");
    EXPECT_EQ(frame::function_name_of("short int SQLCopyDesc(void*, void*)"), "SQLCopyDesc");
    EXPECT_EQ(frame::function_name_of("void *f()"), "f");
    EXPECT_EQ(frame::function_name_of("plain"), "plain");
}

TEST(Frame, TextArgumentsArePackedByLength) {
    const SQLCHAR text[] = "select 1\0tail";
    EXPECT_EQ(frame::text_arg(text, SQLINTEGER{SQL_NTS}), "select 1");
    EXPECT_EQ(frame::text_arg(text, SQLINTEGER{0}), "select 1");
    EXPECT_EQ(frame::text_arg(text, SQLSMALLINT{6}), "select");
    EXPECT_EQ(frame::text_arg(text, SQLINTEGER{13}), std::string_view("select 1\0tail", 13));
    EXPECT_EQ(frame::text_arg(static_cast<const SQLCHAR*>(nullptr), SQLINTEGER{25}), "");
}

TEST(Frame, StatusAndBooleanForms) {
    support::captured_log log(logger::level::debug);
    EXPECT_EQ(frame::call_status([] { return SQLRETURN{SQL_NO_DATA}; }), SQL_NO_DATA);
    EXPECT_EQ(frame::call_status([]() -> SQLRETURN { throw std::logic_error("status"); }), SQL_ERROR);
    EXPECT_EQ(frame::call_bool([] { return BOOL{1}; }), 1);
    EXPECT_EQ(frame::call_bool([] { return BOOL{0}; }), 0);
    EXPECT_EQ(frame::call_bool([]() -> BOOL { throw std::runtime_error("setup"); }), 0);
    const auto text = log.text();
    EXPECT_NE(text.find("- exception: status\n"), std::string::npos) << text;
    EXPECT_NE(text.find("- exception: setup\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("return SQL_NO_DATA"), std::string::npos) << "the status form writes no result line";
}
