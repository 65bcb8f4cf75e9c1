// The timer thread of a phrase: wakes on the one-shot timers, dispatches
// the events that fell due, and ends the phrase when the end event has
// been dispatched (or when the speech thread stops it).
#pragma once

#include "audio/audio_state.h"
#include "platform/platform.h"

namespace kav {

// Its parameter block, freed by the housekeeping thread after it ends.
struct TimerThreadBlock {
    std::atomic<HANDLE> *lphSpeechThread;  // where the speech thread's handle is kept
    HANDLE hThread;                        // the timer thread's own
};

DWORD WINAPI TimerThreadMain(LPVOID lpBlock);

}  // namespace kav
