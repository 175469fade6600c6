#pragma once
// ConfigDSN and ConfigDriver: the work behind the setup entry points. Neither shows a dialog
// (the window handle is ignored); both work from the installer's attribute list.

#include <odbcinst.h>

#include "connection/installer_library.hpp"

namespace setup_ops {

// ODBC_REMOVE_DSN removes the data source the list's `dsn` names; any other request writes
// it (registration, driver profile keys, every setting). TRUE when the data source was
// registered or removed and, when writing, its keys were all written.
BOOL config_dsn(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes);
BOOL config_dsn(WORD request, LPCSTR driver, LPCSTR attributes, const installer::functions& fns);

// ODBC_INSTALL_DRIVER writes the driver profile keys and the settings into ODBC.INI (a failure
// is posted as an installer error, the request still succeeds); ODBC_REMOVE_DRIVER removes
// nothing; any other request posts ODBC_ERROR_INVALID_REQUEST_TYPE and fails. The message
// output is always left empty.
BOOL config_driver(HWND parent, WORD request, LPCSTR driver, LPCSTR arguments, LPSTR message, WORD message_max,
                   WORD* message_out);
BOOL config_driver(WORD request, LPCSTR driver, LPCSTR arguments, LPSTR message, WORD message_max, WORD* message_out,
                   const installer::functions& fns);

}  // namespace setup_ops
