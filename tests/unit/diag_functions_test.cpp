#include <gtest/gtest.h>

#include <array>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "handle/diag_visitors.hpp"

namespace {

void fail_with(support::handles& h, diag::state s, std::string_view detail) {
    frame::call<handle::statement>(h.stmt, [&](handle::statement&) { return diag_record(s, detail); });
}

std::string field_text(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT id, SQLRETURN expected = SQL_SUCCESS) {
    char buffer[64] = "untouched";
    SQLSMALLINT length = -1;
    EXPECT_EQ(SQLGetDiagField(type, handle, 1, id, buffer, sizeof buffer, &length), expected);
    return buffer;
}

}  // namespace

TEST(GetDiagRec, RecordOneTwoAndInvalidArguments) {
    support::handles h;
    fail_with(h, diag::state::table_not_found, "no table t");
    auto d = support::diag_of(SQL_HANDLE_STMT, h.stmt);
    EXPECT_EQ(d.rc, SQL_SUCCESS);
    EXPECT_EQ(d.sqlstate, "42S02");
    EXPECT_EQ(d.message, "[42S02] Table doesn't exist: no table t");
    EXPECT_EQ(d.length, static_cast<SQLSMALLINT>(d.message.size()));
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, h.stmt).message, d.message) << "reading does not change the record";
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, h.stmt, 2).rc, SQL_NO_DATA);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, h.stmt, 0).rc, SQL_ERROR);
    SQLCHAR message[8];
    EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, h.stmt, 1, nullptr, nullptr, message, -1, nullptr), SQL_ERROR);
    EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, nullptr, 1, nullptr, nullptr, message, 8, nullptr), SQL_INVALID_HANDLE);
}

TEST(GetDiagRec, TruncatesTheMessageAndStillSucceeds) {
    support::captured_log log(logger::level::info);
    support::handles h;
    fail_with(h, diag::state::general_error, "01234567890123456");  // message of 40 characters
    SQLCHAR state[6];
    SQLCHAR message[10];
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, h.stmt, 1, state, nullptr, message, 10, &length), SQL_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(message), "[HY000] G");
    EXPECT_EQ(length, 40);
    EXPECT_NE(log.text().find("[Info]  buffer [10] too small for message [40], truncating...\n"), std::string::npos);

    // A null SQLSTATE pointer still gets the message.
    SQLCHAR full[64];
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, h.stmt, 1, nullptr, nullptr, full, 64, nullptr), SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(full)).size(), 40u);
}

TEST(GetDiagRec, EveryHandleKind) {
    support::handles h;
    SQLHDESC desc = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, h.dbc, &desc), SQL_SUCCESS);
    for (SQLHANDLE handle : {h.env, h.dbc, h.stmt, desc}) {
        const auto d = support::diag_of(SQL_HANDLE_ENV /* only logged */, handle);
        EXPECT_EQ(d.rc, SQL_SUCCESS);
        EXPECT_EQ(d.sqlstate, "00000");
    }
    SQLFreeHandle(SQL_HANDLE_DESC, desc);
}

TEST(GetDiagField, CommonFields) {
    support::handles h;
    fail_with(h, diag::state::invalid_descriptor_index, "x");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_CLASS_ORIGIN), "ISO 9075");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_SUBCLASS_ORIGIN), "ISO 9075");
    EXPECT_EQ(field_text(SQL_HANDLE_ENV, h.env, SQL_DIAG_CONNECTION_NAME), "vdl connection");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_SQLSTATE), "07009");
    EXPECT_EQ(field_text(SQL_HANDLE_DBC, h.dbc, SQL_DIAG_SQLSTATE), "00000");
    h.statement().diagnostics.sqlstate = "IM001";
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_CLASS_ORIGIN), "ODBC 3.0");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_SUBCLASS_ORIGIN), "ODBC 3.0");
}

TEST(GetDiagField, FieldsOfTheRecordAndOfTheHeader) {
    support::handles h;
    frame::call<handle::statement>(h.stmt, [&](handle::statement&) {
        diag_record r(diag::state::table_not_found, "no table t");
        r.native_error = -1325400056;
        return r;
    });
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_SQLSTATE), "42S02");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_MESSAGE_TEXT), "[42S02] Table doesn't exist: no table t");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_CLASS_ORIGIN), "ISO 9075");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_SUBCLASS_ORIGIN), "ODBC 3.0") << "42S02 is ODBC's subclass";

    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 1, SQL_DIAG_NATIVE, &native, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(native, -1325400056);
    SQLCHAR state[6];
    native = 0;
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, h.stmt, 1, state, &native, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(native, -1325400056);

    // The header: record 0, or any record number.
    for (const SQLSMALLINT record : std::to_array<SQLSMALLINT>({0, 1, 5})) {
        SQLINTEGER number = -1;
        ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, record, SQL_DIAG_NUMBER, &number, 0, &length), SQL_SUCCESS);
        EXPECT_EQ(number, 1) << record;
        SQLRETURN code = 0;
        ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, record, SQL_DIAG_RETURNCODE, &code, 0, &length),
                  SQL_SUCCESS);
        EXPECT_EQ(code, SQL_ERROR) << record;
    }

    // A success has no status record and no message.
    frame::call<handle::statement>(h.stmt, [&](handle::statement&) { return diag_record::success(); });
    SQLINTEGER number = -1;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 0, SQL_DIAG_NUMBER, &number, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_MESSAGE_TEXT), "");
    native = 7;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 1, SQL_DIAG_NATIVE, &native, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(native, 0);

    // 01S02 and HY110 are ODBC subclasses too; HY000 and 07009 are the standard's.
    EXPECT_EQ(handle::subclass_origin("01S02"), "ODBC 3.0");
    EXPECT_EQ(handle::subclass_origin("HY110"), "ODBC 3.0");
    EXPECT_EQ(handle::subclass_origin("HY000"), "ISO 9075");
    EXPECT_EQ(handle::subclass_origin("HYC00"), "ISO 9075");
    EXPECT_EQ(handle::class_origin("HY000"), "ISO 9075");
}

TEST(GetDiagField, KindSpecificFields) {
    support::handles h;
    EXPECT_EQ(field_text(SQL_HANDLE_DBC, h.dbc, SQL_DIAG_SERVER_NAME), "vandrel");
    h.connection().settings["dsn"] = "trades";
    EXPECT_EQ(field_text(SQL_HANDLE_DBC, h.dbc, SQL_DIAG_SERVER_NAME), "trades");
    EXPECT_EQ(field_text(SQL_HANDLE_ENV, h.env, SQL_DIAG_SERVER_NAME), "untouched");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_SERVER_NAME), "untouched");

    SQLLEN row = 0;
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 1, SQL_DIAG_ROW_NUMBER, &row, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(row, -1);
    EXPECT_EQ(length, static_cast<SQLSMALLINT>(sizeof(SQLLEN)));
    SQLINTEGER column = 7;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 1, SQL_DIAG_COLUMN_NUMBER, &column, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(length, 4);
    column = 7;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_DBC, h.dbc, 1, SQL_DIAG_COLUMN_NUMBER, &column, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(column, 7);
}

TEST(GetDiagField, UnsupportedAndInvalidRequests) {
    support::captured_log log(logger::level::debug);
    support::handles h;
    char buffer[16];
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 1, SQL_DIAG_DYNAMIC_FUNCTION, buffer, 16, nullptr), SQL_ERROR);
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 1, SQL_DIAG_ROW_COUNT, buffer, 16, nullptr), SQL_ERROR);
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 0, SQL_DIAG_SQLSTATE, buffer, 16, nullptr), SQL_ERROR)
        << "record 0 holds the header fields only";
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 1, SQL_DIAG_CLASS_ORIGIN, buffer, -1, nullptr), SQL_ERROR);
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 2, SQL_DIAG_CLASS_ORIGIN, buffer, 16, nullptr), SQL_NO_DATA);
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, nullptr, 1, SQL_DIAG_CLASS_ORIGIN, buffer, 16, nullptr),
              SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h.stmt, 1, 4242, buffer, 16, nullptr), SQL_ERROR);
    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] get diag attribute: 7 - SQL_DIAG_DYNAMIC_FUNCTION\n[Debug] record number: 1\n"
                        "[Error] unsupported diag_identifer\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Debug] get diag attribute: 4242 - \n"), std::string::npos);
    EXPECT_NE(text.find("[Debug] SQLGetDiagField fHandleType: 3, iRecord: 1, filed: 7\n"), std::string::npos);
}

TEST(GetDiagField, IdentifierNamesPreferFieldNames) {
    EXPECT_EQ(handle::diag_identifier_name(SQL_DIAG_SQLSTATE), "SQL_DIAG_SQLSTATE");  // also SQL_DIAG_ALTER_TABLE
    EXPECT_EQ(handle::diag_identifier_name(SQL_DIAG_CREATE_INDEX), "SQL_DIAG_CREATE_INDEX");
    EXPECT_EQ(handle::diag_identifier_name(SQL_DIAG_UNKNOWN_STATEMENT), "SQL_DIAG_UNKNOWN_STATEMENT");
    EXPECT_EQ(handle::diag_identifier_name(1234), "");
}
