// The per-SCB settings a client reads and changes by number after
// OpenSpeech, and the character that introduces a bookmark.  The values go
// straight into the SCB; each is read where it is used (the next phrase,
// the next notification, the next phonetic string synthesis reads).
#include "api/engine_state.h"

#include <cstring>

namespace kav {
namespace {

constexpr LONG kBadId = -1;
constexpr LONG kBadValue = -2;
constexpr LONG kReadOnly = -3;

constexpr WORD kIdVolume = 1;
constexpr WORD kIdPitch = 2;
constexpr WORD kIdSpeed = 3;
constexpr WORD kIdFontVersion = 19;
constexpr WORD kIdWaveDevice = 20;

// Window handles are small integers that fit in 32 bits (as on 32-bit
// Windows), so a parameter's 32-bit value carries one without loss.
HWND HandleOf(LONG lValue) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(static_cast<DWORD>(lValue))); }
LONG ValueOf(HWND hwnd) { return static_cast<LONG>(static_cast<DWORD>(reinterpret_cast<uintptr_t>(hwnd))); }

// The SCB fields of ids 4 to 18, in id order; each is either a window or a
// 32-bit word.
struct Field {
    HWND SCB::*window;
    DWORD SCB::*word;
    LONG SCB::*number;
};
constexpr Field kFields[] = {
    {&SCB::hwndDone, nullptr, nullptr},     {nullptr, &SCB::msgDone, nullptr},
    {nullptr, &SCB::wParamDone, nullptr},   {nullptr, nullptr, &SCB::lParamDone},
    {&SCB::hwndMouth, nullptr, nullptr},    {nullptr, &SCB::msgMouth, nullptr},
    {nullptr, &SCB::wParamMouth, nullptr},  {&SCB::hwndSync, nullptr, nullptr},
    {nullptr, &SCB::msgSync, nullptr},      {nullptr, &SCB::wParamSync, nullptr},
    {nullptr, nullptr, &SCB::lParamSync},   {&SCB::hwndBookmark, nullptr, nullptr},
    {nullptr, &SCB::msgBookmark, nullptr},  {nullptr, &SCB::wParamBookmark, nullptr},
    {nullptr, nullptr, &SCB::lParamBookmark},
};
constexpr WORD kFirstFieldId = 4;
static_assert(kFirstFieldId + std::size(kFields) == kIdFontVersion);

const Field *FieldOf(WORD wId) {
    if (wId < kFirstFieldId || wId >= kIdFontVersion) return nullptr;
    return &kFields[wId - kFirstFieldId];
}

// Characters the phonetic string syntax already gives a meaning to.
constexpr char kReservedMarkers[] = "\\SP'\"-DV[] /iI^";

}  // namespace
}  // namespace kav

using namespace kav;

// A NULL SCB is refused like an unknown id (-1): there is nothing to set.
extern "C" KAVAPI LONG KAVCALL SetSpeechParameter(LPSCB lpSCB, WORD wId, LONG lValue) {
    if (lpSCB == nullptr || wId == 0 || wId > kIdWaveDevice) return kBadId;
    switch (wId) {
        case kIdVolume:
            if (lValue < -1 || lValue > 9) return kBadValue;
            lpSCB->nVolume = lValue;
            return 0;
        case kIdPitch:
        case kIdSpeed:
            if (lValue < -5 || lValue > 15) return kBadValue;
            (wId == kIdPitch ? lpSCB->nPitch : lpSCB->nSpeed) = lValue;
            return 0;
        case kIdFontVersion: return kReadOnly;
        case kIdWaveDevice: lpSCB->uWaveDevice = static_cast<DWORD>(lValue); return 0;
        default: break;
    }
    const Field &f = *FieldOf(wId);
    if (f.window != nullptr) lpSCB->*f.window = HandleOf(lValue);
    if (f.word != nullptr) lpSCB->*f.word = static_cast<DWORD>(lValue);
    if (f.number != nullptr) lpSCB->*f.number = lValue;
    return 0;
}

// A NULL result pointer gets nothing stored; a NULL SCB reads as an unknown
// id (-1, with 0 stored).
extern "C" KAVAPI LONG KAVCALL GetSpeechParameter(LPSCB lpSCB, WORD wId, LONG *lpValue) {
    LONG value = 0;
    LONG rc = 0;
    if (lpSCB == nullptr || wId == 0 || wId > kIdWaveDevice) {
        rc = kBadId;
    } else if (wId == kIdVolume) {
        value = lpSCB->nVolume;
    } else if (wId == kIdPitch) {
        value = lpSCB->nPitch;
    } else if (wId == kIdSpeed) {
        value = lpSCB->nSpeed;
    } else if (wId == kIdFontVersion) {
        // Major in the low half, minor in the high half: a font without a
        // version (-1, -1) reads as 0xFFFFFFFF.
        value = static_cast<LONG>((static_cast<DWORD>(lpSCB->nFontVersionMajor) & 0xFFFF) |
                                  (static_cast<DWORD>(lpSCB->nFontVersionMinor) & 0xFFFF) << 16);
    } else if (wId == kIdWaveDevice) {
        value = static_cast<LONG>(lpSCB->uWaveDevice);
    } else {
        const Field &f = *FieldOf(wId);
        value = f.window != nullptr ? ValueOf(lpSCB->*f.window)
                : f.word != nullptr ? static_cast<LONG>(lpSCB->*f.word)
                                    : lpSCB->*f.number;
    }
    if (lpValue != nullptr) *lpValue = value;
    return rc;
}

// A NULL SCB has no marker: NUL.
extern "C" KAVAPI CHAR KAVCALL GetMarkerType(LPSCB lpSCB) {
    return lpSCB == nullptr ? '\0' : static_cast<CHAR>(lpSCB->nMarkerChar);
}

// NUL is not in the reserved list (memchr would find the list's own
// terminator): the phonetic reader tests the end of the string first, so a
// NUL marker simply never matches.
extern "C" KAVAPI LONG KAVCALL SetMarkerType(LPSCB lpSCB, CHAR cMarker) {
    if (lpSCB == nullptr) return 0;
    if (cMarker != '\0' && std::memchr(kReservedMarkers, cMarker, sizeof kReservedMarkers - 1) != nullptr) return 0;
    lpSCB->nMarkerChar = static_cast<BYTE>(cMarker);
    return 1;
}
