// Turning a kal diphone back into speech, and changing its sample rate.
#pragma once

#include "kal_group.h"

#include <cstdint>
#include <vector>

namespace kav::font {

// Speech of a diphone from its residual through the LPC synthesis filter
// s[n] = e[n] + sum a_k s[n-k].  Frame i's coefficients hold from the sample
// halfway between its mark and the previous one, the last frame's to the end.
// With warmUp the filter state at sample 0 is that left by running the first
// frame's filter over the first pitch period, as if the phone had been
// recorded a period earlier; without it the state starts at zero.
std::vector<float> RebuildSpeech(const KalDiphone &diphone, int lpcOrder, uint32_t sampleRate, bool warmUp);

// The sample at which frame i's coefficients stop applying.
int64_t FrameSwitchSample(const KalDiphone &diphone, size_t frame, uint32_t sampleRate, size_t length);

// Sample-rate conversion by a rational factor with a windowed-sinc low-pass
// (cut off at about 0.45 of the lower rate, so nothing above the new Nyquist
// frequency folds back).  Positions map by the same factor.
class Resampler {
public:
    Resampler(uint32_t from, uint32_t to);
    std::vector<float> Run(const std::vector<float> &in) const;
    int64_t MapPosition(int64_t position) const;  // rounded to the nearest output sample
    size_t OutputLength(size_t inLength) const;

private:
    int64_t up_, down_;  // output = input * up / down
    int halfWidth_;      // kernel half-width in input samples
    std::vector<float> taps_;  // per phase, 2 * halfWidth_ coefficients
};

}  // namespace kav::font
