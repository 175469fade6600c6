// Stands in for libodbcinst.so.2: every request fails, with ten error records of 300-byte
// messages, each copied as unixODBC copies them (the terminating zero at the index given as
// the maximum).

#include <odbcinst.h>

#include <cstring>
#include <string>

BOOL INSTAPI SQLInstallDriverEx(LPCSTR, LPCSTR, LPSTR, WORD, WORD*, WORD, LPDWORD) { return 0; }

BOOL INSTAPI SQLRemoveDriver(LPCSTR, BOOL, LPDWORD) { return 0; }

RETCODE INSTAPI SQLInstallerError(WORD record, DWORD* code, LPSTR message, WORD message_max, WORD* length) {
    if (record < 1 || record > 10) return SQL_NO_DATA;
    const std::string text = std::to_string(record) + std::string(300, 'm');
    *code = 100u + record;
    std::strncpy(message, text.c_str(), message_max);
    message[message_max] = '\0';
    *length = static_cast<WORD>(text.size());
    return text.size() > message_max ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}
