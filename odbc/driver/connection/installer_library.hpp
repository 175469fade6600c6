#pragma once
// The ODBC installer library of the Driver Manager that loaded the driver: iODBC's
// (libiodbcinst.so.2) or unixODBC's (libodbcinst.so.2) as the process already has it, else
// unixODBC's loaded by name; chosen once, on first use. Each Driver Manager keeps its data sources
// in its own files, which only its own installer library reads. The driver does not link either:
// the profile functions are looked up when needed, and a library that cannot be loaded simply
// offers no functions.

#include <odbcinst.h>

#include <memory>

namespace installer {

// Signatures of the functions looked up, as the installer library declares them.
using get_private_profile_string_fn = decltype(::SQLGetPrivateProfileString);
using write_private_profile_string_fn = decltype(::SQLWritePrivateProfileString);
using write_dsn_to_ini_fn = decltype(::SQLWriteDSNToIni);
using remove_dsn_from_ini_fn = decltype(::SQLRemoveDSNFromIni);
using post_installer_error_fn = decltype(::SQLPostInstallerError);

// The file names of unixODBC's Driver Manager and installer library, and of iODBC's.
inline constexpr const char* library_name = "libodbcinst.so.2";
inline constexpr const char* unixodbc_manager_name = "libodbc.so.2";
inline constexpr const char* iodbc_library_name = "libiodbcinst.so.2";
inline constexpr const char* iodbc_manager_name = "libiodbc.so.2";

class library {
public:
    // The process's one instance, loaded on the first call (thread-safe).
    static const library& instance();

    // Loads `file_name`; a library that cannot be loaded gives an instance without functions.
    explicit library(const char* file_name) noexcept;

    // The library `file_name` only when the process has it loaded already; else an instance
    // without functions.
    [[nodiscard]] static library if_loaded(const char* file_name) noexcept;

    // The file name of the library chosen for the process (for log lines); empty when none.
    [[nodiscard]] const char* name() const noexcept { return name_; }

    [[nodiscard]] bool loaded() const noexcept { return handle_ != nullptr; }

    // The function `name` with the signature `Function`, or null when it is not available.
    template <typename Function>
    [[nodiscard]] Function* find(const char* name) const noexcept {
        return reinterpret_cast<Function*>(symbol(name));
    }

private:
    struct closer {
        void operator()(void* handle) const noexcept;
    };
    [[nodiscard]] void* symbol(const char* name) const noexcept;

    library(void* handle, const char* file_name) noexcept;

    std::unique_ptr<void, closer> handle_;
    const char* name_ = "";
};

// The profile functions the driver uses, looked up once; each is null when not available.
struct functions {
    get_private_profile_string_fn* get_private_profile_string = nullptr;
    write_private_profile_string_fn* write_private_profile_string = nullptr;
    write_dsn_to_ini_fn* write_dsn_to_ini = nullptr;
    remove_dsn_from_ini_fn* remove_dsn_from_ini = nullptr;
    post_installer_error_fn* post_installer_error = nullptr;

    // The functions of `lib`.
    [[nodiscard]] static functions of(const library& lib) noexcept;
    // The functions of the process's one instance, looked up on the first call (thread-safe).
    [[nodiscard]] static const functions& loaded();
};

}  // namespace installer
