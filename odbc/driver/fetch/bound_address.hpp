#pragma once
// The bind offset (SQL_ATTR_ROW_BIND_OFFSET_PTR) applied to bound addresses: fetching moves every
// bound buffer and indicator by it, and so does whatever else reads or writes bound rows.

#include <sql.h>

#include <cstdint>

// The offset in force: the value the application's offset pointer holds, 0 without one.
inline SQLLEN bind_offset(const SQLLEN* offset_pointer) noexcept {
    return offset_pointer != nullptr ? *offset_pointer : 0;
}

// A bound address moved by the bind offset; a null address stays null. The arithmetic is done on
// the address value: the application vouches for what the moved address names.
template <typename T>
T* offset_by(T* address, SQLLEN offset) noexcept {
    if (address == nullptr || offset == 0) return address;
    return reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(address) + static_cast<std::uintptr_t>(offset));
}
