// One-shot multimedia timers that wake the timer thread with a code.
//
// One process-wide record holds the code the next expiry delivers and the
// id of the pending timer.  Arming a timer replaces the one pending, so at
// most one is ever pending and none can outlive its phrase to reach the
// timer thread of the next.  Once a stop (SE_ABORT or SE_CLOSE) is
// pending, a tick that the dispatcher arms afterwards does not replace it:
// the timer thread must hear the stop, or the phrase would never end.
#pragma once

#include "platform/platform.h"

namespace kav {

// Sets the system timer resolution for the phrase: the wanted period kept
// within what the timer device allows.  -129 is reported against the
// synthesis SCB when the device's limits cannot be read.
void BeginTimerPeriod(UINT wanted);
// Gives back the resolution set by BeginTimerPeriod.
void EndTimerPeriod();

// After delay ms the timer thread receives the engine message with the code.
void ScheduleTimerEvent(UINT delay, WPARAM code);
// Cancels the pending timer, if any.
void CancelTimerEvent();

// The timers' callback: posts SE_TICK, SE_PAUSE, SE_RESUME, SE_CLOSE and
// SE_ABORT to the timer thread, ignores other codes.
void CALLBACK TimerCallback(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1, DWORD_PTR dw2);

}  // namespace kav
