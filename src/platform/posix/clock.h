// The platform clock: monotonic milliseconds, running with real time or,
// for tests, moved by hand (platform/clock_testing.h).  timeGetTime, the
// timers, Sleep and the virtual wave device all read it, so a test that
// drives it drives them all.
#pragma once

#include "platform/win32_types.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kav::posix {

constexpr uint64_t kClockNever = UINT64_MAX;

// Milliseconds on the platform clock.
uint64_t ClockNowMs();
// Sleep on the platform clock: 0 yields, INFINITE never returns.  Sleep
// is this.
void ClockSleep(DWORD ms);
// What timeGetTime reads at the given clock reading.
DWORD ClockToTimeGetTime(uint64_t clockMs);

// Guards the clock and every object whose work falls due on it (the timer
// thread, the wave devices).  One lock for all keeps the manual clock's
// "everything due is done" exact and leaves no lock order to get wrong;
// nothing holds it across a callback.
std::mutex &ClockLock();
// ClockNowMs with ClockLock held.
uint64_t ClockNowLocked();

// A thread that has work at times on the clock and otherwise waits for it
// (the timer thread, a virtual wave device).  The manual clock moves from
// one service's due time to the next and waits at each until every service
// is idle again.  All members are used with ClockLock held.
class ClockService {
public:
    ClockService() = default;
    ClockService(const ClockService &) = delete;
    ClockService &operator=(const ClockService &) = delete;

    // Makes the clock wait for this service; it counts as busy until its
    // first Wait.  Detach before the service ends.
    void Attach();
    void Detach();
    // Waits until the clock reaches deadline (kClockNever: no deadline) or
    // Wake is called; may also return early, so the caller looks at its work
    // again after every return.
    void Wait(std::unique_lock<std::mutex> &lock, uint64_t deadline);
    // The service's work changed: it looks again (and counts as busy until
    // it waits again).
    void Wake();

private:
    friend struct ClockState;
    std::condition_variable cv_;
    uint64_t deadline_ = kClockNever;
    bool idle_ = false;
    bool woken_ = false;
    bool attached_ = false;
};

}  // namespace kav::posix
