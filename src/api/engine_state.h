// The engine's process-wide state: one copy per process, shared by every
// SCB.  Words that several threads read and write are atomics; the rest
// belong to the client's thread.
#pragma once

#include "platform/platform.h"

#include <atomic>

namespace kav {

// The message registered as "Speech Engine" at library start-up: the default
// message of every notification and of every thread message the engine posts.
extern UINT g_uEngineMessage;

// The engine library's own module instance, recorded at start-up.
extern HINSTANCE g_hEngineInstance;

// "TM_" and the process id: names the phrase semaphore.
extern char g_szObjectName[32];

// The SCB most recently named by an entry point; error reports and the rule
// and dictionary code take their flags and dictionaries from it.
extern std::atomic<LPSCB> g_lpCurrentSCB;

// The SCB whose phrase (or WAVE write) holds the synthesis state.
extern std::atomic<LPSCB> g_lpSynthSCB;

// Id of the speech thread of the most recent phrase (0 before any).
extern std::atomic<DWORD> g_idSpeechThread;

// Speech threads started and not yet finished.
extern std::atomic<LONG> g_nActivePhrases;

// Stress increments of the last font loaded, in this order: primary,
// secondary and de-stress pitch, then primary, secondary and de-stress speed.
enum StressIncrement { kPrimPitch, kSecPitch, kDePitch, kPrimSpeed, kSecSpeed, kDeSpeed, kStressIncrements };
extern LONG g_lStressIncr[kStressIncrements];

inline LPSCB CurrentSCB() { return g_lpCurrentSCB.load(); }
inline void SetCurrentSCB(LPSCB lpSCB) { g_lpCurrentSCB.store(lpSCB); }

}  // namespace kav
