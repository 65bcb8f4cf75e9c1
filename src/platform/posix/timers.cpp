// Multimedia time and one-shot timers over the platform clock.  One timer
// thread, started with the first timer and kept for the life of the
// process, runs the callbacks of due timers one after the other, earliest
// first (timers due at the same millisecond in the order they were set).
#include "platform/clock_testing.h"
#include "platform/posix/clock.h"
#include "platform/win32_timer.h"

#include <atomic>
#include <map>
#include <thread>

namespace {

using kav::posix::ClockLock;
using kav::posix::ClockNowLocked;
using kav::posix::kClockNever;

constexpr UINT kPeriodMin = 1;
constexpr UINT kPeriodMax = 1000000;

struct Timer {
    uint64_t due;
    uint64_t order;
    LPTIMECALLBACK proc;
    DWORD_PTR user;
};

// Guarded by ClockLock.
struct TimerService {
    std::map<UINT, Timer> pending;
    UINT lastId = 0;
    uint64_t order = 0;
    UINT firing = 0;  // the timer whose callback runs now
    bool started = false;
    std::thread::id thread;
    kav::posix::ClockService service;
    std::condition_variable fired;
    std::map<UINT, unsigned> periods;  // timeBeginPeriod calls not yet ended
};

// Never destroyed: the timer thread outlives main.
TimerService &Timers() {
    static auto *timers = new TimerService();
    return *timers;
}

std::atomic<bool> g_failCaps{false};

void TimerThread() {
    TimerService &ts = Timers();
    std::unique_lock<std::mutex> lock(ClockLock());
    for (;;) {
        auto next = ts.pending.end();
        for (auto it = ts.pending.begin(); it != ts.pending.end(); ++it) {
            if (next == ts.pending.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order))
                next = it;
        }
        if (next == ts.pending.end() || next->second.due > ClockNowLocked()) {
            ts.service.Wait(lock, next == ts.pending.end() ? kClockNever : next->second.due);
            continue;
        }
        const UINT id = next->first;
        const Timer timer = next->second;
        ts.pending.erase(next);
        ts.firing = id;
        lock.unlock();
        timer.proc(id, 0, timer.user, 0, 0);
        lock.lock();
        ts.firing = 0;
        ts.fired.notify_all();
    }
}

}  // namespace

DWORD timeGetTime() { return kav::posix::ClockToTimeGetTime(kav::posix::ClockNowMs()); }

MMRESULT timeGetDevCaps(LPTIMECAPS ptc, UINT cbtc) {
    if (ptc == nullptr || cbtc < sizeof(TIMECAPS) || g_failCaps.load()) return TIMERR_NOCANDO;
    ptc->wPeriodMin = kPeriodMin;
    ptc->wPeriodMax = kPeriodMax;
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT uPeriod) {
    if (uPeriod < kPeriodMin || uPeriod > kPeriodMax) return TIMERR_NOCANDO;
    std::lock_guard<std::mutex> lock(ClockLock());
    ++Timers().periods[uPeriod];
    return TIMERR_NOERROR;
}

// Ending a period that was never begun is refused, which catches an
// unbalanced caller.
MMRESULT timeEndPeriod(UINT uPeriod) {
    std::lock_guard<std::mutex> lock(ClockLock());
    auto &periods = Timers().periods;
    auto it = periods.find(uPeriod);
    if (it == periods.end()) return TIMERR_NOCANDO;
    if (--it->second == 0) periods.erase(it);
    return TIMERR_NOERROR;
}

MMRESULT timeSetEvent(UINT uDelay, UINT, LPTIMECALLBACK lpTimeProc, DWORD_PTR dwUser, UINT fuEvent) {
    if (lpTimeProc == nullptr || uDelay < kPeriodMin || uDelay > kPeriodMax) return 0;
    if ((fuEvent & ~static_cast<UINT>(TIME_KILL_SYNCHRONOUS)) != (TIME_ONESHOT | TIME_CALLBACK_FUNCTION)) return 0;
    TimerService &ts = Timers();
    std::lock_guard<std::mutex> lock(ClockLock());
    if (!ts.started) {
        ts.service.Attach();
        try {
            std::thread worker(TimerThread);
            ts.thread = worker.get_id();
            worker.detach();
        } catch (...) {
            ts.service.Detach();
            return 0;
        }
        ts.started = true;
    }
    do {
        ++ts.lastId;
    } while (ts.lastId == 0 || ts.lastId == ts.firing || ts.pending.count(ts.lastId) != 0);
    ts.pending[ts.lastId] = Timer{ClockNowLocked() + uDelay, ts.order++, lpTimeProc, dwUser};
    ts.service.Wake();
    return ts.lastId;
}

MMRESULT timeKillEvent(UINT uTimerID) {
    TimerService &ts = Timers();
    std::unique_lock<std::mutex> lock(ClockLock());
    if (ts.pending.erase(uTimerID) != 0) return TIMERR_NOERROR;
    // A callback under way is let finish, so that nothing of the timer runs
    // after this returns.
    if (uTimerID != 0 && std::this_thread::get_id() != ts.thread)
        ts.fired.wait(lock, [&] { return ts.firing != uTimerID; });
    return MMSYSERR_INVALPARAM;
}

namespace kav::testing {
void FailTimerCaps(bool fail) { g_failCaps.store(fail); }
}  // namespace kav::testing
