// Ownership of the records handed to library users. A record (vdl_result or
// vdl_metadata) lives in an arena; publishing gives up the arena's ownership to the
// user, who hands it back with vdl_release.
#pragma once

#include "arena.hpp"

#include <cstdint>
#include <memory>

namespace vdl {

struct owned_record {
    std::unique_ptr<arena> memory;
    void* record = nullptr;                      // points into memory; null when there is no record
    const std::int32_t* column_kinds = nullptr;  // a result's column kinds, in memory; null otherwise
};

// Registers the record as live and gives up its ownership; returns the record pointer
// (null for an empty owned_record).
void* publish(owned_record owned);

// The column kinds of a live result record; null for any other pointer.
const std::int32_t* column_kinds_of(const void* record);

// Frees a live record. Returns false, freeing nothing, when the pointer is not a live
// record (never published, or already released).
bool release_record(void* record);

}  // namespace vdl
