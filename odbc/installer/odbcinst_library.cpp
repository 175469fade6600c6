#include "odbcinst_library.hpp"

#include <dlfcn.h>

namespace installer_tool {

namespace {

template <typename Function>
Function* find(void* handle, const char* name) noexcept {
    return handle != nullptr ? reinterpret_cast<Function*>(::dlsym(handle, name)) : nullptr;
}

}  // namespace

// Closing the handle leaves the library mapped (RTLD_NODELETE): it keeps its error records in
// memory of its own, which must stay reachable until the process ends.
odbcinst_library::odbcinst_library(const char* file_name) noexcept
    : handle_(::dlopen(file_name, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
    install_driver_ex = find<install_driver_ex_fn>(handle_.get(), "SQLInstallDriverEx");
    remove_driver = find<remove_driver_fn>(handle_.get(), "SQLRemoveDriver");
    installer_error = find<installer_error_fn>(handle_.get(), "SQLInstallerError");
}

void odbcinst_library::closer::operator()(void* handle) const noexcept { ::dlclose(handle); }

}  // namespace installer_tool
