#pragma once
// Ownership of the records the client library hands out (query results, table metadata): each is
// handed back to the library when its owner goes.

#include <memory>

#include "vdl_api.h"

struct library_record_release {
    void operator()(void* record) const noexcept { vdl_release(nullptr, record); }
};
using library_result = std::unique_ptr<vdl_result, library_record_release>;
using library_metadata = std::unique_ptr<vdl_metadata, library_record_release>;
