// The phonetic encoder: the last stage of text to phonetics.  It takes the
// output of the last rule pass (phoneme symbols, stress marks and the phrase,
// tone and pause escapes the rules insert) and writes the phonetic string:
// symbols and pass-through escapes copied, runs of blanks folded to one, and the
// sentence intonation written as pitch marks "\<Hz>H " plus pauses
// "\D<ms>M " (grammar in phonetic_grammar.h).
//
// Intonation: each phrase (\bc) gets a contour in 1/256 Hz across its
// phoneme symbols: '1' high fall P70 -> P20, '2' mid fall base -> P20,
// '3' fall-rise P70 -> P30 over 80 % and up to P90 at the end, where Pn is
// LevelToPitch(n).  Marks are written only where the whole-Hz pitch changes,
// each with the pitch level offset added.
#pragma once

#include "platform/platform.h"

namespace kav {

// Converts rule output to a phonetic string.  plain 0: with intonation and
// pauses, reading the current SCB's voice header and nPitch; plain non-zero:
// a bare transcription, words run together, no marks.  Returns a new
// zero-filled block (AllocBlock) that the caller frees with FreeBlock, or
// NULL when the input is only blanks, the current SCB has no voice header,
// memory runs out (-101 already reported; nothing is kept), or another
// conversion is running in the process.
char *EncodePhonetics(const char *lpszText, WORD wPlain);

// Pitch in Hz added to every mark for pitch level setting L (nPitch or a \P
// digit, 5 = normal): LevelToPitch(s + 50) - base with s = (L - 5) * 20
// above normal and (L - 5) * 40 below.
LONG PitchLevelOffset(LONG level, LONG basePitch);

// Phoneme symbols from text up to the next phrase escape (\b) or the end:
// bytes above 32 outside escapes; an escape runs to an apostrophe, double
// quote, hyphen or blank.
LONG CountPhraseSymbols(const char *text);

}  // namespace kav
