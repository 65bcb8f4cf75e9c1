// Arbitrary phonetic strings through the whole synthesis of a small voice,
// in one of the sample formats and timing variants (picked by the first
// byte), drawn in blocks of a size picked by the second.  Output is capped:
// a string may legitimately ask for minutes of pauses.
#include "api/engine_state.h"
#include "fonts/synthetic_voice.h"
#include "synth/speech_events.h"
#include "synth/synthesis.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {
constexpr size_t kMaxOutputBytes = 4 << 20;

kav::testing::VoiceScb *Voice(uint8_t variant) {
    static kav::testing::VoiceScb *voices[16] = {};
    const int i = variant & 15;
    if (voices[i] == nullptr) {
        kav::testing::SyntheticVoice v;
        v.bits = (i & 1) ? 16 : 8;
        v.flags = ((i & 2) ? 4u : 0u) | ((i & 4) ? 8u : 0u) | ((i & 8) ? 16u : 0u);
        v.symbols = "_ \na\nb\nc";
        v.Fill(2);
        voices[i] = new kav::testing::VoiceScb(v);
        const LONG incr[kav::kStressIncrements] = {60, 30, -30, -60, -40, 40};
        for (int k = 0; k < kav::kStressIncrements; ++k) kav::g_lStressIncr[k] = incr[k];
    }
    return voices[i];
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    kav::testing::VoiceScb *voice = Voice(data[0]);
    voice->scb.nMarkerChar = (data[0] & 16) ? '#' : '|';
    const WORD block = static_cast<WORD>(1 + data[1] * 37);
    const std::string text(reinterpret_cast<const char *>(data + 2), size - 2);  // NUL-terminated copy
    kav::g_lpSynthSCB.store(&voice->scb);
    if (kav::BeginSynthesis(text.c_str(), 5, 5) != 0) __builtin_trap();
    std::vector<BYTE> buf(block);
    size_t total = 0;
    for (;;) {
        const LONG n = kav::SynthesizeBlock(7, buf.data(), block);
        if (n < 0 || n > block) __builtin_trap();
        total += static_cast<size_t>(n);
        if (n < block || total > kMaxOutputBytes) break;
        kav::SpeechEvent e;
        while (kav::PopSpeechEvent(&e)) {
        }
    }
    kav::EndSynthesis(&voice->scb.nPitch, &voice->scb.nSpeed);
    kav::g_lpSynthSCB.store(nullptr);
    return 0;
}
