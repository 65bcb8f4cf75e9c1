// Multimedia time and one-shot timers.
//
// timeGetTime reads the platform clock (monotonic, milliseconds, wrapping at
// 2^32 like the Windows counter).  Timers are served by one process-wide
// timer thread, which runs every callback in turn; the engine's callbacks
// only post messages.  Only one-shot timers with a function callback are
// offered, as that is all the engine arms; other kinds are refused (0).
// timeKillEvent is always synchronous: once it returns, the timer's callback
// neither runs nor is about to run (unless timeKillEvent was called from
// that very callback).  The resolution arguments are accepted and kept
// count of, but timers always fire on the millisecond they are due.
#pragma once

#include "win32_mmresult.h"

typedef void (CALLBACK TIMECALLBACK)(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1,
                                     DWORD_PTR dw2);
typedef TIMECALLBACK *LPTIMECALLBACK;

#define TIME_ONESHOT           0x0000
#define TIME_PERIODIC          0x0001
#define TIME_CALLBACK_FUNCTION 0x0000
#define TIME_KILL_SYNCHRONOUS  0x0100

typedef struct timecaps_tag {
    UINT wPeriodMin;
    UINT wPeriodMax;
} TIMECAPS, *PTIMECAPS, *LPTIMECAPS;

DWORD timeGetTime();
MMRESULT timeGetDevCaps(LPTIMECAPS ptc, UINT cbtc);
MMRESULT timeBeginPeriod(UINT uPeriod);
MMRESULT timeEndPeriod(UINT uPeriod);
// Returns the timer's id (never 0), or 0 when the delay is outside
// wPeriodMin..wPeriodMax, the callback is NULL or the kind is not offered.
MMRESULT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK lpTimeProc, DWORD_PTR dwUser,
                      UINT fuEvent);
// MMSYSERR_INVALPARAM for an id that is not pending (a one-shot timer that
// has fired is no longer pending).
MMRESULT timeKillEvent(UINT uTimerID);
