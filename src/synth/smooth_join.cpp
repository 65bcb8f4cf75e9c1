// Smoothing the join between two deliveries.  Consecutive frames of one
// recording join as they are; everything else (a repetition, a frame after a
// dropped one, a frame flagged to fade) fades its first samples in from the
// last sample delivered: over a fixed length, or, in fonts with adaptive
// timing, over a length that grows with the size of the jump.
#include "synth/frame_shaper.h"

namespace kav {

namespace {
LONG Get(const SynthesisFont &f, const BYTE *b, LONG i) {
    return f.sixteenBit ? static_cast<SHORT>(static_cast<WORD>(b[2 * i] | b[2 * i + 1] << 8)) : b[i];
}
void Put(const SynthesisFont &f, BYTE *b, LONG i, LONG v) {
    if (f.sixteenBit) {
        b[2 * i] = static_cast<BYTE>(v);
        b[2 * i + 1] = static_cast<BYTE>(static_cast<WORD>(v) >> 8);
    } else {
        b[i] = static_cast<BYTE>(v);
    }
}
void Fade(const SynthesisFont &f, BYTE *b, LONG k, LONG step, LONG last) {
    for (LONG i = 0; i < k; ++i) {
        Put(f, b, i,
            BlendSamples(static_cast<SHORT>(Get(f, b, i)), static_cast<SHORT>(last), static_cast<SHORT>(step * (i + 1))));
    }
}
}  // namespace

void SmoothJoin(const SynthesisFont &font, ShaperState *st, BYTE *buffer, DWORD len, const SynthFrame &cur,
                const SynthFrame &prev, LONG remaining) {
    const LONG samples = static_cast<LONG>(len / font.bytesPerSample);
    if (samples == 0) return;
    const bool continues = prev.count > 0 && remaining == cur.count && !(cur.rec.flags & kFrameAlwaysFade);
    if (!continues) {
        if (!font.adaptiveTiming) {
            LONG k = st->fadeBytes / static_cast<LONG>(font.bytesPerSample);
            if (k > samples) k = samples;
            Fade(font, buffer, k, st->fadeStep, st->lastSample);
        } else {
            LONG d = Get(font, buffer, 0) - st->lastSample;
            if (d < 0) d = -d;
            LONG k = font.sixteenBit ? d >> 8 : d;
            const LONG most = font.sixteenBit ? static_cast<LONG>(len >> 5) : static_cast<LONG>(len >> 4);
            if (k > most) k = most;
            if (k >= 2) Fade(font, buffer, k, 32767 / k, st->lastSample);
        }
    }
    st->lastSample = Get(font, buffer, samples - 1);
}

}  // namespace kav
