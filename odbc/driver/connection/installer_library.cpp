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

functions functions::of(const library& lib) noexcept {
    return {
        lib.find<get_private_profile_string_fn>("SQLGetPrivateProfileString"),
        lib.find<write_private_profile_string_fn>("SQLWritePrivateProfileString"),
        lib.find<write_dsn_to_ini_fn>("SQLWriteDSNToIni"),
        lib.find<remove_dsn_from_ini_fn>("SQLRemoveDSNFromIni"),
        lib.find<post_installer_error_fn>("SQLPostInstallerError"),
    };
}

const functions& functions::loaded() {
    static const functions found = of(library::instance());
    return found;
}

}  // namespace installer
