#pragma once
// ConfigDSN and ConfigDriver: the work behind the setup entry points.

#include <odbcinst.h>

namespace setup_ops {

BOOL config_dsn(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes);
BOOL config_driver(HWND parent, WORD request, LPCSTR driver, LPCSTR arguments, LPSTR message, WORD message_max,
                   WORD* message_out);

}  // namespace setup_ops
