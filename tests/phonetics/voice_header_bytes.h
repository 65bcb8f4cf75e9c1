// Voice header bytes for tests: the fixed fields little-endian, then the
// phoneme symbol text (with its NUL unless told otherwise).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavtest {

inline std::vector<unsigned char> VoiceHeaderBytes(uint32_t phonemes, uint32_t rate, uint32_t bits, uint32_t period,
                                                   const std::string &symbols, bool terminated = true) {
    std::vector<unsigned char> b(28, 0);
    const uint32_t words[] = {0, phonemes, rate, bits, period};
    for (int w = 0; w < 5; ++w)
        for (int i = 0; i < 4; ++i) b[w * 4 + i] = static_cast<unsigned char>(words[w] >> (8 * i));
    b.insert(b.end(), symbols.begin(), symbols.end());
    if (terminated) b.push_back(0);
    return b;
}

}  // namespace kavtest
