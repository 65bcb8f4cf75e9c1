#include "audio/phrase_start.h"

#include "api/engine_state.h"
#include "api/services.h"
#include "audio/audio_messages.h"
#include "audio/audio_state.h"
#include "audio/timer_thread.h"
#include "synth/synthesis.h"
#include "synth/synthesis_guard.h"

#include <atomic>
#include <cstdio>

namespace kav {

namespace {
constexpr DWORD kPollMs = 50;

// "TM_" and the process id, made here rather than read from the name that
// OpenSpeech keeps, which a client thread may be rewriting meanwhile.
HANDLE OpenPhraseSemaphore() {
    char name[32];
    std::snprintf(name, sizeof name, "TM_%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    HANDLE h = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name);
    return h != nullptr ? h : CreateSemaphoreA(nullptr, 1, 1, name);
}
}  // namespace

LONG BeginPhrase(LPSCB s, HANDLE hSpeechThread) {
    HANDLE sem = OpenPhraseSemaphore();
    std::atomic_ref<LONG>(s->nStatus).store(1);
    AudioWait(sem);
    g_audio.hPhraseSemaphore = sem;

    // A WAVE write, on any SCB, may hold synthesis.
    while (!TryAcquireSynthesis(s)) AudioSleep(kPollMs);
    g_lpSynthSCB.store(s);
    std::atomic_ref<DWORD>(s->fSynthBusy).store(1);
    BeginSynthesis(std::atomic_ref<char *>(s->lpPhonetics).load(), s->nPitch, s->nSpeed);

    g_audio.hSpeechThread.store(hSpeechThread);
    g_audio.fTimerStarted.store(false);
    g_audio.fTimerRunning.store(true);
    auto *block = static_cast<TimerThreadBlock *>(AllocBlock(sizeof(TimerThreadBlock)));
    HANDLE h = nullptr;
    if (block != nullptr) {
        block->lphSpeechThread = &g_audio.hSpeechThread;
        h = CreateThread(nullptr, 0, TimerThreadMain, block, CREATE_SUSPENDED, nullptr);
    }
    if (h == nullptr) {
        g_audio.fTimerRunning.store(false);
        ReportError(s, SE_ERR_THREAD);
        if (block != nullptr) FreeBlock(block);
        return SE_ERR_THREAD;
    }
    block->hThread = h;
    g_audio.hTimerThread = h;
    SetThreadPriority(h, THREAD_PRIORITY_TIME_CRITICAL);
    ResumeThread(h);
    return 0;
}

void EndPhraseTurn() {
    // Cleared before the release: the next phrase records its own handle
    // as soon as it has the turn.
    HANDLE sem = g_audio.hPhraseSemaphore;
    g_audio.hPhraseSemaphore = nullptr;
    if (sem == nullptr) return;
    ReleaseSemaphore(sem, 1, nullptr);
    CloseHandle(sem);
}

}  // namespace kav
