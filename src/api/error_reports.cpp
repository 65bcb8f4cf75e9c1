// Error and assertion reports in message boxes.
#include "api/services.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace kav {

namespace {
constexpr UINT kBoxStyle = MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL;

bool BoxesOff(LPSCB lpSCB) { return lpSCB != nullptr && (lpSCB->wFlags & SE_FLAG_NOMSGBOX) != 0; }

DWORD HeaderWord(LPSCB lpSCB, size_t offset) {
    if (lpSCB == nullptr || lpSCB->lpSpeechHdr == nullptr) return 0;
    DWORD v;
    std::memcpy(&v, static_cast<const char *>(lpSCB->lpSpeechHdr) + offset, sizeof v);
    return v;
}
}  // namespace

// Before the first OpenSpeech there is no current SCB and so no flag that
// could silence a report: the box is shown.
void ReportError(LPSCB lpSCB, LONG code) {
    if (BoxesOff(lpSCB)) return;
    char text[128];
    std::snprintf(text, sizeof text, "%s", ErrorText(code, false));
    MessageBoxA(GetFocus(), text, "Kavrel for Win32", kBoxStyle);
}

// The text is built in a buffer of the calling thread rather than one shared
// by the process, so two threads reporting at once cannot mix their texts.
void ReportAudioError(LPSCB lpSCB, LONG code) {
    // nStatus is read by the client thread while the audio threads write it.
    if (lpSCB != nullptr) std::atomic_ref<LONG>(lpSCB->nStatus).store(code);
    if (BoxesOff(lpSCB)) return;
    char text[128];
    if (code == SE_ERR_WAVEFORMAT) {
        std::snprintf(text, sizeof text, ErrorText(code, true), static_cast<int>(HeaderWord(lpSCB, 8)),
                      static_cast<int>(HeaderWord(lpSCB, 12)));
    } else {
        std::snprintf(text, sizeof text, "%s", ErrorText(code, true));
    }
    MessageBoxA(GetFocus(), text, "Kavrel for Win32 Speech Threads", kBoxStyle);
}

void AssertFailed(const char *lpszExpr, int nLine, const char *lpszModule) {
    char text[256];
    std::snprintf(text, sizeof text, "%s fails in %s(%d)", lpszExpr, lpszModule, nLine);
    MessageBoxA(GetFocus(), text, "ASSERT", kBoxStyle);
}

}  // namespace kav
