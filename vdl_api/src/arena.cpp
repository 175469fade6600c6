#include "arena.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>

namespace vdl {
namespace {

constexpr std::size_t page = 4096;                     // madvise takes whole pages
constexpr std::size_t populated_chunk = std::size_t{4} << 20; // chunks from this size on are mapped at once

} // namespace

void arena::chunk_free::operator()(std::byte* chunk) const noexcept { std::free(chunk); }

// Chunks of several MiB get their pages mapped in one call (MADV_POPULATE_WRITE), so that
// writing a large result does not stop at a page fault every 4 KiB.
arena::chunk arena::new_chunk(std::size_t size) {
    void* memory = nullptr;
    if (size >= populated_chunk) {
        size = (size + page - 1) / page * page;
        memory = std::aligned_alloc(page, size);
        if (memory != nullptr) (void)::madvise(memory, size, MADV_POPULATE_WRITE); // a hint only
    } else {
        memory = std::malloc(size);
    }
    if (memory == nullptr) throw std::bad_alloc();
    return chunk(static_cast<std::byte*>(memory));
}

void* arena::allocate_slow(std::size_t size, std::size_t alignment) {
    if (size > max_bytes) throw std::bad_alloc();
    // Chunks grow geometrically so that large results need few of them; an allocation
    // bigger than the next chunk gets a chunk of its own size.
    const std::size_t needed = size + alignment;
    const std::size_t chunk_size = std::max(next_chunk_, needed);
    chunks_.reserve(chunks_.size() + 1);
    chunks_.push_back(new_chunk(chunk_size));
    reserved_ += chunk_size;
    next_chunk_ = std::min(next_chunk_ * 2, largest_chunk);
    cursor_ = chunks_.back().get();
    left_ = chunk_size;
    return allocate(size, alignment);
}

} // namespace vdl
