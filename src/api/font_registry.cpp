// Reading the speech-font registration.  Values are strings of at most 128
// bytes; a longer value is refused rather than cut, since a cut path would
// name some other file.
#include "api/font_registry.h"

#include <cstdio>
#include <string>

namespace kav {

namespace {

enum class Value { kRead, kMissing, kTooLong };

// Reads a string value into buffer, NUL-terminated.  Values that are not
// strings count as missing.
Value ReadString(HKEY hKey, LPCSTR lpszValue, LPSTR lpBuffer, DWORD cbBuffer) {
    DWORD type = 0;
    DWORD cb = cbBuffer;
    LONG rc = RegQueryValueExA(hKey, lpszValue, nullptr, &type, reinterpret_cast<LPBYTE>(lpBuffer), &cb);
    if (rc == ERROR_MORE_DATA) {
        lpBuffer[0] = '\0';
        return Value::kTooLong;
    }
    if (rc != ERROR_SUCCESS || type != REG_SZ || cb > cbBuffer) {
        lpBuffer[0] = '\0';
        return Value::kMissing;
    }
    // The stored data need not end in a NUL; one must still fit.
    if (cb == 0 || lpBuffer[cb - 1] != '\0') {
        if (cb >= cbBuffer) {
            lpBuffer[0] = '\0';
            return Value::kTooLong;
        }
        lpBuffer[cb] = '\0';
    }
    return Value::kRead;
}

// Path values are held in the SCB's 128-byte buffers.
DWORD PathBufferSize(DWORD cbBuffer) { return cbBuffer < SE_PATH_SIZE ? cbBuffer : SE_PATH_SIZE; }

bool OpenFontsKey(LPCSTR lpszFontName, HKEY *phKey) {
    std::string key = kSpeechFontsKey;
    if (lpszFontName != nullptr) key.append("\\").append(lpszFontName);
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, phKey) == ERROR_SUCCESS;
}

std::string UpperCase(const char *text) {
    std::string s = text;
    if (!s.empty()) CharUpperA(s.data());
    return s;
}

}  // namespace

int FindSpeechFont(LPCSTR lpszName, LPSTR lpBuffer, DWORD cbBuffer) {
    if (lpBuffer == nullptr || cbBuffer == 0) return 0;
    lpBuffer[0] = '\0';
    HKEY hKey;
    if (!OpenFontsKey(nullptr, &hKey)) return 0;
    DWORD nSubKeys = 0;
    if (RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(hKey);
        return 0;
    }
    const std::string wanted = lpszName != nullptr ? UpperCase(lpszName) : std::string();
    int found = 0;
    for (DWORD i = 0; i < nSubKeys && !found; ++i) {
        DWORD cch = cbBuffer;
        LONG rc = RegEnumKeyExA(hKey, i, lpBuffer, &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // a name too long for the buffer cannot be the one
        if (rc != ERROR_SUCCESS) break;
        found = lpszName == nullptr || UpperCase(lpBuffer) == wanted;
    }
    RegCloseKey(hKey);
    if (!found) lpBuffer[0] = '\0';
    return found;
}

int ReadFontPath(LPSTR lpBuffer, DWORD cbBuffer) {
    if (lpBuffer == nullptr || cbBuffer == 0) return 0;
    lpBuffer[0] = '\0';
    HKEY hKey;
    if (!OpenFontsKey(nullptr, &hKey)) return 0;
    // Without a usable "Path" there is no font directory to load from.
    const Value v = ReadString(hKey, "Path", lpBuffer, PathBufferSize(cbBuffer));
    RegCloseKey(hKey);
    return v == Value::kRead ? 1 : 0;
}

int ReadDefaultDictionary(LPSTR lpBuffer, DWORD cbBuffer, LPCSTR lpszFontName) {
    if (lpBuffer == nullptr || cbBuffer == 0 || lpszFontName == nullptr) return 0;
    lpBuffer[0] = '\0';
    HKEY hKey;
    if (!OpenFontsKey(lpszFontName, &hKey)) return 0;
    // A font need not have a default dictionary: a missing value is empty.
    const Value v = ReadString(hKey, "DefaultDictionary", lpBuffer, PathBufferSize(cbBuffer));
    RegCloseKey(hKey);
    return v == Value::kTooLong ? SE_ERR_FONTLOAD : 1;
}

int ReadFontDescription(LPSTR lpBuffer, DWORD cbBuffer, LPCSTR lpszFontName) {
    if (lpBuffer == nullptr || cbBuffer == 0 || lpszFontName == nullptr) return 0;
    lpBuffer[0] = '\0';
    HKEY hKey;
    if (!OpenFontsKey(lpszFontName, &hKey)) return 0;
    // A description is only shown, so a long one is cut rather than refused
    // (up to a sane limit, past which it is left out).
    char text[1024];
    if (ReadString(hKey, "Description", text, sizeof text) == Value::kRead)
        std::snprintf(lpBuffer, cbBuffer, "%s", text);
    RegCloseKey(hKey);
    return 1;
}

}  // namespace kav
