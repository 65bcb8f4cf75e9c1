// SpeakPhonetics and the requests that steer the playing phrase.  They run
// on the client's thread and reach the phrase only through messages to its
// speech thread; they never touch the device.
#include "api/engine_state.h"
#include "api/services.h"
#include "audio/audio_messages.h"
#include "audio/audio_state.h"
#include "audio/speech_thread.h"

#include <atomic>

namespace kav {
namespace {

constexpr DWORD kPollMs = 50;

LONG StartSpeechThread(LPSCB s) {
    if (s->hFontModule == nullptr) return SE_ERR_NOFONT;
    if (std::atomic_ref<char *>(s->lpPhonetics).load() == nullptr) return SE_ERR_NOPHONETICS;
    auto *block = static_cast<SpeechThreadBlock *>(AllocBlock(sizeof(SpeechThreadBlock)));
    if (block == nullptr) return SE_ERR_NOMEMORY;
    block->lpSCB = s;
    // Counted before the thread can run, so that a phrase that ends at once
    // (no device) cannot take the count below 0 meanwhile.
    g_nActivePhrases.fetch_add(1);
    g_nSpeechThreads.fetch_add(1);
    AudioWorkBegins();
    HANDLE h = CreateThread(nullptr, 0, SpeechThreadMain, block, CREATE_SUSPENDED, nullptr);
    if (h == nullptr) {
        AudioWorkEnds();
        g_nSpeechThreads.fetch_sub(1);
        g_nActivePhrases.fetch_sub(1);
        ReportError(s, SE_ERR_THREAD);
        FreeBlock(block);
        return SE_ERR_THREAD;
    }
    block->hThread = h;
    SetThreadPriority(h, THREAD_PRIORITY_TIME_CRITICAL);
    ResumeThread(h);
    return 0;
}

// The requests act on the process's playing phrase, whatever SCB they name.
LONG Request(WPARAM code) {
    if (g_nActivePhrases.load() == 0) return SE_ERR_NOPHRASE;
    PostToSpeechThread(code);
    return 0;
}

}  // namespace
}  // namespace kav

using namespace kav;

// The string is not copied: it must stay valid until the end-of-phrase message.
extern "C" KAVAPI LONG KAVCALL SpeakPhonetics(LPSCB lpSCB, LPSTR lpszPhonetics) {
    if (lpszPhonetics == nullptr) return SE_ERR_NOPHONETICS;
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    // A phrase of this SCB that still waits for its turn reads the field.
    std::atomic_ref<char *>(lpSCB->lpPhonetics).store(lpszPhonetics);
    return StartSpeechThread(lpSCB);
}

// Returns once the phrase has ended, and its end-of-phrase message is posted.
extern "C" KAVAPI LONG KAVCALL AbortPhrase(LPSCB) {
    const LONG rc = Request(SE_ABORT);
    if (rc != 0) return rc;
    while (g_nActivePhrases.load() != 0) Sleep(kPollMs);
    WaitForSpeechThreads();
    return 0;
}

extern "C" KAVAPI LONG KAVCALL PauseSpeech(LPSCB) { return Request(SE_PAUSE); }
extern "C" KAVAPI LONG KAVCALL ResumeSpeech(LPSCB) { return Request(SE_RESUME); }
extern "C" KAVAPI LONG KAVCALL ResetSpeech(LPSCB) { return Request(SE_RESET); }
extern "C" KAVAPI LONG KAVCALL MouthRedrawComplete(LPSCB) { return Request(SE_MOUTHDONE); }

void kav::WaitForSpeechThreads() {
    // What is left of a thread after its phrase is no longer active is a
    // few posts: no clock to wait on.
    while (g_nSpeechThreads.load() != 0) Sleep(0);
}
