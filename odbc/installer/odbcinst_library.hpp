#pragma once
// The ODBC installer library (unixODBC's libodbcinst.so.2), opened by name for the lifetime of
// the object, with the three functions the installer tool calls.

#include <odbcinst.h>

#include <memory>

namespace installer_tool {

using install_driver_ex_fn = decltype(::SQLInstallDriverEx);
using remove_driver_fn = decltype(::SQLRemoveDriver);
using installer_error_fn = decltype(::SQLInstallerError);

inline constexpr const char* odbcinst_library_name = "libodbcinst.so.2";

class odbcinst_library {
public:
    // Opens `file_name`; a library that cannot be opened, or lacks a function, leaves that
    // function null.
    explicit odbcinst_library(const char* file_name = odbcinst_library_name) noexcept;

    install_driver_ex_fn* install_driver_ex = nullptr;
    remove_driver_fn* remove_driver = nullptr;
    installer_error_fn* installer_error = nullptr;

private:
    struct closer {
        void operator()(void* handle) const noexcept;
    };
    std::unique_ptr<void, closer> handle_;
};

}  // namespace installer_tool
