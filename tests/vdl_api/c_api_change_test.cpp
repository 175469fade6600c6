// vdl_change: a change that counts the rows it touched and is undone when it touches more
// rows than its caller allows.
#include "c_api_support.hpp"

namespace vdl_test {
namespace {

class change_test : public store_test {
protected:
    void SetUp() override {
        store_test::SetUp();
        ok("CREATE TABLE t (sym STRING, price DOUBLE)");
        ok("INSERT INTO t ($timestamp, sym, price) VALUES (1, 'ibm', 10.5), (2, 'ibm', 10.5), (3, 'aapl', 7)");
    }
    // The code of vdl_change, the count through `changed`.
    std::uint32_t change(const char* statement, std::uint64_t most, std::uint64_t& changed) {
        changed = 99;
        return vdl_change(handle_.get(), statement, most, &changed);
    }
    double sum() { return single("SELECT sum(price) FROM t").payload.as_double; }
};

TEST_F(change_test, counts_the_rows_an_update_delete_or_insert_changed) {
    std::uint64_t changed = 0;
    ASSERT_EQ(change("UPDATE t SET price=8 WHERE sym='aapl' ;", 1, changed), VDL_OK);
    EXPECT_EQ(changed, 1u);
    EXPECT_EQ(sum(), 29.0);
    ASSERT_EQ(change("UPDATE t SET price=1 WHERE sym='none'", 1, changed), VDL_OK);
    EXPECT_EQ(changed, 0u) << "matching nothing is no failure of the library";
    ASSERT_EQ(change("DELETE FROM t WHERE sym='ibm'", 2, changed), VDL_OK);
    EXPECT_EQ(changed, 2u);
    ASSERT_EQ(change("INSERT INTO t (sym, price) VALUES ('a', 1), ('b', 2), ('c', 3)", 10, changed), VDL_OK);
    EXPECT_EQ(changed, 3u);
}

TEST_F(change_test, more_rows_than_allowed_changes_nothing) {
    std::uint64_t changed = 0;
    EXPECT_EQ(change("UPDATE t SET price=0 WHERE sym='ibm' AND price=10.5 ;", 1, changed), VDL_E_TOO_MANY_CHANGES);
    EXPECT_EQ(changed, 2u) << "the count of the undone change";
    EXPECT_NE(std::string(vdl_error(VDL_E_TOO_MANY_CHANGES)).find("would change 2 rows, at most 1"), std::string::npos)
        << vdl_error(VDL_E_TOO_MANY_CHANGES);
    EXPECT_EQ(sum(), 28.0);
    EXPECT_EQ(change("DELETE FROM t", 0, changed), VDL_E_TOO_MANY_CHANGES);
    EXPECT_EQ(single("SELECT count(*) FROM t").payload.as_count, 3u);
    // The store is usable afterwards: the undone change left no transaction open.
    ASSERT_EQ(change("DELETE FROM t WHERE $timestamp = 3", 1, changed), VDL_OK);
    auto other = connect_to(uri());
    EXPECT_EQ(single("SELECT count(*) FROM t", other.get()).payload.as_count, 2u) << "committed, seen by others";
}

TEST_F(change_test, other_statements_and_failures_change_nothing_and_count_zero) {
    std::uint64_t changed = 0;
    EXPECT_EQ(change("SELECT * FROM t", 1, changed), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(changed, 0u);
    EXPECT_EQ(change("DROP TABLE t", 1, changed), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(sum(), 28.0) << "the table is still there";
    EXPECT_EQ(change("UPDATE nosuch SET a=1", 1, changed), VDL_E_NO_TABLE);
    EXPECT_EQ(changed, 0u);
    EXPECT_EQ(change("UPDATE t SET price=1 WHERE", 1, changed), VDL_E_SYNTAX);
    EXPECT_EQ(vdl_change(handle_.get(), "DELETE FROM t", 5, nullptr), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_change(handle_.get(), nullptr, 5, &changed), VDL_E_INVALID_ARGUMENT);
    EXPECT_EQ(vdl_change(nullptr, "DELETE FROM t", 5, &changed), VDL_E_INVALID_ARGUMENT);
    handle_ptr unconnected(vdl_open_tcp());
    EXPECT_EQ(vdl_change(unconnected.get(), "DELETE FROM t", 5, &changed), VDL_E_NOT_CONNECTED);
    EXPECT_EQ(single("SELECT count(*) FROM t").payload.as_count, 3u);
}

} // namespace
} // namespace vdl_test
