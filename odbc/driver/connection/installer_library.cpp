#include "connection/installer_library.hpp"

#include <dlfcn.h>

namespace installer {

namespace {

// Closing a handle never unmaps the library (RTLD_NODELETE): the installer library keeps
// process-wide state (its cache of profile values, the Driver Manager's own use of it) that must
// outlive this driver's reference.
constexpr int open_flags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;

bool is_loaded(const char* file_name) noexcept {
    void* handle = ::dlopen(file_name, RTLD_LAZY | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    ::dlclose(handle);
    return true;
}

// The installer library of the Driver Manager in the process. Under iODBC's Driver Manager its
// own installer library, which it links; otherwise unixODBC's as loaded already, or iODBC's when
// only that one is (an application calling it directly), or unixODBC's loaded by name.
library choose_for_process() {
    if (is_loaded(iodbc_manager_name) && !is_loaded(unixodbc_manager_name)) {
        library iodbc = library::if_loaded(iodbc_library_name);
        if (!iodbc.loaded()) iodbc = library(iodbc_library_name);
        if (iodbc.loaded()) return iodbc;
    }
    if (library unixodbc = library::if_loaded(library_name); unixodbc.loaded()) return unixodbc;
    if (library iodbc = library::if_loaded(iodbc_library_name); iodbc.loaded()) return iodbc;
    return library(library_name);
}

}  // namespace

const library& library::instance() {
    static const library chosen = choose_for_process();
    return chosen;
}

library::library(const char* file_name) noexcept : library(::dlopen(file_name, open_flags), file_name) {}

library::library(void* handle, const char* file_name) noexcept
    : handle_(handle), name_(handle != nullptr ? file_name : "") {}

library library::if_loaded(const char* file_name) noexcept {
    return library(::dlopen(file_name, open_flags | RTLD_NOLOAD), file_name);
}

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
