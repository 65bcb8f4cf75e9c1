// Opening, changing and closing the engine: the SCB's life.
#include "api/engine_state.h"
#include "api/font_loading.h"
#include "api/font_registry.h"
#include "api/housekeeping.h"
#include "api/services.h"
#include "audio/audio_messages.h"
#include "audio/audio_state.h"
#include "dict/dictionary.h"

#include <cstdio>
#include <string>

namespace kav {
namespace {

void SetDefaults(LPSCB lpSCB, HWND hwnd) {
    lpSCB->nPitch = 5;
    lpSCB->nSpeed = 5;
    lpSCB->nVolume = -1;
    lpSCB->uWaveDevice = 0xFFFFFFFF;  // the wave mapper
    lpSCB->hwndDone = lpSCB->hwndMouth = lpSCB->hwndSync = lpSCB->hwndBookmark = hwnd;
    lpSCB->msgDone = lpSCB->msgMouth = lpSCB->msgSync = lpSCB->msgBookmark = g_uEngineMessage;
    lpSCB->wParamDone = SE_NOTIFY_DONE;
    lpSCB->wParamMouth = SE_NOTIFY_MOUTH;
    lpSCB->wParamSync = SE_NOTIFY_SYNC;
    lpSCB->wParamBookmark = SE_NOTIFY_BOOKMARK;
    lpSCB->lParamDone = lpSCB->lParamSync = lpSCB->lParamBookmark = 0;
    lpSCB->lpSentence = nullptr;
    lpSCB->nStatus = 0;
    lpSCB->nMarkerChar = '|';
}

// An SCB that is gone must not stay the one whose flags reports consult.
void ForgetSCB(LPSCB lpSCB) {
    LPSCB expected = lpSCB;
    g_lpCurrentSCB.compare_exchange_strong(expected, nullptr);
    expected = lpSCB;
    g_lpSynthSCB.compare_exchange_strong(expected, nullptr);
}

}  // namespace
}  // namespace kav

using namespace kav;

// When the SCB cannot be allocated, or the housekeeping thread cannot be
// started, there is nothing usable to hand out: the result is NULL.
extern "C" KAVAPI LPSCB KAVCALL OpenSpeech(HWND hwnd, WORD wFlags, LPCSTR lpszFontName) {
    std::snprintf(g_szObjectName, sizeof g_szObjectName, "TM_%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    if (!AcquireHousekeeping()) return nullptr;
    auto lpSCB = static_cast<LPSCB>(AllocSharedBlock(sizeof(SCB)));
    if (lpSCB == nullptr) {
        ReleaseHousekeeping();
        return nullptr;
    }
    SetCurrentSCB(lpSCB);
    SetDefaults(lpSCB, hwnd);

    char szFont[512];
    FindSpeechFont(lpszFontName, szFont, sizeof szFont);

    lpSCB->lpfnDictLookup = kav::LookupCurrentDictionary;
    lpSCB->fDictActive = 1;
    lpSCB->wFlags = wFlags;
    lpSCB->nDictStack = 0;

    // An unknown name, or no registered font at all, leaves the buffer
    // empty; no message box either way, the caller asks SpeechStatus.
    if (szFont[0] != '\0') {
        const LONG rc = LoadSpeechFont(lpSCB, szFont);
        if (rc != 0) lpSCB->nStatus = rc;
    } else {
        lpSCB->nStatus = SE_ERR_FONTLOAD;
    }
    lpSCB->fSynthBusy = 0;
    return lpSCB;
}

extern "C" KAVAPI void KAVCALL CloseSpeech(LPSCB lpSCB) {
    if (lpSCB == nullptr) return;
    // The playing phrase stops, whatever SCB it belongs to; when none
    // plays, the post goes nowhere.
    PostToSpeechThread(SE_CLOSE);
    SetCurrentSCB(lpSCB);
    while (g_nActivePhrases.load() != 0) Sleep(50);
    // A speech thread still reads its SCB after the count has fallen.
    WaitForSpeechThreads();
    ReleaseSpeechFont(lpSCB);
    if (lpSCB->lpSentence != nullptr) {
        FreeBlock(lpSCB->lpSentence);
        lpSCB->lpSentence = nullptr;
    }
    ForgetSCB(lpSCB);
    FreeBlock(lpSCB);
    ReleaseHousekeeping();
}

// A NULL SCB holds no font: -110.
extern "C" KAVAPI LONG KAVCALL ChangeSpeech(LPSCB lpSCB, WORD wFlags, LPCSTR lpszFontName) {
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    lpSCB->wFlags = wFlags;
    if (lpszFontName == nullptr) return 0;
    if (g_nActivePhrases.load() != 0) return SE_ERR_SPEAKING;
    UnloadSpeechFont(lpSCB);
    // The client's string is upper-cased in a copy, not in place.
    std::string name = lpszFontName;
    if (!name.empty()) CharUpperA(name.data());
    lpSCB->nStatus = 0;
    const LONG rc = LoadSpeechFont(lpSCB, name.c_str());
    SetCurrentSCB(lpSCB);
    return rc;
}
