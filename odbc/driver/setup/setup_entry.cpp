#include "setup/setup_entry.hpp"

namespace setup_ops {

// Not built yet: the installer is told that the request failed.
BOOL config_dsn(HWND, WORD, LPCSTR, LPCSTR) { return 0; }
BOOL config_driver(HWND, WORD, LPCSTR, LPCSTR, LPSTR, WORD, WORD*) { return 0; }

}  // namespace setup_ops
