// Arbitrary text walked sentence by sentence.  The first byte picks the
// sentence program (one that splits at sentence ends, one that also
// consumes nothing at some places) and whether the font counts as one
// without a version (two characters less per sentence).
#include "platform/testing.h"
#include "rule_compiler.h"

#include <kavsyn.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

const char *const kPrograms[] = {
    "class ending = \".!?\"\nclass white = \" \\t\\r\\n\"\n^ seek(ending (white | $)) ending [rest] ->\n",
    "class white = \" \"\nonce {\n  ^ [\"#\" rest] -> leave\n  ^ seek(white) [rest] -> leave\n}\n",
};

struct Fonts {
    SCB scb[2]{};
    Fonts() {
        KavSetMessageBoxHook([](const char *, const char *, UINT) {});
        for (int i = 0; i < 2; ++i) {
            static kav::font::CompiledRules program[2];
            program[i] = kav::font::CompileRules(kPrograms[i]);
            scb[i].hSentenceRule = kav::testing::MakeResource(program[i].bytes.data(), program[i].bytes.size());
            scb[i].wFlags = SE_FLAG_NOMSGBOX;
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Fonts fonts;
    if (size == 0) return 0;
    LPSCB scb = &fonts.scb[data[0] & 1];
    scb->nFontVersionMajor = (data[0] & 2) != 0 ? -1 : 2;
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);  // stops at an inner NUL
    size_t covered = 0;
    for (const char *s = NextSentence(scb, text.c_str()); s != nullptr; s = NextSentence(scb, nullptr)) {
        covered += 1;
        // The cursor stays inside the text.
        if (scb->lpNextText != nullptr &&
            (scb->lpNextText <= text.c_str() || scb->lpNextText > text.c_str() + text.size()))
            __builtin_trap();
        if (covered > text.size() + 1) __builtin_trap();  // every sentence moves on
    }
    return 0;
}
