#include "audio/audio_messages.h"

#include "api/engine_state.h"
#include "audio/audio_state.h"
#include "audio/audio_testing.h"

#include <atomic>

namespace kav {

namespace {
std::atomic<LONG> g_nPending{0};
std::atomic<bool> g_countSpeech{true};

// A counted message carries lParam 1, so that whoever takes it knows to
// count it off; the receivers use no lParam otherwise.
bool Post(DWORD idThread, WPARAM code, bool counted) {
    // Counted before it is posted, so the receiver can never count it off
    // first.
    if (counted) g_nPending.fetch_add(1);
    if (idThread != 0 && PostThreadMessageA(idThread, g_uEngineMessage, code, counted ? 1 : 0)) return true;
    if (counted) g_nPending.fetch_sub(1);
    return false;
}
}  // namespace

bool PostToSpeechThread(WPARAM code) { return Post(g_idSpeechThread.load(), code, g_countSpeech.load()); }
bool PostToTimerThread(WPARAM code) { return Post(g_audio.idTimerThread.load(), code, true); }

void EngineMessageHandled(LPARAM lParam) {
    if (lParam == 1) g_nPending.fetch_sub(1);
}
void AudioSleep(DWORD ms) {
    AudioWorkEnds();
    Sleep(ms);
    AudioWorkBegins();
}
void AudioWait(HANDLE h) {
    AudioWorkEnds();
    WaitForSingleObject(h, INFINITE);
    AudioWorkBegins();
}
void CountSpeechThreadMessages(bool count) { g_countSpeech.store(count); }
void AudioWorkBegins() { g_nPending.fetch_add(1); }
void AudioWorkEnds() { g_nPending.fetch_sub(1); }

void DiscardEngineMessages() {
    MSG msg;
    while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) {
        if (msg.message == g_uEngineMessage) EngineMessageHandled(msg.lParam);
    }
}

}  // namespace kav

LONG kav::testing::AudioWorkPending() { return kav::g_nPending.load(); }
