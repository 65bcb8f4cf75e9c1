// The registry, read-only: HKEY_LOCAL_MACHINE only.
//
// On Linux the registry is one text file in the Windows registry-export
// format, read once per process on first use: $KAVREL_REGISTRY when that is
// set (then no other file), else /etc/kavrel/kavrel.reg, else
// share/kavrel/kavrel.reg beside the library (<libdir>/../share/kavrel), so
// a build tree or an installation works without configuration.  Key and
// value names are compared without regard to case; subkeys enumerate in the
// order the file first names them.  Only string values (REG_SZ) exist.
#pragma once

#include "win32_types.h"

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

#define HKEY_CLASSES_ROOT   (reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000000))))
#define HKEY_CURRENT_USER   (reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000001))))
#define HKEY_LOCAL_MACHINE  (reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000002))))
#define HKEY_USERS          (reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000003))))

#define KEY_QUERY_VALUE        0x0001u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_READ               0x00020019u
#define KEY_ALL_ACCESS         0x000F003Fu

#define REG_NONE 0u
#define REG_SZ   1u

// Results are ERROR_SUCCESS or an error code: ERROR_FILE_NOT_FOUND (no such
// key or value), ERROR_INVALID_HANDLE, ERROR_MORE_DATA (buffer too short),
// ERROR_NO_MORE_ITEMS (enumeration index past the end).
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LSTATUS RegCloseKey(HKEY hKey);
// lpcchName: in, the buffer size in characters; out, the name's length
// without its terminating 0.
LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                      LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);
LSTATUS RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName);
// Name lengths in characters without the terminating 0; the data length in
// bytes with it.
LSTATUS RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                         LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                         LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                         PFILETIME lpftLastWriteTime);
// A NULL or empty name is the key's default value.  *lpcbData is the size of
// lpData in bytes and receives the size of the value with its terminating 0.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData);
