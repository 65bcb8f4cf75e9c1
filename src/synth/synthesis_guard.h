// Who holds synthesis.  Its state is process-wide, so one phrase or one
// WAVE write at a time in the whole process, whatever SCB it belongs to:
// the speech thread and WritePhonetics both take this before BeginSynthesis
// and give it back after EndSynthesis.  (fSynthBusy of the SCB is still
// set alongside, for the SCB's own callers.)
#pragma once

#include "platform/platform.h"

namespace kav {

// Takes synthesis for the SCB; false when any SCB holds it.
bool TryAcquireSynthesis(LPSCB lpSCB);
// Gives it back; only the holder can.
void ReleaseSynthesis(LPSCB lpSCB);
// The holder, or NULL.
LPSCB SynthesisHolder();

}  // namespace kav
