// A stress mark's bump: the pitch rises linearly from the plain contour over
// the incoming unit of the next phoneme, peaks, and falls back over its
// outgoing unit; the speed change covers that whole phoneme.  Duration
// commands use the same path with a pitch increment of 0.
#include "phonetics/speech_header.h"
#include "synth/prosody_state.h"
#include "synth/unit_sequencer.h"

namespace kav {

namespace {
// The stress offset is kept within this magnitude (1/64 Hz), so that a
// string of thousands of stress marks cannot overflow the accumulator.
constexpr LONG kMaxStressOffset = 1 << 24;

LONG ClampOffset(int64_t v) {
    return static_cast<LONG>(v > kMaxStressOffset ? kMaxStressOffset : v < -kMaxStressOffset ? -kMaxStressOffset : v);
}

// Speed increment for a duration command: above 200 the next phoneme is to
// last s - 200 ms, below -200 it is to last -200 - s percent of its natural
// length T (samples); the increment makes ScaleDuration give that length.
LONG DurationSpeed(LONG s, int64_t total, LONG baseSpeed) {
    const SynthesisFont &f = g_phrase.font;
    int64_t t;
    if (s > 200) {
        t = static_cast<int64_t>(f.hdr.sampleRate) * (s - 200) / 1000;
    } else if (s < -200) {
        t = (static_cast<int64_t>(-200 - s) * total) / 100;
    } else {
        return s;
    }
    const int64_t speed = total != 0 ? 178 - (t * 128) / total : baseSpeed;
    return ClampSpeed(speed - baseSpeed);
}
}  // namespace

void StressContour(LONG pitchIncr, LONG speedIncr) {
    ProsodyState &ps = g_prosody;
    const SynthesisFont &f = g_phrase.font;
    const char *ahead = SequencerPosition();
    const DWORD x1 = NextPhonemeAhead(ahead);
    const DWORD x2 = NextPhonemeAhead(ahead);
    const DWORD c = SequencerPhoneme();

    StressSegment &active = ps.seg[0], &next = ps.seg[1], &last = ps.seg[2];
    if (active.count == kSegmentIdle) {
        // The rest of the current phoneme keeps the present offset.
        active.accum = 0;
        active.step = 0;
        active.count = f.UnitFrames(f.Unit(false, c, x1), nullptr);
    }
    DWORD bytes = 0;
    const LONG c1 = f.UnitFrames(f.Unit(true, c, x1), &bytes);
    const LONG c2 = f.UnitFrames(f.Unit(false, x1, x2), &bytes);
    const int64_t total = f.sixteenBit ? bytes / 2 : bytes;

    const LONG s = DurationSpeed(speedIncr, total, ps.baseSpeed);
    next.speed = ClampSpeed(static_cast<int64_t>(next.speed) + s);
    next.accum = 0;
    // The level is clamped to the scale's range first: font increments may be
    // any 32-bit value.
    const int64_t level = static_cast<int64_t>(pitchIncr) + 50;
    const LONG clamped = static_cast<LONG>(level < -100 ? -100 : level > 200 ? 200 : level);
    const int64_t rise = static_cast<int64_t>(LevelToPitch(clamped, ps.basePitch) - ps.basePitch) * 64;
    last.accum = ClampOffset(last.accum + rise);
    next.count = c1;
    if (c1 > 0) next.step = last.accum / c1;
    last.speed = ClampSpeed(static_cast<int64_t>(last.speed) + s);
    last.count = c2;
    if (c2 > 0) last.step = -(last.accum / c2);
}

}  // namespace kav
