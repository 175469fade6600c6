#include "shell.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace vdlsh {
namespace {

class shell_test : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vdlsh_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        uri_ = "file:" + (dir_ / "s.db").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    int run(std::vector<std::string_view> arguments, std::string input = "", bool interactive = false) {
        std::istringstream in(std::move(input));
        out_.str("");
        err_.str("");
        return run_shell(arguments, {in, out_, err_, interactive, false});
    }

    std::filesystem::path dir_;
    std::string uri_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(shell_test, prints_aligned_tables) {
    ASSERT_EQ(
        run({uri_, "-c", "CREATE TABLE t (name STRING, n INT64, b BLOB)", "-c",
             "INSERT INTO t ($timestamp, name, n, b) VALUES (0, 'a''b', 7, X'00FF'), (1, 'line\nbreak', NULL, NULL)",
             "-c", "SELECT * FROM t"}),
        0)
        << err_.str();
    EXPECT_EQ(out_.str(),
              "ok\nok\n"
              "$timestamp                     | name        | n    | b\n"
              "-------------------------------+-------------+------+--------\n"
              "1970-01-01T00:00:00.000000000Z | a'b         |    7 | X'00FF'\n"
              "1970-01-01T00:00:00.000000001Z | line\\nbreak | NULL | NULL\n"
              "(2 rows)\n");
}

TEST_F(shell_test, reads_statements_from_input_across_lines) {
    EXPECT_EQ(run({uri_}, "CREATE TABLE t (s STRING);\nINSERT INTO t (s)\n VALUES ('x;\ny');\nSELECT count(*) FROM t"),
              0)
        << err_.str();
    EXPECT_NE(out_.str().find("count(*)\n--------\n       1\n(1 row)\n"), std::string::npos) << out_.str();
}

TEST_F(shell_test, failures_report_and_set_the_exit_status) {
    EXPECT_EQ(run({uri_, "-c", "SELECT * FROM nosuch", "-c", "SELECT 1"}), 1);
    EXPECT_EQ(err_.str(), "vdlsh: error: table does not exist: nosuch\n");
    EXPECT_EQ(out_.str(), "") << "stops at the first failure";

    EXPECT_EQ(run({uri_}, "SELECT 1;\nSELEC 2;\nSELECT 3;\n"), 1);
    EXPECT_EQ(out_.str().find("3\n"), std::string::npos) << "a script stops at the first failure";

    EXPECT_EQ(run({uri_}, "SELEC 2;\nSELECT 3;\n", true), 1);
    EXPECT_NE(out_.str().find("(1 row)"), std::string::npos) << "an interactive session goes on";

    EXPECT_EQ(run({"vdl://127.0.0.1:2836", "-c", "SHOW TABLES"}), 1);
    EXPECT_NE(err_.str().find("no cluster answers"), std::string::npos);
    EXPECT_EQ(run({uri_}, "SELECT 'open"), 1);
    EXPECT_NE(err_.str().find("unterminated string"), std::string::npos);
}

TEST_F(shell_test, a_malformed_token_is_reported_at_once_not_at_the_end_of_input) {
    // An interactive user sees the error for the line just typed and can go on.
    EXPECT_EQ(run({uri_}, "SELECT ?;\nSELECT 3;\n", true), 1);
    EXPECT_NE(err_.str().find("parameter markers are not supported"), std::string::npos) << err_.str();
    EXPECT_NE(out_.str().find("3\n(1 row)"), std::string::npos) << out_.str();

    // A script stops at the bad line; a string that spans lines is still waited for.
    EXPECT_EQ(run({uri_}, "SELECT 1abc;\nSELECT 3;\n"), 1);
    EXPECT_NE(err_.str().find("malformed number"), std::string::npos) << err_.str();
    EXPECT_EQ(out_.str().find("(1 row)"), std::string::npos) << out_.str();
    EXPECT_EQ(run({uri_}, "SELECT 'a\nb';\n", true), 0) << err_.str();
}

TEST_F(shell_test, usage_errors) {
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({uri_, "-c"}), 2);
    EXPECT_EQ(run({uri_, "--sample", "many"}), 2);
    // Rows whose timestamps would not fit in 64 bits are refused before anything is written.
    EXPECT_EQ(run({uri_, "--sample", "18446744073709551615"}), 2);
    EXPECT_NE(err_.str().find("--sample takes at most"), std::string::npos) << err_.str();
    EXPECT_EQ(run({uri_, "--bogus"}), 2);
    EXPECT_EQ(run({uri_, "other"}), 2);
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out_.str().find("usage: vdlsh"), std::string::npos);
}

TEST_F(shell_test, sample_tables_have_the_rows_nulls_and_blobs_asked_for) {
    ASSERT_EQ(run({uri_, "--sample", "500", "-c",
                   "SELECT count(*), count(sym), count(price), count(volume), min($timestamp) FROM trades"}),
              0)
        << err_.str();
    EXPECT_NE(out_.str().find("\n     500 |"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("2021-01-01T00:00:00.000000000Z"), std::string::npos);
    ASSERT_EQ(
        run({uri_, "-c",
             "SELECT count(*) FROM sensors WHERE payload IS NULL OR instr(payload, X'00') > 0 OR length(payload) = 0",
             "-c",
             "SELECT count(*) FROM trades t1 JOIN trades t2 ON t2.$timestamp > t1.$timestamp AND t2.rowid = t1.rowid + "
             "1"}),
        0);
    EXPECT_NE(out_.str().find("\n     500\n"), std::string::npos) << "every blob is NULL, empty or holds a zero byte";
    EXPECT_NE(out_.str().find("\n     499\n"), std::string::npos) << "timestamps increase";
    EXPECT_EQ(run({uri_, "--sample", "5"}), 1) << "existing tables are not replaced";
    EXPECT_NE(err_.str().find("table already exists: trades"), std::string::npos);
}

}  // namespace
}  // namespace vdlsh
