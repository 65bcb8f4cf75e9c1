// Reader of a festvox diphone group file (the kal database's
// kallpc16k.group): an ASCII index of diphones, then per diphone a binary
// EST track of LPC coefficients at each pitch mark and a Sun .snd block of
// mu-law residual.  The file comes from outside: every offset, count and
// length is checked, and a malformed file fails with a VoiceError.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kav::font {

class VoiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr int kMaxLpcOrder = 32;

struct KalDiphone {
    std::string name;   // "ae-t"
    std::string left;   // "ae"
    std::string right;  // "t"
    uint32_t middleFrame = 0;  // index of the frame whose mark is the phone boundary
    // One analysis frame per pitch mark: the mark's time in seconds from
    // residual sample 0 and the predictor coefficients a_1..a_order.
    std::vector<float> times;
    std::vector<std::array<float, kMaxLpcOrder>> lpc;
    std::vector<int16_t> residual;  // decoded excitation
};

struct KalDatabase {
    uint32_t sampleRate = 0;
    int lpcOrder = 0;
    std::vector<KalDiphone> diphones;
};

// G.711 mu-law to linear (peak +-32124).
int16_t MuLawToLinear(uint8_t code);

KalDatabase ReadKalGroup(const uint8_t *data, size_t size);
KalDatabase ReadKalGroupFile(const std::string &path);

}  // namespace kav::font
