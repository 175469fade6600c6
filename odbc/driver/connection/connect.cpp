#include "connection/connect.hpp"

#include "diagnostics/not_implemented_yet.hpp"

namespace connection_ops {

diag_record connect(handle::connection&, std::string_view, std::string_view, std::string_view) {
    return not_implemented_yet();
}
diag_record driver_connect(handle::connection&, SQLHWND, std::string_view, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*,
                           SQLUSMALLINT) {
    return not_implemented_yet();
}
diag_record disconnect(handle::connection&) { return not_implemented_yet(); }

}  // namespace connection_ops
