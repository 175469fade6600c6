#!/usr/bin/python3
"""Adds (or with --remove, removes) an ODBC data source through unixODBC's SQLConfigDataSource,
which loads the driver's setup library and calls its ConfigDSN with the keys given.

usage: add_data_source.py [--remove] DRIVER DSN=NAME [KEY=VALUE]...

The data source goes where unixODBC keeps user data sources: $ODBCINI, else ~/.odbc.ini. Prints
the installer's error records and exits with 1 when the request fails."""

import ctypes
import sys

ODBC_ADD_DSN = 1
ODBC_REMOVE_DSN = 3


def installer_errors(odbcinst):
    """The installer's error records of the last request, as 'error: CODE - TEXT' lines."""
    lines = []
    for record in range(1, 9):
        code = ctypes.c_uint32()
        message = ctypes.create_string_buffer(512)
        length = ctypes.c_uint16()
        found = odbcinst.SQLInstallerError(record, ctypes.byref(code), message, len(message), ctypes.byref(length))
        if found not in (0, 1):  # SQL_SUCCESS, or SQL_SUCCESS_WITH_INFO for a message cut short
            break
        lines.append(f"error: {code.value} - {message.value.decode(errors='replace')}")
    return lines


def config_data_source(request, driver, pairs):
    odbcinst = ctypes.CDLL("libodbcinst.so.2")
    odbcinst.SQLConfigDataSource.argtypes = [ctypes.c_void_p, ctypes.c_uint16, ctypes.c_char_p, ctypes.c_char_p]
    odbcinst.SQLConfigDataSource.restype = ctypes.c_int
    odbcinst.SQLInstallerError.restype = ctypes.c_int16
    # The attribute list: KEY=VALUE texts, each ending in a zero byte, and one more zero byte.
    attributes = b"".join(p.encode() + b"\0" for p in pairs) + b"\0"
    if odbcinst.SQLConfigDataSource(None, request, driver.encode(), attributes):
        return []
    return installer_errors(odbcinst) or ["error: the installer refused the request without a reason"]


def main(arguments):
    request = ODBC_ADD_DSN
    if arguments[:1] == ["--remove"]:
        request = ODBC_REMOVE_DSN
        arguments = arguments[1:]
    if len(arguments) < 2 or not all("=" in a for a in arguments[1:]):
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    errors = config_data_source(request, arguments[0], arguments[1:])
    for line in errors:
        print(line, file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
