// Prosody: the pitch in Hz and the speed value of every frame the sequencer
// emits.  Pitch is an intonation contour of straight ramps between the pitch
// targets of the string (laid out by a pre-pass over the whole string when
// the phrase starts) plus rise-and-fall bumps that stress marks lay on single
// phonemes; speed is the phrase's speed level plus the increments of stress
// marks and duration commands.  Contour values are in 1/64 Hz.
#pragma once

#include "synth/phonetic_token.h"
#include "synth/synth_record.h"

namespace kav {

// Speed values are kept within this magnitude: at the slow end a frame lasts
// about 256 times its natural length, at the fast end it is dropped.
constexpr LONG kSpeedLimit = 32767;

// Start of phrase, after g_phrase is set up: keeps the levels, starts the
// sequencer, runs the pre-pass.  0, or -101 when the target queue cannot be
// created.
LONG StartProsody(const char *phonetics, LONG pitchLevel, LONG speedLevel);

// Effect of a token the sequencer does not turn into a record: stress
// marks, pitch up and down, durations, speed and pitch levels.
void ProsodyToken(const PhoneticToken &t);

// Puts pitch and speed on a frame, in emission order.
void SetFrameValues(SynthFrame *frame);

// Writes the levels as they stand back and frees the target queue.  Safe
// without a start and when called twice.
void EndProsody(LONG *pitchLevel, LONG *speedLevel);

// The stress bump of a stress mark read at the sequencer's position.
void StressContour(LONG pitchIncr, LONG speedIncr);

// The phoneme after pos: reads tokens (moving pos) up to a phoneme, whose
// number it returns, or up to a pause or the end, giving 0.
DWORD NextPhonemeAhead(const char *&pos);

// Pre-pass: pushes the string's pitch targets as ramps in frames.
struct RecordQueue;
void BuildPitchTargets(const char *phonetics, RecordQueue *targets);

// One ramp of the contour (a 16-byte queue record).
struct PitchTarget {
    LONG start;  // 1/64 Hz
    LONG count;  // frames
    LONG step;   // 1/64 Hz per frame
    LONG unused;
};

}  // namespace kav
