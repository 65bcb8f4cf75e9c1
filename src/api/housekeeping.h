// The housekeeping thread: frees the parameter blocks that ending speech and
// timer threads post to it (the engine message with SE_THREADEXIT and the
// block in lParam).
//
// One thread serves the whole process rather than one per OpenSpeech: the
// first open starts it, the last close ends it, so no thread outlives the
// SCBs and none is left behind when several SCBs are open at once.
#pragma once

#include "platform/platform.h"

namespace kav {

// Counts one more user (an open SCB) and starts the thread for the first.
// False when the thread could not be started; the count is then unchanged.
bool AcquireHousekeeping();

// Counts one user less; the last one ends the thread, after it has freed
// every block posted to it before, and waits for it.
void ReleaseHousekeeping();

// Id of the running housekeeping thread, 0 when there is none.
DWORD HousekeepingThreadId();

}  // namespace kav
