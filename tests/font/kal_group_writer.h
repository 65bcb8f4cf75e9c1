// Writes small diphone databases in the festvox group-file layout, so the
// voice builder can be tested on waveforms whose units are known.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavtest {

struct SyntheticDiphone {
    std::string name;                         // "aa-t"
    std::vector<float> times;                 // pitch marks, seconds
    std::vector<std::vector<float>> lpc;      // per frame a_1..a_order (missing: zeros)
    uint32_t middle = 0;
    std::vector<int16_t> residual;            // written as mu-law
};

uint8_t LinearToMuLaw(int16_t sample);

// The whole file: index header, index lines, then per diphone its track and
// sound blocks.  `order` is the LPC order (channels = order + 1).
std::vector<uint8_t> WriteGroupFile(const std::vector<SyntheticDiphone> &diphones, int order = 16,
                                    uint32_t rate = 16000);

// A pulse train: one pulse of `amplitude` every `period` samples from
// `first`, with marks on the pulses; `length` samples in all.
SyntheticDiphone PulseDiphone(const std::string &name, int length, int first, int period, uint32_t middle,
                              int16_t amplitude = 8000);

// Deterministic white noise of the given amplitude with marks every 10 ms.
SyntheticDiphone NoiseDiphone(const std::string &name, int length, uint32_t middle, int16_t amplitude = 2000);

}  // namespace kavtest
