#include "audio/speech_thread.h"

#include "api/engine_state.h"
#include "api/housekeeping.h"
#include "api/services.h"
#include "audio/audio_messages.h"
#include "audio/audio_state.h"
#include "audio/event_dispatch.h"
#include "audio/mouth_handshake.h"
#include "audio/phrase_start.h"
#include "audio/timer_events.h"
#include "audio/wave_output.h"
#include "synth/synthesis.h"

#include <atomic>

namespace kav {

namespace {

constexpr UINT kTimerPeriodMs = 10;

// Fills the buffer at the refill index and queues it; false when synthesis
// had nothing more.
bool Refill(LPSCB s) {
    WAVEHDR *h = g_audio.lpHeaders[g_audio.nNextBuffer];
    if (SynthesizeBlock(s->wFlags, reinterpret_cast<BYTE *>(h->lpData), g_audio.wBufferLength) == 0) return false;
    WriteWaveBuffer(h);
    g_audio.nNextBuffer = (g_audio.nNextBuffer + 1) % kWaveBuffers;
    return true;
}

void Prime(LPSCB s) {
    const HWAVEOUT hwo = g_audio.hWaveOut.load();
    g_audio.nNextBuffer = 0;
    waveOutPause(hwo);
    int filled = 0;
    while (filled < kWaveBuffers && Refill(s)) ++filled;
    g_audio.fSynthExhausted = filled < kWaveBuffers;
    waveOutRestart(hwo);
}

void Resume() {
    waveOutRestart(g_audio.hWaveOut.load());
    g_audio.fPlaying.store(true);
    // Events keep their distance from the sound: the pause is taken out.
    g_audio.dwPhraseStart.fetch_add(timeGetTime() - g_audio.dwPauseBegan);
    g_audio.fPaused = false;
    ScheduleTimerEvent(1, SE_RESUME);
}

// Stops output and tells the timer thread how the phrase ends.
void Stop(bool resetDevice, WPARAM timerCode) {
    if (resetDevice) waveOutReset(g_audio.hWaveOut.load());
    g_audio.fPlaying.store(false);
    ScheduleTimerEvent(1, timerCode);
}

// Acts on one control or device message; false when the phrase is over.
bool Handle(LPSCB s, WPARAM code) {
    switch (code) {
        case SE_PAUSE:
            // A second pause would lose the first one's start, and with it
            // the events' alignment: it is ignored.
            if (g_audio.fPaused) return true;
            if (waveOutPause(g_audio.hWaveOut.load()) == MMSYSERR_HANDLEBUSY) ReportAudioError(s, SE_ERR_WAVEBUSY);
            g_audio.fPlaying.store(false);
            g_audio.fPaused = true;
            g_audio.dwPauseBegan = timeGetTime();
            ScheduleTimerEvent(1, SE_PAUSE);
            return true;
        case SE_RESUME:
            if (g_audio.fPaused) Resume();
            return true;
        case SE_RESET:
            if (g_audio.fPaused) {
                Resume();
                return true;
            }
            Stop(true, SE_ABORT);
            return false;
        case SE_ABORT: Stop(true, SE_ABORT); return false;
        // What is queued plays out while the device closes.
        case SE_CLOSE: Stop(false, SE_CLOSE); return false;
        case SE_MOUTHDONE: MouthRedrawn(s); return true;
        case SE_PHRASEEND: return false;
        default: return true;  // SE_BUFFERDONE: the refill comes first in the loop
    }
}

void WaitForTimerThreadStart() {
    // The thread is running and its start takes no time worth polling for.
    while (!g_audio.fTimerStarted.load()) Sleep(0);
}

void PlayPhrase(LPSCB s) {
    g_audio.nDeviceState.store(kDeviceRefilling);
    g_audio.nBuffersReturned.store(0);
    g_audio.fPlaying.store(true);
    g_audio.fPaused = false;
    g_audio.fStopTicking.store(false);
    BeginTimerPeriod(kTimerPeriodMs);
    g_idSpeechThread.store(GetCurrentThreadId());
    OpenInbox(kSpeechInbox);
    if (!PrepareWaveOutput(s)) {
        ReportAudioError(s, SE_ERR_NOMEMORY);
        WaitForTimerThreadStart();
        Stop(false, SE_ABORT);
        CloseInbox(kSpeechInbox);
        return;
    }
    Prime(s);
    g_audio.dwPhraseStart.store(timeGetTime());
    ResetMouth(s);
    std::atomic_ref<LONG>(s->nStatus).store(2);
    WaitForTimerThreadStart();
    DispatchDueEvents();
    AudioWorkEnds();  // while it plays, its work comes as messages

    MSG msg;
    for (;;) {
        // One refill per buffer the device gave back, so that all four
        // stay in circulation however many came back at once.
        while (!g_audio.fSynthExhausted && g_audio.nBuffersReturned.load() > 0) {
            g_audio.nBuffersReturned.fetch_sub(1);
            g_audio.nDeviceState.store(kDeviceRefilling);
            if (!Refill(s)) g_audio.fSynthExhausted = true;
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            AudioWorkBegins();
            CloseInbox(kSpeechInbox);
            Stop(true, SE_ABORT);
            return;
        }
        if (msg.message != g_uEngineMessage) continue;
        const bool more = Handle(s, msg.wParam);
        if (!more) AudioWorkBegins();  // the end of the phrase
        EngineMessageHandled(kSpeechInbox, msg.lParam);
        if (!more) {
            // Buffers returning while the device closes are not work to
            // wait for: the close waits for them on the clock.
            CloseInbox(kSpeechInbox);
            return;
        }
    }
}

// The last acts of the thread: the active-phrase count falls, the client
// hears of the end (unless the engine is closing), the block goes to the
// housekeeping thread, and the thread's work is done.
void Finish(LPSCB s, SpeechThreadBlock *block, bool tellClient) {
    const HANDLE self = block->hThread;
    g_nActivePhrases.fetch_sub(1);
    if (tellClient) PostMessageA(s->hwndDone, s->msgDone, s->wParamDone, reinterpret_cast<LPARAM>(s));
    DiscardEngineMessages();
    if (!PostThreadMessageA(HousekeepingThreadId(), g_uEngineMessage, SE_THREADEXIT, reinterpret_cast<LPARAM>(block)))
        FreeBlock(block);
    CloseHandle(self);
    g_nSpeechThreads.fetch_sub(1);
    AudioWorkEnds();
}

}  // namespace

DWORD WINAPI SpeechThreadMain(LPVOID lpBlock) {
    auto *block = static_cast<SpeechThreadBlock *>(lpBlock);
    LPSCB s = block->lpSCB;

    if (waveOutGetNumDevs() == 0) {
        ReportAudioError(s, SE_ERR_NOWAVEDEVICE);
        Finish(s, block, true);
        return 0;
    }
    HWAVEOUT hwo = nullptr;
    if (const LONG rc = OpenWaveOutput(s, &hwo); rc != 0) {
        ReportAudioError(s, rc);
        Finish(s, block, true);
        return 0;
    }
    if (BeginPhrase(s, block->hThread) != 0) {
        waveOutClose(hwo);
        CloseWaveOutput();
        EndPhraseTurn();
        Finish(s, block, true);
        return 0;
    }
    g_audio.hWaveOut.store(hwo);

    PlayPhrase(s);
    // A paused device would hold its buffers, and the close, for ever.
    if (g_audio.fPaused) waveOutRestart(g_audio.hWaveOut.load());

    // The timer thread ends first (it has been told to), so that nothing
    // dispatches events while synthesis and the device are closed.  It
    // counts its own end as work; once it has ended, that count is this
    // thread's again.
    AudioWorkEnds();
    WaitForSingleObject(g_audio.hTimerThread, INFINITE);
    CloseWaveOutput();
    CloseHandle(g_audio.hTimerThread);
    g_audio.hTimerThread = nullptr;
    // A control that came in after the timer thread's end may have armed a
    // timer no one will hear.
    CancelTimerEvent();
    const bool closed = g_audio.nTimerEndReason.load() == kTimerEndClosed;
    EndPhraseTurn();
    LONG playing = 2;
    if (!closed) std::atomic_ref<LONG>(s->nStatus).compare_exchange_strong(playing, 0);
    Finish(s, block, !closed);
    return 0;
}

}  // namespace kav
