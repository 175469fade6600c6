#include "arena.hpp"

#include <algorithm>

namespace vdl {

void* arena::allocate_slow(std::size_t size, std::size_t alignment) {
    if (size > max_bytes) throw std::bad_alloc();
    // Chunks grow geometrically so that large results need few of them; an allocation
    // bigger than the next chunk gets a chunk of its own size.
    const std::size_t needed = size + alignment;
    const std::size_t chunk_size = std::max(next_chunk_, needed);
    chunks_.reserve(chunks_.size() + 1);
    chunks_.push_back(std::make_unique_for_overwrite<std::byte[]>(chunk_size));
    reserved_ += chunk_size;
    next_chunk_ = std::min(next_chunk_ * 2, largest_chunk);
    cursor_ = chunks_.back().get();
    left_ = chunk_size;
    return allocate(size, alignment);
}

} // namespace vdl
