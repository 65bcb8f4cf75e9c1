#include "audio/audio_messages.h"

#include "api/engine_state.h"
#include "audio/audio_state.h"
#include "audio/audio_testing.h"

#include <atomic>
#include <cstdint>

namespace kav {

namespace {

std::atomic<LONG> g_nPending{0};

// An inbox word: the generation (one per opening) in the high half, the
// open flag and the number of counted messages not yet read in the low.
// A counted message carries its generation as lParam, so that a message of
// an earlier opening, already counted off, is never counted off twice.
constexpr uint64_t kOpen = 0x80000000u;
constexpr uint64_t kCountMask = 0x7FFFFFFFu;
std::atomic<uint64_t> g_inbox[2] = {0, 0};

DWORD Target(AudioInbox inbox) {
    return inbox == kSpeechInbox ? g_idSpeechThread.load() : g_audio.idTimerThread.load();
}

// Counts a message into the inbox when it is open; its lParam, 0 when not
// counted.
LPARAM Count(AudioInbox inbox) {
    g_nPending.fetch_add(1);  // provisionally, so that it is never seen below the inbox
    uint64_t w = g_inbox[inbox].load();
    while (w & kOpen) {
        if (g_inbox[inbox].compare_exchange_weak(w, w + 1)) return static_cast<LPARAM>(w >> 32);
    }
    g_nPending.fetch_sub(1);
    return 0;
}

// Takes a counted message of this generation back out, unless the inbox
// has been closed (and so counted it off) meanwhile.
void Uncount(AudioInbox inbox, LPARAM generation) {
    uint64_t w = g_inbox[inbox].load();
    while ((w & kOpen) && static_cast<LPARAM>(w >> 32) == generation && (w & kCountMask) != 0) {
        if (g_inbox[inbox].compare_exchange_weak(w, w - 1)) {
            g_nPending.fetch_sub(1);
            return;
        }
    }
}

bool Post(AudioInbox inbox, WPARAM code) {
    const LPARAM generation = Count(inbox);
    // The target is read after counting: a thread opens its inbox only once
    // it has published its id.
    if (PostThreadMessageA(Target(inbox), g_uEngineMessage, code, generation)) return true;
    if (generation != 0) Uncount(inbox, generation);
    return false;
}

}  // namespace

bool PostToSpeechThread(WPARAM code) { return Post(kSpeechInbox, code); }
bool PostToTimerThread(WPARAM code) { return Post(kTimerInbox, code); }

void OpenInbox(AudioInbox inbox) {
    const uint64_t generation = (g_inbox[inbox].load() >> 32) % 0x7FFFFFFF + 1;
    g_inbox[inbox].store(generation << 32 | kOpen);
}

void CloseInbox(AudioInbox inbox) {
    const uint64_t w = g_inbox[inbox].exchange(g_inbox[inbox].load() & ~(kOpen | kCountMask));
    g_nPending.fetch_sub(static_cast<LONG>(w & kCountMask));
}

void EngineMessageHandled(AudioInbox inbox, LPARAM lParam) {
    if (lParam != 0) Uncount(inbox, lParam);
}

void AudioWorkBegins() { g_nPending.fetch_add(1); }
void AudioWorkEnds() { g_nPending.fetch_sub(1); }

void AudioSleep(DWORD ms) {
    AudioWorkEnds();
    Sleep(ms);
    AudioWorkBegins();
}

void AudioWait(HANDLE h) {
    // Free at once: the thread never stops counting as busy, so a test that
    // sees no work left knows the thread has really stopped to wait.
    if (WaitForSingleObject(h, 0) == WAIT_OBJECT_0) return;
    AudioWorkEnds();
    WaitForSingleObject(h, INFINITE);
    AudioWorkBegins();
}

void DiscardEngineMessages() {
    MSG msg;
    while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) {}
}

}  // namespace kav

LONG kav::testing::AudioWorkPending() { return kav::g_nPending.load(); }
