// The unit sequencer: walks the phonetic string and plays, at each phoneme
// boundary a|b, the outgoing unit of (a, b), a mouth-shape marker for b and
// the incoming unit of (a, b); pauses move to phoneme 0 (silence) and skip
// the outgoing unit and mouth shape of the phoneme after them.  Markers in
// the string become records, prosody escapes go to the prosody layer.
// Process-wide state, like the rest of synthesis.
#pragma once

#include "synth/phonetic_token.h"
#include "synth/synth_record.h"

namespace kav {

// The font data and token context of the phrase in progress, set when the
// phrase starts (prosody's start) and read by every synthesis stage.
struct SynthesisPhrase {
    SynthesisFont font;
    BYTE phonemeMap[256];
    TokenContext tokens;
};
extern SynthesisPhrase g_phrase;

// Start of phrase: read position at the start of the string (NULL reads as
// an empty string), no unit in progress, previous and current phoneme 0.
// g_phrase must be set up first.
void StartSequencer(const char *phonetics);

// The next record, or false at the end of the phrase (and on every call
// after it).  The record area is the caller's.
bool NextSynthRecord(SynthRecord *out);

// Where the sequencer reads and its current phoneme: prosody looks ahead
// from here when a stress mark arrives.
const char *SequencerPosition();
DWORD SequencerPhoneme();

}  // namespace kav
