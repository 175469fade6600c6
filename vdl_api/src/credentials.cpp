#include "credentials.hpp"

#include <string.h>

namespace vdl {

secret& secret::operator=(std::string_view text) {
    wipe();
    text_ = text;
    return *this;
}

secret::~secret() { wipe(); }

void secret::wipe() noexcept {
    // explicit_bzero is not optimised away like a plain store before deallocation.
    if (!text_.empty()) explicit_bzero(text_.data(), text_.size());
    text_.clear();
}

}  // namespace vdl
