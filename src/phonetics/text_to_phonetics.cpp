// Text to phonetics: the font's rule passes over a working copy of the text,
// skipping passes whose mask does not meet the text's classes, then the
// phonetic encoder.
#include "api/engine_state.h"
#include "api/services.h"
#include "phonetics/phonetic_encoder.h"
#include "phonetics/text_classes.h"
#include "rules/rule_pass.h"

#include <cstring>

namespace {

constexpr size_t kMaxTextLength = 8192;

// Mask of pass i from the pass mask table.  A table too short for the
// font's passes runs the passes it has no mask for, as a font without a
// table would.
WORD PassMask(const BYTE *table, DWORD tableSize, LONG pass) {
    const DWORD offset = static_cast<DWORD>(pass) * 2;
    if (offset + 2 > tableSize) return 0xFFFF;
    return static_cast<WORD>(table[offset] | table[offset + 1] << 8);
}

// The working text: a blank, the text, a blank, so that the rules see a word
// boundary at both ends.
char *NewWorkingText(const char *lpszText, size_t length) {
    auto *work = static_cast<char *>(kav::AllocBlock(length + 10));
    if (work == nullptr) return nullptr;
    work[0] = ' ';
    std::memcpy(work + 1, lpszText, length);
    work[length + 1] = ' ';
    return work;
}

char *RunPasses(LPSCB lpSCB, char *work) {
    const BYTE *masks = nullptr;
    DWORD maskBytes = 0;
    if (lpSCB->hPassMask != nullptr) {
        masks = static_cast<const BYTE *>(LockResource(lpSCB->hPassMask));
        maskBytes = masks == nullptr ? 0 : SizeofResourceData(lpSCB->hPassMask);
    }
    WORD classes = 0;
    bool classesValid = false;
    const LONG passes = lpSCB->nRulePasses < 0 ? 0 : lpSCB->nRulePasses;
    for (LONG i = 0; i < passes && i < SE_MAX_RULE_PASSES; ++i) {
        if (masks != nullptr) {
            const WORD mask = PassMask(masks, maskBytes, i);
            if (!classesValid) {
                classes = kav::ClassifyText(work, mask);
                classesValid = true;
            }
            if ((mask & classes) == 0) continue;
        }
        char *next = nullptr;
        kav::RunRulePass(work, lpSCB->hRULE[i], &next);
        kav::FreeBlock(work);
        work = next;
        classesValid = false;
        if (work == nullptr) return nullptr;
    }
    return work;
}

}  // namespace

extern "C" KAVAPI char *KAVCALL TextToPhonetics(LPSCB lpSCB, const char *lpszText, UINT wFlag) {
    if (lpSCB == nullptr || lpszText == nullptr || lpszText[0] == '\0') return nullptr;
    if (lpSCB->hFontModule == nullptr) return nullptr;
    const size_t length = std::strlen(lpszText);
    if (length >= kMaxTextLength) {
        kav::ReportError(lpSCB, SE_ERR_TEXTTOOLONG);
        return nullptr;
    }
    kav::SetCurrentSCB(lpSCB);
    char *work = NewWorkingText(lpszText, length);
    if (work == nullptr) return nullptr;
    work = RunPasses(lpSCB, work);
    if (work == nullptr) return nullptr;

    char *encoded = kav::EncodePhonetics(work, static_cast<WORD>(wFlag & 0xFFFF));
    kav::FreeBlock(work);
    if (encoded == nullptr) return nullptr;
    const size_t size = std::strlen(encoded) + 1;
    auto *result = static_cast<char *>(kav::AllocSharedBlock(size));
    if (result != nullptr) std::memcpy(result, encoded, size);
    kav::FreeBlock(encoded);
    return result;
}
