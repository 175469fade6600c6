#include "arena.hpp"
#include "records.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace vdl {
namespace {

TEST(arena, hands_out_aligned_zeroed_memory_across_chunks) {
    arena memory;
    std::uintptr_t previous = 0;
    for (int i = 0; i < 100'000; ++i) {
        memory.copy_text("abc", static_cast<std::size_t>(i % 5));  // misalign the cursor
        auto* cells = memory.make_zeroed<std::int64_t>(3);
        const auto address = reinterpret_cast<std::uintptr_t>(cells);
        ASSERT_EQ(address % alignof(std::int64_t), 0u);
        ASSERT_EQ(cells[0] | cells[1] | cells[2], 0);
        cells[2] = i;  // writable up to the end
        ASSERT_NE(address, previous);
        previous = address;
    }
    EXPECT_GT(memory.reserved(), 100'000u * 24);
    auto* big = memory.make_zeroed<char>(64 * 1024 * 1024);  // larger than any chunk
    EXPECT_EQ(big[64 * 1024 * 1024 - 1], 0);
}

TEST(arena, copies_texts_with_a_terminator) {
    arena memory;
    const char* copy = memory.copy_text("hello world", 5);
    EXPECT_STREQ(copy, "hello");
    EXPECT_STREQ(memory.copy_text(nullptr, 0), "");
    EXPECT_NE(memory.make_zeroed<int>(0), nullptr);
}

TEST(records, publish_then_release_once) {
    owned_record owned{std::make_unique<arena>()};
    owned.record = owned.memory->make_zeroed<int>();
    void* published = publish(std::move(owned));
    ASSERT_NE(published, nullptr);
    EXPECT_TRUE(release_record(published));
    EXPECT_FALSE(release_record(published));
    EXPECT_EQ(publish(owned_record{}), nullptr);
}

}  // namespace
}  // namespace vdl
