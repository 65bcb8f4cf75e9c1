// Arbitrary bytes as rule output through the phonetic encoder, in prosody
// and plain mode, on a small voice.  The first byte picks the pitch level.
#include "api/engine_state.h"
#include "api/services.h"
#include "phonetics/phonetic_encoder.h"
#include "phonetics/voice_header_bytes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static auto hdr = kavtest::VoiceHeaderBytes(4, 16000, 16, 160, "_\na\nb\nc");
    static SCB scb{};
    static bool once = [] {
        KavSetMessageBoxHook([](const char *, const char *, UINT) {});
        return true;
    }();
    (void)once;
    if (size == 0) return 0;
    scb.lpSpeechHdr = hdr.data();
    scb.nPitch = static_cast<int8_t>(data[0]);
    kav::SetCurrentSCB(&scb);
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);  // stops at an inner NUL
    for (WORD plain : {WORD{0}, WORD{1}}) {
        char *out = kav::EncodePhonetics(text.c_str(), plain);
        if (out == nullptr) continue;
        const size_t len = std::strlen(out);
        // Plain output never ends in a blank or control byte unless it is the only byte.
        if (plain && len > 1 && static_cast<uint8_t>(out[len - 1]) <= 32) __builtin_trap();
        kav::FreeBlock(out);
    }
    return 0;
}
