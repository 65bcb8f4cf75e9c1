#include "audio/timer_thread.h"

#include "api/engine_state.h"
#include "api/housekeeping.h"
#include "api/services.h"
#include "audio/audio_messages.h"
#include "audio/event_dispatch.h"
#include "audio/timer_events.h"

namespace kav {

namespace {

// Acts on one message; false when the thread is to end.
bool Handle(WPARAM code) {
    switch (code) {
        case SE_PHRASEEND:
            CancelTimerEvent();
            g_audio.nTimerEndReason.store(kTimerEndNormal);
            PostToSpeechThread(SE_PHRASEEND);
            return false;
        case SE_CLOSE: g_audio.nTimerEndReason.store(kTimerEndClosed); return false;
        case SE_ABORT: g_audio.nTimerEndReason.store(kTimerEndNormal); return false;
        case SE_RESUME:
        case SE_TICK:
            // A tick armed before a pause is dropped here; SE_RESUME starts
            // the chain again.
            if (g_audio.fPlaying.load()) DispatchDueEvents();
            return true;
        default: return true;  // SE_PAUSE: no tick is armed, so dispatch stops
    }
}

}  // namespace

DWORD WINAPI TimerThreadMain(LPVOID lpBlock) {
    g_audio.nTimerEndReason.store(kTimerEndNormal);
    g_audio.idTimerThread.store(GetCurrentThreadId());
    OpenInbox(kTimerInbox);
    g_audio.fTimerStarted.store(true);

    MSG msg;
    bool running = true;
    while (running && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != g_uEngineMessage) continue;
        running = Handle(msg.wParam);
        EngineMessageHandled(kTimerInbox, msg.lParam);
    }

    // Work until the speech thread, which waits for this thread's end,
    // takes the count over.
    AudioWorkBegins();
    CancelTimerEvent();
    EndTimerPeriod();
    CloseInbox(kTimerInbox);
    DWORD self = GetCurrentThreadId();
    g_audio.idTimerThread.compare_exchange_strong(self, 0);
    DiscardEngineMessages();
    // Posted before the running flag falls: once it has, the speech thread
    // may end the last phrase and CloseSpeech the housekeeping thread.
    if (!PostThreadMessageA(HousekeepingThreadId(), g_uEngineMessage, SE_THREADEXIT, reinterpret_cast<LPARAM>(lpBlock)))
        FreeBlock(lpBlock);
    g_audio.fTimerRunning.store(false);
    return 0;
}

}  // namespace kav
