// How log lines reach the file: whole lines only, and the lines of an export call by the time the
// call returns.
#include <gtest/gtest.h>

#include <string>

#include "captured_log.hpp"
#include "driver_handles.hpp"
#include "frame.hpp"
#include "logger/logger.hpp"

using logger::level;

namespace {

std::string file_text(const support::captured_log& log) {
    return support::read_file(log.dir() / "vdl_odbc_driver.log");
}

}  // namespace

TEST(LogWrites, AtDebugACallsLinesAreInTheFileWhenItReturns) {
    support::captured_log log(level::debug);
    log_line(level::debug, "before the call");
    // An export that fails its handle check still ends its group of lines.
    EXPECT_EQ(SQLFreeStmt(nullptr, SQL_CLOSE), SQL_INVALID_HANDLE);
    EXPECT_NE(file_text(log).find("[Debug] before the call\n"), std::string::npos)
        << "the file, read without closing it: " << file_text(log);

    support::handles h;
    const auto before = file_text(log).size();
    SQLSMALLINT columns = -1;
    EXPECT_EQ(SQLNumResultCols(h.stmt, &columns), SQL_SUCCESS);
    const auto text = file_text(log).substr(before);
    EXPECT_NE(text.find("[Debug] return SQL_SUCCESS"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\n")) << text;
}

TEST(LogWrites, AnErrorLineIsInTheFileWhenItsCallReturns) {
    // Below Debug a call writes few lines, and those matter most: they must not wait for the
    // buffer to fill.
    support::captured_log log(level::error);
    support::handles h;
    EXPECT_EQ(SQLExecDirect(h.stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>("select nonsense from")), SQL_NTS),
              SQL_ERROR);
    const auto text = file_text(log);
    EXPECT_NE(text.find("[Error] "), std::string::npos) << "the file, read without closing it: " << text;
    EXPECT_TRUE(text.ends_with("\n")) << text;
}

TEST(LogWrites, ManyLinesAndOneLargerThanTheBufferArriveWholeAndInOrder) {
    support::captured_log log(level::info);
    const std::string wide(100 * 1024, 'w');
    for (int i = 0; i < 3000; ++i) {
        log_line(level::info, "line {:05} {:->80}", i, "|");
        if (i == 1500) log_line(level::info, "{}", wide);
        if (i == 2000) {
            // Lines held back are never half in the file: what is there ends with a whole line.
            const auto partial = file_text(log);
            ASSERT_FALSE(partial.empty()) << "more than the buffer holds was written";
            EXPECT_EQ(partial.back(), '\n');
            for (const auto& line : support::lines_of(partial))
                EXPECT_TRUE(line == "[Info]  " + wide || line.ends_with(std::string(79, '-') + "|")) << line;
        }
    }
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 3001u);
    int expected = 0;
    for (const auto& line : lines) {
        if (line.size() > 200) {
            EXPECT_EQ(line, "[Info]  " + wide);
            continue;
        }
        EXPECT_EQ(line, fmt::format("[Info]  line {:05} {:->80}", expected++, "|"));
    }
}
