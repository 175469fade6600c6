#pragma once
// A private unixODBC configuration (odbcinst.ini and odbc.ini of a temporary directory) with the
// built driver registered as "vdl", as the driver and as its setup library.

#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace dm {

class private_odbc_config {
public:
    // The driver registered as "vdl" and one data source, `data_source`, on the store in the directory.
    explicit private_odbc_config(const std::string& data_source = "vdl-store") {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vdl_dm_XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        std::ofstream(dir_ / "odbcinst.ini") << "[vdl]\nDescription = Vandrel ODBC driver\nDriver = "
                                             << VDL_DRIVER_PATH << "\nSetup = " << VDL_DRIVER_PATH << "\n";
        std::ofstream(dir_ / "odbc.ini") << "[" << data_source << "]\nDriver = vdl\nuri = " << store_uri()
                                         << "\nlogdir = " << (dir_ / "logs").string() << "\n";
        ::setenv("ODBCSYSINI", dir_.c_str(), 1);
        ::setenv("ODBCINI", (dir_ / "odbc.ini").c_str(), 1);
        ::setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    }
    ~private_odbc_config() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    private_odbc_config(const private_odbc_config&) = delete;
    private_odbc_config& operator=(const private_odbc_config&) = delete;

    [[nodiscard]] const std::filesystem::path& dir() const { return dir_; }
    [[nodiscard]] std::string store_uri() const { return "file://" + (dir_ / "store.db").string(); }

private:
    std::filesystem::path dir_;
};

inline std::string diag(SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, h, 1, state, nullptr, message, sizeof message, &length);
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
}

}  // namespace dm
