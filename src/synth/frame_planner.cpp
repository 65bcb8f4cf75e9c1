// Duration planning: each frame advances a target position by its scaled
// duration; the frame is repeated (or dropped) until the output position,
// which advances by whole periods, lies within half a period of the target.
// So pitch and duration stay independent and the error never accumulates.
#include "synth/frame_shaper.h"

namespace kav {

namespace {
// The positions are renormalised past this so they stay small.
constexpr int64_t kRenormaliseAbove = 20000;
constexpr int64_t kRenormaliseBy = 10000;
// Natural durations longer than this (about 1.5 s of 16-bit speech at
// 22050 Hz) are taken as this.
constexpr DWORD kMaxNaturalBytes = 0xFFFF;
// Most repetitions one frame gets; a target further ahead is caught up by
// the frames after it.
constexpr int64_t kMaxRepeats = 1 << 24;

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }
}  // namespace

void StartShaper(const SynthesisFont &font, ShaperState *st) {
    *st = ShaperState{};
    st->lastSample = font.Silence();
    const DWORD rate = font.hdr.sampleRate;
    LONG samples;
    if (rate <= 9000) {
        samples = 10;
        st->fadeStep = 2978;
    } else if (rate <= 11025) {
        samples = 15;
        st->fadeStep = 2048;
    } else {
        samples = 31;
        st->fadeStep = 1024;
    }
    st->fadeBytes = samples * static_cast<LONG>(font.bytesPerSample);
}

void PlanFrame(const SynthesisFont &font, ShaperState *st, SynthFrame *frame) {
    const FrameRecord &r = frame->rec;
    const LONG length = static_cast<LONG>(r.length);
    DWORD natural = font.naturalDurations ? r.nominal : r.length;
    if (natural > kMaxNaturalBytes) natural = kMaxNaturalBytes;

    LONG period = PeriodBytes(font, frame->pitch);
    if (!(r.flags & kFrameVoiced)) {
        if (font.adaptiveTiming) {
            period = length;
        } else if (length < period) {
            period = length;
        }
    }
    if (period < 1) period = 1;  // the sequencer never hands over an empty frame; stay safe

    const LONG duration = ScaleDuration(font.adaptiveTiming ? static_cast<LONG>(natural) : length, frame->speed);
    st->targetPos += duration;
    const int64_t low = st->targetPos - (period >> 1);
    const int64_t high = st->targetPos + (period >> 1);
    st->outputPos += period;
    int64_t count = 1;
    if (!(r.flags & (kFrameUnitEnd | kFrameAlwaysFade))) {
        // The two loops of "add a period while below low" and "take one
        // back while above high", in closed form.
        if (st->outputPos < low) {
            int64_t more = CeilDiv(low - st->outputPos, period);
            if (more > kMaxRepeats - 1) more = kMaxRepeats - 1;
            count += more;
            st->outputPos += more * period;
        } else if (st->outputPos > high) {
            int64_t fewer = CeilDiv(st->outputPos - high, period);
            if (fewer > count) fewer = count;
            count -= fewer;
            st->outputPos -= fewer * period;
        }
    }
    if (st->outputPos > kRenormaliseAbove) {
        st->targetPos -= kRenormaliseBy;
        st->outputPos -= kRenormaliseBy;
    }
    frame->period = period;
    frame->count = static_cast<LONG>(count);
}

LONG PeriodChange(const SynthFrame &cur, const SynthFrame &prev, LONG remaining) {
    int64_t change = static_cast<int64_t>(cur.period) - static_cast<LONG>(cur.rec.length);
    if ((cur.rec.flags & kFrameVoiced) && (prev.rec.flags & kFrameVoiced)) {
        const int64_t diff = static_cast<int64_t>(prev.period) - cur.period;
        if (remaining > 1 && cur.count > 0) {
            change += diff * (remaining - 1) / cur.count;
        } else if (remaining <= 1 && prev.count == 0) {
            change += diff / 2;
        }
    }
    return static_cast<LONG>(change);
}

}  // namespace kav
