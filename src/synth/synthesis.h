// The synthesis driver: one phonetic string to PCM blocks in the synthesis
// SCB's font format (mono, 8-bit unsigned or 16-bit signed, at the font's
// rate) plus timed events (speech_events.h).  One phrase at a time per
// process: the caller holds synthesis (synthesis_guard.h), sets the
// synthesis SCB (g_lpSynthSCB) and keeps it until EndSynthesis.
//
//   BeginSynthesis, then SynthesizeBlock until it returns 0, then
//   EndSynthesis (which may also come at any time after BeginSynthesis).
#pragma once

#include "platform/platform.h"

namespace kav {

// Prepares a phrase from the string and the SCB's nPitch and nSpeed.
// 0; -101 when a queue cannot be allocated; -110 when the synthesis SCB has
// no usable font.  On failure synthesis is left finished.
LONG BeginSynthesis(const char *phonetics, LONG pitchLevel, LONG speedLevel);

// Fills up to size bytes and returns the bytes of speech in them: size
// while speech lasts, then the speech bytes before the silence that pads the
// last block, then 0 (leaving the buffer untouched).  eventMask is the
// SCB's wFlags: bit 0 mouth shapes, bit 1 sync marks, bit 2 bookmarks.
LONG SynthesizeBlock(DWORD eventMask, BYTE *buffer, WORD size);

// Ends the phrase: stores the pitch and speed levels as the string's \P and
// \S left them, frees the queues.  Either pointer may be NULL.
void EndSynthesis(LONG *pitchLevel, LONG *speedLevel);

// True once the sequencer has run dry (the end event is queued), and
// whenever no phrase is in progress.  Any thread may ask.
bool SynthesisFinished();

}  // namespace kav
