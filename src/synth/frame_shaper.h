// The frame shaper: fits each stored frame to the pitch and duration prosody
// asked for.  Pitch changes by cutting or padding whole periods, duration by
// repeating or dropping them (time-domain pitch-synchronous concatenation).
// All arithmetic is integer; the frame is shaped in place in a fixed buffer
// of kMaxFrameBytes.
#pragma once

#include "synth/synth_record.h"

#include <cstdint>

namespace kav {

// What the shaper keeps across frames of a phrase.
struct ShaperState {
    // Where the output should stand after the frames so far (their scaled
    // durations) and where it does stand, in bytes.  Kept in 64 bits: a
    // string that asks for extreme speeds for a long time moves the target
    // without bound, and it must never wrap.
    int64_t targetPos = 0;
    int64_t outputPos = 0;
    LONG lastSample = 0;  // last sample of the previous delivery
    LONG fadeBytes = 0;   // fixed join fade: length in bytes and weight step
    LONG fadeStep = 0;
};

// Resets the positions, the last sample (to silence) and picks the fixed
// fade from the sample rate.
void StartShaper(const SynthesisFont &font, ShaperState *st);

// Bytes of one period at hz: 4096 for 0 Hz or less, else the sample rate
// over the pitch in whole samples, at least one sample, at most 4096 bytes.
LONG PeriodBytes(const SynthesisFont &font, LONG hz);
// A length scaled by a speed value; 50 leaves it, each unit is 1/128 of it.
LONG ScaleDuration(LONG length, LONG speed);
// Q15 cross-fade: a weighted by weight, b by 32767 - weight, rounded half
// away from zero.  Inline: every fade and cut calls it per sample.
inline SHORT BlendSamples(SHORT a, SHORT b, SHORT weight) {
    const int32_t x = a * weight + b * (32767 - weight);
    const int32_t y = 2 * x;
    if (y > 0) return static_cast<SHORT>((y + 32768) >> 16);
    if (y < 0) return static_cast<SHORT>((y - 32768) >> 16);
    return 0;
}

// Sets the frame's planned period and repetition count and moves the
// positions.
void PlanFrame(const SynthesisFont &font, ShaperState *st, SynthFrame *frame);
// Byte change of the period for the repetition about to be output;
// remaining counts the repetitions left, this one included.  Voiced frames
// glide from the previous frame's period to their own.
LONG PeriodChange(const SynthFrame &cur, const SynthFrame &prev, LONG remaining);
// Writes the frame's length bytes of samples (decoding delta-coded data).
void DecodeFrame(const SynthesisFont &font, const FrameRecord &rec, BYTE *buffer);
// Lengthens or shortens the decoded frame by change bytes (within limits,
// cross-fading across a cut); returns the new length.
DWORD ChangeLength(const SynthesisFont &font, BYTE *buffer, const FrameRecord &rec, LONG change);
// Fades the start of a frame of len bytes against the last sample when the
// join needs it, then takes the frame's last sample.
void SmoothJoin(const SynthesisFont &font, ShaperState *st, BYTE *buffer, DWORD len, const SynthFrame &cur,
                const SynthFrame &prev, LONG remaining);

}  // namespace kav
