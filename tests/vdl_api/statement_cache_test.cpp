#include "statement_cache.hpp"
#include "sqlite_ptr.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vdl {
namespace {

struct memory_database {
    memory_database() {
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
        db.reset(raw);
    }
    statement_ptr prepare(const std::string& sql) {
        sqlite3_stmt* raw = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr), SQLITE_OK) << sql;
        return statement_ptr(raw);
    }
    database_ptr db;
};

TEST(statement_cache, gives_a_kept_statement_back_reset_and_without_values) {
    memory_database m;
    statement_cache cache;
    auto s = m.prepare("SELECT ?1");
    sqlite3_stmt* address = s.get();
    ASSERT_EQ(sqlite3_bind_int64(address, 1, 42), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(address), SQLITE_ROW);  // left mid-way, holding a row
    cache.give_back("SELECT ?1", std::move(s));

    EXPECT_EQ(cache.take("SELECT ?2"), nullptr) << "another text";
    auto again = cache.take("SELECT ?1");
    ASSERT_EQ(again.get(), address);
    EXPECT_EQ(cache.size(), 0u) << "a taken statement is lent, not shared";
    ASSERT_EQ(sqlite3_step(again.get()), SQLITE_ROW) << "starts from the beginning";
    EXPECT_EQ(sqlite3_column_type(again.get(), 0), SQLITE_NULL) << "the value of the last use is gone";
}

TEST(statement_cache, drops_the_statement_used_longest_ago_and_keeps_one_per_text) {
    memory_database m;
    statement_cache cache(2);
    cache.give_back("SELECT 1", m.prepare("SELECT 1"));
    cache.give_back("SELECT 2", m.prepare("SELECT 2"));
    auto one = cache.take("SELECT 1");  // used again: now the newest
    cache.give_back("SELECT 1", std::move(one));
    cache.give_back("SELECT 3", m.prepare("SELECT 3"));
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache.take("SELECT 2"), nullptr);
    EXPECT_NE(cache.take("SELECT 1"), nullptr);

    auto first = m.prepare("SELECT 3");
    sqlite3_stmt* newer = first.get();
    cache.give_back("SELECT 3", std::move(first));  // replaces the one kept before
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.take("SELECT 3").get(), newer);

    statement_cache none(0);
    none.give_back("SELECT 1", m.prepare("SELECT 1"));
    EXPECT_EQ(none.size(), 0u);
}

TEST(statement_cache, what_is_known_of_a_statements_results_goes_with_it) {
    memory_database m;
    statement_cache cache;
    result_layout learned;
    learned.reprepares = 0;
    learned.names = {"a"};
    learned.rules = {column_rule::timestamp};
    cache.give_back("SELECT 1 AS a", m.prepare("SELECT 1 AS a"), learned);
    result_layout taken;
    ASSERT_NE(cache.take("SELECT 1 AS a", &taken), nullptr);
    EXPECT_EQ(taken.names, learned.names);
    EXPECT_EQ(taken.rules, learned.rules);
    cache.give_back("SELECT 1 AS a", m.prepare("SELECT 1 AS a"));  // prepared anew: nothing known
    ASSERT_NE(cache.take("SELECT 1 AS a", &taken), nullptr);
    EXPECT_EQ(taken.reprepares, -1);
}

}  // namespace
}  // namespace vdl
