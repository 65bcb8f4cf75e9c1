// The shaper's small arithmetic: period lengths and duration scaling.
#include "synth/frame_shaper.h"

namespace kav {

LONG PeriodBytes(const SynthesisFont &font, LONG hz) {
    if (hz <= 0) return static_cast<LONG>(kMaxFrameBytes);
    DWORD samples = font.hdr.sampleRate / static_cast<DWORD>(hz);
    // A pitch above the sample rate would give an empty period, and an empty
    // period never ends the planner's loop: one sample is the shortest.
    if (samples == 0) samples = 1;
    const DWORD bytes = samples * font.bytesPerSample;
    return static_cast<LONG>(bytes > kMaxFrameBytes ? kMaxFrameBytes : bytes);
}

LONG ScaleDuration(LONG length, LONG speed) {
    // Formed in 64 bits: the same result as 32-bit arithmetic wherever that
    // does not overflow.
    const int64_t l = length;
    if (speed > 50) return static_cast<LONG>(l - (((speed - 50) * l) >> 7));
    return static_cast<LONG>(l + (((50 - static_cast<int64_t>(speed)) * l) >> 7));
}

}  // namespace kav
