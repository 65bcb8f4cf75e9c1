#include "audio/timer_events.h"

#include "api/engine_state.h"
#include "api/services.h"
#include "audio/audio_messages.h"
#include "audio/audio_state.h"

#include <atomic>
#include <mutex>

namespace kav {

namespace {

struct TimerRecord {
    std::mutex lock;  // serialises arming and cancelling; the callback never takes it
    std::atomic<WPARAM> code{0};
    std::atomic<UINT> id{0};
};
TimerRecord g_timer;

bool IsStop(WPARAM code) { return code == SE_ABORT || code == SE_CLOSE; }

// With the lock held.  timeKillEvent waits for a callback under way, so
// afterwards nothing of the old timer is left.
void KillPending() {
    const UINT id = g_timer.id.exchange(0);
    if (id != 0) timeKillEvent(id);
}

}  // namespace

void BeginTimerPeriod(UINT wanted) {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) {
        ReportAudioError(g_lpSynthSCB.load(), SE_ERR_TIMERCAPS);
        return;
    }
    UINT period = wanted < caps.wPeriodMin ? caps.wPeriodMin : wanted;
    if (period > caps.wPeriodMax) period = caps.wPeriodMax;
    if (timeBeginPeriod(period) == TIMERR_NOERROR) g_audio.uTimerPeriod.store(period);
}

void EndTimerPeriod() {
    const UINT period = g_audio.uTimerPeriod.exchange(0);
    if (period != 0) timeEndPeriod(period);
}

void ScheduleTimerEvent(UINT delay, WPARAM code) {
    std::lock_guard<std::mutex> hold(g_timer.lock);
    if (g_timer.id.load() != 0 && IsStop(g_timer.code.load()) && !IsStop(code)) return;
    KillPending();
    g_timer.code.store(code);
    const UINT id = timeSetEvent(delay, g_audio.uTimerPeriod.load(), TimerCallback,
                                 reinterpret_cast<DWORD_PTR>(&g_timer), TIME_ONESHOT | TIME_CALLBACK_FUNCTION);
    g_timer.id.store(id);
}

void CancelTimerEvent() {
    std::lock_guard<std::mutex> hold(g_timer.lock);
    KillPending();
}

void CALLBACK TimerCallback(UINT uTimerID, UINT, DWORD_PTR dwUser, DWORD_PTR, DWORD_PTR) {
    auto *record = reinterpret_cast<TimerRecord *>(dwUser);
    const WPARAM code = record->code.load();
    switch (code) {
        case SE_TICK:
        case SE_PAUSE:
        case SE_RESUME:
        case SE_CLOSE:
        case SE_ABORT: PostToTimerThread(code); break;
        default: break;
    }
    // Only this timer's own id: a timer armed since is still pending.
    UINT self = uTimerID;
    record->id.compare_exchange_strong(self, 0);
}

}  // namespace kav
