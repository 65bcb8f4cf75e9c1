#include "api/font_resources.h"

namespace kav {

HGLOBAL LoadFontResource(HMODULE hModule, LPCSTR lpszType, WORD id) {
    HRSRC hInfo = FindResourceA(hModule, MAKEINTRESOURCEA(id), lpszType);
    return hInfo != nullptr ? LoadResource(hModule, hInfo) : nullptr;
}

void ReleaseFontResource(HGLOBAL *phRes) {
    if (*phRes == nullptr) return;
    FreeResource(*phRes);
    *phRes = nullptr;
}

LONG LoadFontInteger(HMODULE hModule, LPCSTR lpszName, LPCSTR lpszType, LONG *out) {
    HRSRC hInfo = FindResourceA(hModule, lpszName, lpszType);
    if (hInfo == nullptr) return -1;
    HGLOBAL hRes = LoadResource(hModule, hInfo);
    if (hRes == nullptr) return -1;
    const auto *p = static_cast<const BYTE *>(LockResource(hRes));
    // A value cut short would be read from beyond the resource: it counts
    // as absent, so the caller's default stays.
    const bool whole = p != nullptr && SizeofResourceData(hRes) >= 4;
    if (whole) {
        *out = static_cast<LONG>(static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 |
                                 static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[3]) << 24);
    }
    FreeResource(hRes);
    return whole ? 0 : -1;
}

}  // namespace kav
