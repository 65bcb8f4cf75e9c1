// Listing the registered speech fonts with what loading each one says.
#include "api/engine_state.h"
#include "api/font_loading.h"
#include "api/font_registry.h"

#include <cstring>

using namespace kav;

namespace {

// Tries the font in a private SCB without message boxes.  Loading a font
// sets the process-wide stress increments, which belong to the fonts the
// client has open: they are put back.
void Probe(KAVFONTINFO *info) {
    LONG saved[kStressIncrements];
    std::memcpy(saved, g_lStressIncr, sizeof saved);
    SCB probe{};
    probe.wFlags = SE_FLAG_NOMSGBOX;
    probe.nFontVersionMajor = probe.nFontVersionMinor = -1;
    info->nStatus = LoadSpeechFont(&probe, info->szName);
    info->nVersionMajor = probe.nFontVersionMajor;
    info->nVersionMinor = probe.nFontVersionMinor;
    std::memcpy(info->szModule, probe.szFontModule, sizeof info->szModule);
    ReleaseSpeechFont(&probe);
    std::memcpy(g_lStressIncr, saved, sizeof saved);
}

}  // namespace

extern "C" KAVAPI LONG KAVCALL KavEnumSpeechFonts(KAVFONTENUMPROC lpfnEnum, LPARAM lParam) {
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSpeechFontsKey, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return SE_ERR_REGOPEN;
    DWORD nSubKeys = 0;
    if (RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(hKey);
        return SE_ERR_REGQUERY;
    }
    LONG reported = 0;
    for (DWORD i = 0; i < nSubKeys; ++i) {
        KAVFONTINFO info{};
        DWORD cch = sizeof info.szName;
        const LONG rc = RegEnumKeyExA(hKey, i, info.szName, &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // no font can be loaded by such a name
        if (rc != ERROR_SUCCESS) {
            RegCloseKey(hKey);
            return SE_ERR_REGENUM;
        }
        ReadFontDescription(info.szDescription, sizeof info.szDescription, info.szName);
        Probe(&info);
        ++reported;
        if (lpfnEnum != nullptr && !lpfnEnum(&info, lParam)) break;
    }
    RegCloseKey(hKey);
    return reported;
}
