// Test seams of the audio threads.  Not part of the engine's interface and
// not exported from the library.
#pragma once

#include "platform/win32_types.h"

namespace kav::testing {

// Work the audio threads have before them: engine messages posted to a
// speech or timer thread and not yet acted on, and speech threads between
// their start and their message loop (not while they wait for their turn).
// With the manual clock, a test that reads 0 knows the audio threads have
// done everything the last clock step caused, except waking sleepers.
LONG AudioWorkPending();

}  // namespace kav::testing
