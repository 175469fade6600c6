#include "connection/installer_library.hpp"

#include <dlfcn.h>

namespace installer {

const library& library::instance() {
    static const library loaded(library_name);
    return loaded;
}

// Closing the handle never unmaps the library (RTLD_NODELETE): the installer library keeps
// process-wide state (its cache of profile values, the Driver Manager's own use of it) that must
// outlive this driver's reference.
library::library(const char* file_name) noexcept
    : handle_(::dlopen(file_name, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {}

void library::closer::operator()(void* handle) const noexcept { ::dlclose(handle); }

void* library::symbol(const char* name) const noexcept {
    if (handle_ == nullptr) return nullptr;
    return ::dlsym(handle_.get(), name);
}

}  // namespace installer
