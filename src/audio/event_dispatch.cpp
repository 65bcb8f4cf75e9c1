#include "audio/event_dispatch.h"

#include "api/engine_state.h"
#include "audio/audio_messages.h"
#include "audio/audio_state.h"
#include "audio/mouth_handshake.h"
#include "audio/timer_events.h"
#include "synth/speech_events.h"
#include "synth/synthesis.h"

#include <atomic>

namespace kav {

namespace {

void SetVolume(LONG volume) {
    g_audio.nCurrentVolume.store(volume);
    // Else the buffers written from now on are scaled in software.
    if (g_audio.dwDeviceSupport.load() & WAVECAPS_VOLUME) waveOutSetVolume(g_audio.hWaveOut.load(), DeviceVolume(volume));
}

// Acts on one due event.  The end event, while synthesis still runs, is
// queued again for later.
void Dispatch(LPSCB s, SpeechEvent &e) {
    switch (e.type) {
        case kEventMouth: OfferMouthShape(s, e.payload); break;
        case kEventSync: PostMessageA(s->hwndSync, s->msgSync, s->wParamSync, s->lParamSync); break;
        case kEventBookmark: {
            const LONG value = static_cast<LONG>(DWORD(e.payload[0]) | DWORD(e.payload[1]) << 8 |
                                                 DWORD(e.payload[2]) << 16 | DWORD(e.payload[3]) << 24);
            std::atomic_ref<LONG>(s->lParamBookmark).store(value);
            PostMessageA(s->hwndBookmark, s->msgBookmark, s->wParamBookmark, value);
            break;
        }
        case kEventVolume: SetVolume(e.payload[0] > 9 ? 9 : e.payload[0]); break;
        case kEventEnd:
            if (SynthesisFinished()) {
                g_audio.fStopTicking.store(true);
                PostToTimerThread(SE_PHRASEEND);
            } else {
                e.timeMs += kEndRetryMs;
                PushSpeechEvent(e);
            }
            break;
        default: break;  // other types are dropped
    }
}

}  // namespace

DWORD DispatchDueEvents() {
    LPSCB s = g_lpSynthSCB.load();
    if (s == nullptr) return kEndRetryMs;
    const DWORD elapsed = timeGetTime() - g_audio.dwPhraseStart.load();
    DWORD wait = kMinWaitMs;
    for (;;) {
        SpeechEvent e;
        if (!PeekSpeechEvent(&e)) {
            wait = kIdleWaitMs;
            break;
        }
        if (e.timeMs > elapsed) {
            wait = e.timeMs - elapsed;
            break;
        }
        // Popped before it is acted on, so that an end event queued again
        // goes behind every other.
        PopSpeechEvent(nullptr);
        Dispatch(s, e);
        if (g_audio.fStopTicking.load()) break;
    }
    if (wait < kMinWaitMs) wait = kMinWaitMs;
    if (!g_audio.fStopTicking.load()) ScheduleTimerEvent(wait, SE_TICK);
    return wait;
}

}  // namespace kav
