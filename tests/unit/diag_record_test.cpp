#include <gtest/gtest.h>

#include <cstring>

#include "captured_log.hpp"
#include "diagnostics/copy_out_string.hpp"
#include "diagnostics/diag_record.hpp"
#include "driver_handles.hpp"

TEST(DiagRecord, ComposesTheMessageFromStateAndDetail) {
    const diag_record r(diag::state::connection_not_open, "statement needs a working connection.");
    EXPECT_EQ(r.state_code, 7);
    EXPECT_EQ(r.return_code, SQL_ERROR);
    EXPECT_EQ(r.sqlstate, "08003");
    EXPECT_EQ(r.message, "[08003] Connection not open: statement needs a working connection.");

    const diag_record invalid(diag::state::invalid_handle, "expected valid handle.");
    EXPECT_EQ(invalid.return_code, SQL_INVALID_HANDLE);
    EXPECT_EQ(invalid.sqlstate, "");
    EXPECT_EQ(invalid.message, "[] Invalid handle: expected valid handle.");

    EXPECT_EQ(diag_record(diag::state::general_error).message, "General error");
}

TEST(DiagRecord, ALongDetailIsCutToAReadableMessage) {
    // A library error that quotes a 100 KB statement still fits a SQL_MAX_MESSAGE_LENGTH buffer.
    const std::string statement = "select " + std::string(100'000, 'x');
    const diag_record r(diag::state::general_error, "could not query, error: no such column: " + statement);
    EXPECT_EQ(r.message.size(), diag::max_message_length);
    EXPECT_EQ(diag::max_message_length, SQL_MAX_MESSAGE_LENGTH - 1u);
    EXPECT_TRUE(r.message.starts_with("[HY000] General error: could not query, error: no such column: select xxx"));
    EXPECT_TRUE(r.message.ends_with("xxx...")) << r.message;

    const std::string exact(diag::max_message_length, 'e');
    EXPECT_EQ(diag::fitted_message(exact), exact) << "a message that fits is kept whole";
    // A cut never splits a character: "é" is two bytes, and the cut falls between them.
    std::string accents(diag::max_message_length - 4, 'a');
    for (int i = 0; i < 10; ++i) accents += "\xC3\xA9";
    const auto cut = diag::fitted_message(accents);
    ASSERT_TRUE(cut.ends_with("..."));
    const auto body = cut.substr(0, cut.size() - 3);
    EXPECT_EQ(body, std::string(diag::max_message_length - 4, 'a')) << "the split character is left out whole";
}

TEST(DiagRecord, ReturnCodesBelongToTheRowNotTheClass) {
    EXPECT_EQ(diag_record(diag::state::string_right_truncated).return_code, SQL_SUCCESS_WITH_INFO);  // 01004
    EXPECT_EQ(diag_record(diag::state::option_value_changed).return_code, SQL_SUCCESS_WITH_INFO);    // 01S02
    EXPECT_EQ(diag_record(diag::state::no_data).return_code, SQL_NO_DATA);
    EXPECT_EQ(diag_record(diag::state::no_data).sqlstate, "00000");
    EXPECT_EQ(diag_record(diag::state::table_not_found).sqlstate, "42S02");
    const diag_record fresh;
    EXPECT_EQ(fresh.sqlstate, "00000");
    EXPECT_EQ(fresh.message, "");
    EXPECT_EQ(return_code_name(SQL_NO_DATA), "SQL_NO_DATA");
    EXPECT_EQ(return_code_name(42), "SQL_ERROR_???");
}

TEST(CopyOutString, TruncatesSilentlyAndReportsTheFullLength) {
    support::captured_log log(logger::level::info);
    const std::string text(40, 'x');
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    SQLSMALLINT length = 0;
    copy_out_string(text, buffer, 10, &length);
    EXPECT_EQ(std::string(buffer), std::string(9, 'x'));
    EXPECT_EQ(buffer[10], '#') << "nothing is written past the buffer length";
    EXPECT_EQ(length, 40);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Info]  buffer [10] too small for message [40], truncating..."});
}

TEST(CopyOutString, BufferOfExactlyTheTextLengthLosesTheLastByte) {
    char buffer[5];
    SQLINTEGER length = 0;
    copy_out_string("abcde", buffer, 5, &length);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(length, 5);
    copy_out_string("abcd", buffer, 5, &length);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(length, 4);
}

TEST(CopyOutString, NullOrEmptyBufferOnlyReportsTheLength) {
    support::captured_log log(logger::level::info);
    SQLSMALLINT length = 0;
    copy_out_string("hello", nullptr, 0, &length);
    EXPECT_EQ(length, 5);
    char one = '#';
    copy_out_string("hello", &one, 0, &length);
    EXPECT_EQ(one, '#');
    copy_out_string("hello", &one, 1, nullptr);
    EXPECT_EQ(one, '\0');
    SQLSMALLINT small = 0;
    copy_out_string(std::string(40000, 'y'), nullptr, 0, &small);
    EXPECT_EQ(small, 32767) << "a length too large for the pointer's type saturates";
    EXPECT_EQ(log.lines().size(), 1u);  // only the one-byte buffer truncated
}
