#include "lang/translation_cache.hpp"
#include "lang/translator.hpp"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <random>
#include <string>
#include <variant>
#include <vector>

namespace vdl::lang {
namespace {

constexpr std::int64_t fixed_now = 1'700'000'000'123'456'789;
std::int64_t clock_value = fixed_now;
std::int64_t test_clock() { return clock_value++; }  // every reading is another time

// A translation written out whole: kind, items, and per statement its text, values and the
// texts the values were written as.
std::string described(const outcome<translation>& t) {
    if (!t) return fmt::format("error {}: {}", t.error().code, t.error().detail);
    std::string out = fmt::format("kind {} items", static_cast<int>(t->kind));
    for (auto item : t->items) out += fmt::format(" {}", static_cast<int>(item));
    for (const auto& s : t->statements) {
        out += fmt::format("\n{}", s.sql);
        for (const auto& v : s.values)
            out += std::visit(
                [](auto x) { return fmt::format(" | {}{}", x, std::is_same_v<decltype(x), double> ? "d" : ""); }, v);
        for (auto w : s.written) out += fmt::format(" <{}>", w);
    }
    return out;
}

std::string described(const outcome<const translation*>& t) {
    if (!t) return described(outcome<translation>(t.error()));
    return described(outcome<translation>(**t));
}

// What the cache gives for a text must be what translating it afresh gives, for the first text
// of a shape (translated and kept), for later ones (taken from the kept shape) and for texts
// that only look like a kept one.
void expect_same_as_translate(translation_cache& cache, const std::string& text) {
    const auto cached = described(cache.translate(text, test_clock));
    const auto fresh = described(translate(text, fixed_now));
    EXPECT_EQ(cached, fresh) << text;
}

TEST(translation_cache, gives_what_the_translator_gives_for_every_text_of_a_shape) {
    clock_value = fixed_now;  // NOW() is the same time in both, as long as the cache reads it once
    const std::vector<std::string> templates = {
        "SELECT \"$timestamp\", sym, price FROM trades WHERE \"$timestamp\" = {}",
        "SELECT * FROM t WHERE a = {} AND b < {} ORDER BY 1",
        "INSERT INTO t (sym, price, volume, $timestamp) VALUES ('x', {}, {}, {})",
        "select price*{} from t where $timestamp between {} and {}",
        "SELECT DATETIME({}), count(*) FROM t GROUP BY {}",
        "SELECT a FROM t ORDER BY {} LIMIT {}",
        "SELECT abc.{} FROM t",
        "SELECT {}-{}-{} FROM t",
        "SELECT x FROM t WHERE y IN ({},{}) /* {} */ -- {}",
        "UPDATE t SET price = {} WHERE $timestamp = {}",
    };
    const std::vector<std::string> literals = {
        "0",
        "7",
        "42",
        "1600000000000000000",
        "9223372036854775807",
        "9223372036854775808",
        "99999999999999999999",
        "1.5",
        ".5",
        "1e5",
        "2.5E-3",
        "0x1F",
        "0x8000000000000000",
        "2021-03-04",
        "2021-03-04T05:06:07",
        "2021-03-04T05:06:07.25Z",
        "05",
        "10",
        "2021",
    };
    std::mt19937 random(20261209);
    translation_cache cache;
    for (int round = 0; round < 3000; ++round) {
        const auto& pattern = templates[random() % templates.size()];
        std::string text;
        std::size_t from = 0;
        for (auto at = pattern.find("{}"); at != std::string::npos; at = pattern.find("{}", from)) {
            text += pattern.substr(from, at - from);
            text += literals[random() % literals.size()];
            from = at + 2;
        }
        text += pattern.substr(from);
        expect_same_as_translate(cache, text);
    }
    EXPECT_LE(cache.size(), translation_cache::default_capacity);
}

TEST(translation_cache, texts_that_split_otherwise_are_not_taken_for_a_kept_shape) {
    clock_value = fixed_now;
    translation_cache cache;
    const std::vector<std::pair<std::string, std::string>> pairs = {
        // Digits that complete a date make the numbers before them one timestamp.
        {"SELECT 2021-05-1 FROM t", "SELECT 2021-05-10 FROM t"},
        // A digit after a name continues the name; a point does not.
        {"SELECT abc.5 FROM t", "SELECT abc5.5 FROM t"},
        // An integer of ORDER BY is a column number, written as it is.
        {"SELECT a, b FROM t ORDER BY 2", "SELECT a, b FROM t ORDER BY 1"},
        // Decimal and hexadecimal integers are read apart by DATETIME.
        {"SELECT DATETIME(16) FROM t", "SELECT DATETIME(0x10) FROM t"},
        // An integer beyond 64 bits is an error in DATETIME.
        {"SELECT DATETIME(5) FROM t", "SELECT DATETIME(99999999999999999999) FROM t"},
        {"SELECT DATETIME(-5) FROM t", "SELECT DATETIME(-7) FROM t"},
        {"SELECT 1 FROM t", "SELECT 1e FROM t"},
        {"SELECT 12 FROM t", "SELECT 1 2 FROM t"},
    };
    for (const auto& [first, second] : pairs) {
        expect_same_as_translate(cache, first);
        expect_same_as_translate(cache, second);
        expect_same_as_translate(cache, first);
    }
}

TEST(translation_cache, every_now_of_a_statement_is_one_time) {
    translation_cache cache;
    for (int i = 0; i < 3; ++i) {
        auto t = cache.translate("SELECT NOW(), NOW() FROM t WHERE a = 1", test_clock);
        ASSERT_TRUE(t);
        const auto& values = (*t)->statements.front().values;
        ASSERT_EQ(values.size(), 3u);
        EXPECT_EQ(values[0], values[1]);
    }
}

TEST(translation_cache, keeps_at_most_its_capacity_and_still_translates_every_text) {
    translation_cache cache(4);
    for (int i = 0; i < 20; ++i) {
        const auto text = fmt::format("SELECT c{} FROM t WHERE a = {}", i % 7, i);
        EXPECT_EQ(described(cache.translate(text, test_clock)), described(translate(text, fixed_now))) << text;
        EXPECT_LE(cache.size(), 4u);
    }
}

}  // namespace
}  // namespace vdl::lang
