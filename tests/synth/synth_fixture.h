// Shared set-up of the synthesis tests: a synthetic voice behind a
// hand-built SCB, made the synthesis SCB for one phrase.
#pragma once

#include "api/engine_state.h"
#include "fonts/synthetic_voice.h"
#include "synth/synthesis.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kav::testing {

inline void DefaultStressIncrements() {
    const LONG incr[kStressIncrements] = {60, 30, -30, -60, -40, 40};
    for (int i = 0; i < kStressIncrements; ++i) g_lStressIncr[i] = incr[i];
}

// One phrase of synthesis over a voice; EndSynthesis when it goes.
class Phrase {
public:
    Phrase(const SyntheticVoice &v, const char *phonetics, LONG pitch = 5, LONG speed = 5, DWORD marker = '|')
        : scb_(std::make_unique<VoiceScb>(v)) {
        DefaultStressIncrements();
        scb_->scb.nMarkerChar = marker;
        g_lpSynthSCB.store(&scb_->scb);
        rc = BeginSynthesis(phonetics, pitch, speed);
    }
    ~Phrase() {
        EndSynthesis(&scb_->scb.nPitch, &scb_->scb.nSpeed);
        g_lpSynthSCB.store(nullptr);
    }
    SCB &scb() { return scb_->scb; }
    // Every remaining byte of the phrase, drawn in blocks of the given size.
    std::vector<BYTE> Drain(WORD block = 4096) {
        std::vector<BYTE> all, buf(block);
        for (;;) {
            const LONG n = SynthesizeBlock(0, buf.data(), block);
            all.insert(all.end(), buf.begin(), buf.begin() + n);
            if (n < block) return all;
        }
    }
    LONG rc;

private:
    std::unique_ptr<VoiceScb> scb_;
};

// Names the units of a voice built by Fill(): "out(p,c)" and "in(p,c)" by
// the data offset of their first frame.
inline std::map<DWORD, std::string> UnitNames(const SyntheticVoice &v) {
    std::map<DWORD, std::string> names;
    const DWORD n = v.Phonemes();
    for (DWORD side = 0; side < 2; ++side) {
        for (DWORD p = 0; p < n; ++p) {
            for (DWORD c = 0; c < n; ++c) {
                const DWORD first = v.demi[side * n * n + p * n + c];
                if (first == 0xFFFF) continue;
                DWORD offset = 0;
                for (int i = 0; i < 4; ++i) offset |= DWORD(v.inst[first * 16 + 8 + i]) << (8 * i);
                names[offset] = std::string(side ? "in(" : "out(") + std::to_string(p) + "," + std::to_string(c) + ")";
            }
        }
    }
    return names;
}

}  // namespace kav::testing
