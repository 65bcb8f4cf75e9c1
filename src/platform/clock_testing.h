// Test seams of the platform clock and the multimedia timers.  Not part of
// the engine's interface and not exported from the library.
//
// The platform clock drives timeGetTime, the timers, Sleep and the virtual
// wave device alike.  A test may stop it and move it by hand, so that timing
// is exact and a long run takes no real time:
//
//   kav::testing::UseManualClock();
//   ... arm timers, write buffers ...
//   kav::testing::AdvanceClock(100);   // everything due within 100 ms happens
//   kav::testing::UseRealClock();
//
// AdvanceClock moves the clock from one due time to the next (timers, the
// virtual device's buffer ends, sleepers) and, at each, waits until the timer
// thread and the virtual devices have finished what fell due (callbacks
// included) before it moves on; when it returns they are idle.  Threads that
// Sleep are woken at their time but not waited for: a test that needs their
// reaction advances in steps.  AdvanceClock must not be called from a timer
// or wave callback.
#pragma once

#include "platform/win32_types.h"

namespace kav::testing {

// Stops the clock at its present reading; from now on only AdvanceClock
// moves it.
void UseManualClock();
// The same, and makes timeGetTime read timeGetTimeNow at this instant (to
// test code across the 2^32 ms wrap); UseRealClock undoes the shift.
void UseManualClock(DWORD timeGetTimeNow);
// Lets the clock run with real time again, never backwards.
void UseRealClock();
bool ManualClockActive();
// With the manual clock: moves it ms forward as described above.  Without
// it: does nothing.
void AdvanceClock(DWORD ms);

// Makes timeGetDevCaps fail (TIMERR_NOCANDO) while set.
void FailTimerCaps(bool fail);

}  // namespace kav::testing
