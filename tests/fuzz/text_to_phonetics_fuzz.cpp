// Arbitrary text through a small font's rule passes, the pass mask table
// and the encoder.  The first byte picks plain or prosody mode.
#include "api/engine_state.h"
#include "api/services.h"
#include "phonetics/voice_header_bytes.h"
#include "platform/testing.h"
#include "rules/rule_asm.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

struct SmallFont {
    std::vector<unsigned char> header = kavtest::VoiceHeaderBytes(4, 16000, 16, 160, "_\na\nb\nc");
    SCB scb{};

    SmallFont() {
        KavSetMessageBoxHook([](const char *, const char *, UINT) {});
        scb.lpSpeechHdr = header.data();
        scb.nPitch = 5;
        scb.hFontModule = reinterpret_cast<HMODULE>(&header);
        scb.wFlags = SE_FLAG_NOMSGBOX;
        // Letters: words of vowels become a, others b, with a phrase start.
        ruletest::Asm letters;
        const uint16_t vowels = letters.ClassOf("AEIOUaeiou");
        letters.Rule([&] { letters.Focus(); letters.Repeat(1, 0xFFFF, [&] { letters.El(ruletest::EL_CLASS, vowels); }); letters.FocusEnd().Resume(); },
                     [&] { letters.B(ruletest::ACT_TEXT).S("a"); });
        letters.Rewrite("", " ", "", " \\b1");
        letters.End();
        Add(letters.Build());
        // Digits: each becomes c.
        ruletest::Asm digits;
        digits.Rule([&] { digits.Focus().Range('0', '9').FocusEnd().Resume(); }, [&] { digits.B(ruletest::ACT_TEXT).S("c"); });
        digits.End();
        Add(digits.Build());
        const unsigned char masks[] = {0x01, 0x00, 0x02, 0x00};
        scb.hPassMask = kav::testing::MakeResource(masks, sizeof masks);
    }
    void Add(const ruletest::Bytes &program) {
        scb.hRULE[scb.nRulePasses++] = kav::testing::MakeResource(program.data(), program.size());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static SmallFont font;
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);  // stops at an inner NUL
    char *out = TextToPhonetics(&font.scb, text.c_str(), data[0] & 1);
    if (out != nullptr) kav::FreeBlock(out);
    return 0;
}
