// A bump allocator: memory is handed out from large chunks and freed all at once when
// the arena is destroyed. A result record and everything it points to live in one arena,
// so building a result costs no allocation per cell and releasing it is one operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace vdl {

class arena {
public:
    // The first bytes come from the arena itself: a small result (a point query's row) needs no
    // chunk from the heap (scenario c of bench/: about 630 instructions fewer per query).
    arena() noexcept
        : cursor_(inline_chunk_),
          populated_(inline_chunk_ + inline_bytes),
          chunk_end_(inline_chunk_ + inline_bytes),
          left_(inline_bytes) {}
    arena(const arena&) = delete;
    arena& operator=(const arena&) = delete;

    // Uninitialised bytes with the given alignment (a power of two).
    void* allocate(std::size_t size, std::size_t alignment) {
        const auto address = reinterpret_cast<std::uintptr_t>(cursor_);
        const std::size_t padding = (alignment - (address & (alignment - 1))) & (alignment - 1);
        if (cursor_ == nullptr || padding + size > left_) return allocate_slow(size, alignment);
        std::byte* out = cursor_ + padding;
        cursor_ = out + size;
        left_ -= padding + size;
        if (cursor_ > populated_) populate_ahead();
        return out;
    }

    // An array of count zero-filled objects of a trivial type (never null, also for 0).
    template <class T>
    T* make_zeroed(std::size_t count = 1) {
        static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
        if (count > max_bytes / sizeof(T)) throw std::bad_alloc();
        const std::size_t bytes = count == 0 ? 1 : count * sizeof(T);
        void* memory = allocate(bytes, alignof(T));
        std::memset(memory, 0, bytes);
        return static_cast<T*>(memory);
    }

    // count objects of a trivial type, each a copy of `value` (written in place: no call to
    // memset for the few cells of a row).
    template <class T>
    T* make_filled(std::size_t count, const T& value) {
        static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
        if (count > max_bytes / sizeof(T)) throw std::bad_alloc();
        auto* out = static_cast<T*>(allocate(count == 0 ? 1 : count * sizeof(T), alignof(T)));
        for (std::size_t i = 0; i < count; ++i) out[i] = value;
        return out;
    }
    // A copy of the bytes followed by a zero byte (never null, also for length 0).
    char* copy_text(const void* data, std::size_t length) {
        if (length >= max_bytes) throw std::bad_alloc();
        auto* out = static_cast<char*>(allocate(length + 1, 1));
        if (length != 0) std::memcpy(out, data, length);  // an empty blob comes as a null pointer
        out[length] = '\0';
        return out;
    }

    // Takes over a block of `bytes` from std::malloc or std::realloc, freed with the arena.
    void adopt(void* block, std::size_t bytes) {
        chunks_.reserve(chunks_.size() + 1);
        chunks_.push_back(chunk(static_cast<std::byte*>(block)));
        reserved_ += bytes;
    }

    // Takes over another arena: its memory is freed with this one.
    void adopt(std::unique_ptr<arena> other) {
        reserved_ += other->reserved_;
        adopted_.push_back(std::move(other));
    }

    // Bytes held by the arena's chunks.
    [[nodiscard]] std::size_t reserved() const noexcept { return reserved_; }

private:
    // Small enough for the arena to stay a small allocation of the heap (glibc takes requests
    // from 1 KiB on through its slower paths, which also consolidate freed chunks).
    static constexpr std::size_t inline_bytes = 512;
    static constexpr std::size_t first_chunk = 16 * 1024;
    static constexpr std::size_t largest_chunk = 16 * 1024 * 1024;
    static constexpr std::size_t max_bytes = std::size_t{1} << 40;

    void* allocate_slow(std::size_t size, std::size_t alignment);

    struct chunk_free {
        void operator()(std::byte* chunk) const noexcept;
    };
    using chunk = std::unique_ptr<std::byte[], chunk_free>;
    static chunk new_chunk(std::size_t size);
    // Maps the pages of a large chunk in steps ahead of the cursor, in one call per step: no
    // fault per 4 KiB page, and no mapped pages past what the record uses.
    void populate_ahead() noexcept;

    alignas(std::max_align_t) std::byte inline_chunk_[inline_bytes];
    std::vector<chunk> chunks_;
    std::vector<std::unique_ptr<arena>> adopted_;
    std::byte* cursor_ = nullptr;
    std::byte* populated_ = nullptr;  // the current chunk's pages are mapped up to here
    std::byte* chunk_end_ = nullptr;
    std::size_t left_ = 0;
    std::size_t next_chunk_ = first_chunk;
    std::size_t reserved_ = 0;
};

}  // namespace vdl
