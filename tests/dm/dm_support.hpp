#pragma once
// A private unixODBC configuration with the built driver registered as "vdl", as the driver and as
// its setup library, and one data source on a store in the configuration's directory.

#include <sql.h>
#include <sqlext.h>

#include <filesystem>
#include <string>

#include "private_odbc.hpp"

namespace dm {

class private_odbc_config {
public:
    explicit private_odbc_config(const std::string& data_source = "vdl-store") {
        odbc_.write({"--data-home", "--driver", "vdl", VDL_DRIVER_PATH, "--data-source", data_source, "Driver=vdl",
                     "uri=" + store_uri(), "logdir=" + (dir() / "logs").string()});
    }

    [[nodiscard]] const std::filesystem::path& dir() const { return odbc_.dir(); }
    [[nodiscard]] std::string store_uri() const { return "file://" + (dir() / "store.db").string(); }

private:
    support::private_odbc odbc_;
};

inline std::string diag(SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, h, 1, state, nullptr, message, sizeof message, &length);
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
}

}  // namespace dm
