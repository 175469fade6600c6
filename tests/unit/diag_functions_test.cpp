#include <gtest/gtest.h>

#include <array>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "handle/diag_visitors.hpp"
#include "store_statement.hpp"

namespace {

// A query of a table the store does not have: 42S02, with the library's status as native error.
void query_missing_table(const support::store_statement& s) { ASSERT_EQ(s.exec("select * from t"), SQL_ERROR); }

// SQLGetStmtAttr of an attribute no statement has: HY092 with this message.
const std::string unknown_attribute_message = "[HY092] Invalid attribute/option identifier: Unknown attribute: -3";
void get_unknown_attribute(SQLHSTMT stmt) {
    SQLULEN value = 0;
    ASSERT_EQ(SQLGetStmtAttr(stmt, -3, &value, 0, nullptr), SQL_ERROR);
}

std::string field_text(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT id, SQLRETURN expected = SQL_SUCCESS) {
    char buffer[256] = "untouched";
    SQLSMALLINT length = -1;
    EXPECT_EQ(SQLGetDiagField(type, handle, 1, id, buffer, sizeof buffer, &length), expected);
    return buffer;
}

}  // namespace

TEST(GetDiagRec, RecordOneTwoAndInvalidArguments) {
    support::store_statement s;
    query_missing_table(s);
    auto d = support::diag_of(SQL_HANDLE_STMT, s.stmt());
    EXPECT_EQ(d.rc, SQL_SUCCESS);
    EXPECT_EQ(d.sqlstate, "42S02");
    EXPECT_TRUE(d.message.starts_with("[42S02] Table doesn't exist: ")) << d.message;
    EXPECT_EQ(d.length, static_cast<SQLSMALLINT>(d.message.size()));
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt()).message, d.message) << "reading does not change the record";
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt(), 2).rc, SQL_NO_DATA);
    EXPECT_EQ(support::diag_of(SQL_HANDLE_STMT, s.stmt(), 0).rc, SQL_ERROR);
    SQLCHAR message[8];
    EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s.stmt(), 1, nullptr, nullptr, message, -1, nullptr), SQL_ERROR);
    EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, nullptr, 1, nullptr, nullptr, message, 8, nullptr), SQL_INVALID_HANDLE);
}

TEST(GetDiagRec, TruncatesTheMessageAndStillSucceeds) {
    support::captured_log log(logger::level::info);
    support::handles h;
    get_unknown_attribute(h.stmt);
    const auto full_length = unknown_attribute_message.size();
    SQLCHAR state[6];
    SQLCHAR message[10];
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, h.stmt, 1, state, nullptr, message, 10, &length), SQL_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(message), "[HY092] I");
    EXPECT_EQ(length, static_cast<SQLSMALLINT>(full_length));
    EXPECT_NE(log.text().find("[Info]  buffer [10] too small for message [" + std::to_string(full_length) +
                              "], truncating...\n"),
              std::string::npos);

    // A null SQLSTATE pointer still gets the message.
    SQLCHAR full[128];
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, h.stmt, 1, nullptr, nullptr, full, sizeof full, nullptr), SQL_SUCCESS);
    EXPECT_EQ(reinterpret_cast<char*>(full), unknown_attribute_message);
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
    SQLSMALLINT type = 0;
    ASSERT_EQ(SQLDescribeParam(h.stmt, 1, &type, nullptr, nullptr, nullptr), SQL_ERROR) << "nothing prepared";
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_CLASS_ORIGIN), "ISO 9075");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_SUBCLASS_ORIGIN), "ISO 9075");
    EXPECT_EQ(field_text(SQL_HANDLE_ENV, h.env, SQL_DIAG_CONNECTION_NAME), "vdl connection");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, h.stmt, SQL_DIAG_SQLSTATE), "07009");
    EXPECT_EQ(field_text(SQL_HANDLE_DBC, h.dbc, SQL_DIAG_SQLSTATE), "00000");
}

TEST(GetDiagField, FieldsOfTheRecordAndOfTheHeader) {
    support::store_statement s;
    const SQLHSTMT stmt = s.stmt();
    query_missing_table(s);
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, stmt, SQL_DIAG_SQLSTATE), "42S02");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, stmt, SQL_DIAG_MESSAGE_TEXT), s.diag_message());
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, stmt, SQL_DIAG_CLASS_ORIGIN), "ISO 9075");
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, stmt, SQL_DIAG_SUBCLASS_ORIGIN), "ODBC 3.0") << "42S02 is ODBC's subclass";

    // The library's status, whose high bit is set: negative as a signed 32-bit number.
    const auto status = static_cast<SQLINTEGER>(VDL_E_NO_TABLE);
    ASSERT_LT(status, 0);
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, 1, SQL_DIAG_NATIVE, &native, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(native, status);
    SQLCHAR state[6];
    native = 0;
    ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, nullptr, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(native, status);

    // The header: record 0, or any record number.
    for (const SQLSMALLINT record : std::to_array<SQLSMALLINT>({0, 1, 5})) {
        SQLINTEGER number = -1;
        ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, record, SQL_DIAG_NUMBER, &number, 0, &length), SQL_SUCCESS);
        EXPECT_EQ(number, 1) << record;
        SQLRETURN code = 0;
        ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, record, SQL_DIAG_RETURNCODE, &code, 0, &length), SQL_SUCCESS);
        EXPECT_EQ(code, SQL_ERROR) << record;
    }

    // A success has no status record and no message.
    SQLSMALLINT columns = -1;
    ASSERT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    SQLINTEGER number = -1;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, 0, SQL_DIAG_NUMBER, &number, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(field_text(SQL_HANDLE_STMT, stmt, SQL_DIAG_MESSAGE_TEXT), "");
    native = 7;
    ASSERT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt, 1, SQL_DIAG_NATIVE, &native, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(native, 0);

    // 01S02 and HY110 are ODBC subclasses too; HY000 and 07009 are the standard's. The driver posts
    // no state of ODBC's own class IM (the Driver Manager does), whose class and subclass are ODBC's.
    EXPECT_EQ(handle::class_origin("IM001"), "ODBC 3.0");
    EXPECT_EQ(handle::subclass_origin("IM001"), "ODBC 3.0");
    EXPECT_EQ(handle::subclass_origin("01S02"), "ODBC 3.0");
    EXPECT_EQ(handle::subclass_origin("HY110"), "ODBC 3.0");
    EXPECT_EQ(handle::subclass_origin("HY000"), "ISO 9075");
    EXPECT_EQ(handle::subclass_origin("HYC00"), "ISO 9075");
    EXPECT_EQ(handle::class_origin("HY000"), "ISO 9075");
}

TEST(GetDiagField, KindSpecificFields) {
    support::handles h;
    // Without a data source (the connect tests name one).
    EXPECT_EQ(field_text(SQL_HANDLE_DBC, h.dbc, SQL_DIAG_SERVER_NAME), "vandrel");
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

// A statement's record belongs to no row, or to a row (or set of parameters) whose number the one
// record a handle keeps does not hold: never the cursor's position.
TEST(GetDiagField, RowNumberIsNoneOrUnknownNeverThePosition) {
    support::store_statement s;
    ASSERT_EQ(s.exec("create table r (v STRING)"), SQL_SUCCESS);
    ASSERT_EQ(s.exec("insert into r (v) values ('first'), ('second'), ('third')"), SQL_SUCCESS);
    ASSERT_EQ(s.exec("select v from r order by $timestamp"), SQL_SUCCESS);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(SQLFetch(s.stmt()), SQL_SUCCESS);
    const auto row_number = [&] {
        SQLLEN row = 0;
        EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, s.stmt(), 1, SQL_DIAG_ROW_NUMBER, &row, 0, nullptr), SQL_SUCCESS);
        return row;
    };
    char two[2];
    SQLLEN length = 0;
    ASSERT_EQ(SQLGetData(s.stmt(), 1, SQL_C_CHAR, two, sizeof two, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(row_number(), SQL_ROW_NUMBER_UNKNOWN) << "a value cut short belongs to a row";
    ASSERT_EQ(SQLGetData(s.stmt(), 9, SQL_C_CHAR, two, sizeof two, &length), SQL_ERROR);
    EXPECT_EQ(row_number(), SQL_NO_ROW_NUMBER) << "a column number out of range belongs to no row";
    ASSERT_EQ(s.exec("select * from missing"), SQL_ERROR);
    EXPECT_EQ(row_number(), SQL_NO_ROW_NUMBER);
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
