#include "arena.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>

namespace vdl {
namespace {

constexpr std::size_t page = 4096;                             // madvise takes whole pages
constexpr std::size_t huge_page = std::size_t{2} << 20;        // the processor's large page
constexpr std::size_t populated_chunk = std::size_t{4} << 20;  // chunks from this size on are mapped in steps
constexpr std::size_t populate_step = huge_page;

}  // namespace

void arena::chunk_free::operator()(std::byte* chunk) const noexcept { std::free(chunk); }

// Chunks of several MiB are made of whole large pages, which populate_ahead maps a step at a time:
// a fresh 4 KiB page costs a fault, and on a virtual machine a costly one (filling a 100 MiB
// record took 0.2-0.35 s of small pages, 0.02 s of large ones).
arena::chunk arena::new_chunk(std::size_t size) {
    void* memory = nullptr;
    if (size >= populated_chunk) {
        size = (size + huge_page - 1) / huge_page * huge_page;
        memory = std::aligned_alloc(huge_page, size);
        if (memory != nullptr) (void)::madvise(memory, size, MADV_HUGEPAGE);  // a hint, like the mapping
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
    chunk_end_ = cursor_ + chunk_size;
    // Small chunks take their page faults as they come.
    populated_ = chunk_size >= populated_chunk ? cursor_ : chunk_end_;
    return allocate(size, alignment);
}

void arena::populate_ahead() noexcept {
    // MADV_POPULATE_WRITE (writable, zero-filled pages mapped in one call) is a hint: where the
    // kernel refuses it, pages fault one by one as before.
    while (populated_ < cursor_ && populated_ < chunk_end_) {
        const std::size_t step =
            std::min<std::size_t>(populate_step, static_cast<std::size_t>(chunk_end_ - populated_));
        const std::size_t whole = step / page * page;
        if (whole == 0) {
            populated_ = chunk_end_;
            break;
        }
        (void)::madvise(populated_, whole, MADV_POPULATE_WRITE);
        populated_ += whole;
    }
}

}  // namespace vdl
