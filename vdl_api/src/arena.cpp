#include "arena.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>

namespace vdl {
namespace {

constexpr std::size_t huge_page = std::size_t{2} << 20;

} // namespace

void arena::chunk_free::operator()(std::byte* chunk) const noexcept { std::free(chunk); }

// Chunks of several MiB lie on 2 MiB boundaries with transparent huge pages asked for, so that
// writing a large result takes a page fault per 2 MiB instead of one per 4 KiB.
arena::chunk arena::new_chunk(std::size_t size) {
    void* memory = nullptr;
    if (size >= 2 * huge_page) {
        size = (size + huge_page - 1) / huge_page * huge_page;
        memory = std::aligned_alloc(huge_page, size);
        if (memory != nullptr) (void)::madvise(memory, size, MADV_HUGEPAGE); // a hint only
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
