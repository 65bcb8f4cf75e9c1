#include "api/font_checks.h"

#include "api/font_resources.h"
#include "phonetics/speech_header.h"

namespace kav {

namespace {

// A count read from the font, or `absent` when the font has none.
LONG CountOr(HMODULE hModule, LPCSTR lpszName, LONG absent) {
    LONG n = absent;
    LoadFontInteger(hModule, lpszName, RT_RCDATA, &n);
    return n;
}

enum class Found { kAbsent, kGood, kBad };

// Looks at the resource of that type and id: absent, or whether its bytes
// satisfy `ok`.
template <typename Pred>
Found Inspect(HMODULE hModule, LPCSTR lpszType, WORD id, Pred ok) {
    HGLOBAL hRes = LoadFontResource(hModule, lpszType, id);
    if (hRes == nullptr) return Found::kAbsent;
    const auto *p = static_cast<const BYTE *>(LockResource(hRes));
    const bool good = p != nullptr && ok(p, SizeofResourceData(hRes));
    FreeResource(hRes);
    return good ? Found::kGood : Found::kBad;
}

bool Exists(HMODULE hModule, LPCSTR lpszType, WORD id) {
    return Inspect(hModule, lpszType, id, [](const BYTE *, DWORD) { return true; }) != Found::kAbsent;
}

// A numbered family (INST, PCMD) declares `count` members with ids from
// `firstId`.  The ids must fit in 16 bits, and the last member must exist:
// loading raises one assertion per missing member, so an inflated count
// would otherwise flood the user with them.  A missing count is fine (the
// family is then skipped).
bool FamilyCountSound(HMODULE hModule, LPCSTR lpszCountName, LPCSTR lpszType, WORD firstId) {
    const LONG n = CountOr(hModule, lpszCountName, 0);
    if (n < 0 || n > 0x10000 - static_cast<LONG>(firstId)) return false;
    return n == 0 || Exists(hModule, lpszType, static_cast<WORD>(firstId + n - 1));
}

}  // namespace

LONG CheckSpeechFont(HMODULE hModule) {
    const LONG passes = CountOr(hModule, "NUMRULEPASSES", 0);
    if (passes < 0 || passes > kMaxRulePasses) return SE_ERR_FONTLOAD;

    if (!FamilyCountSound(hModule, "NUMPCMRESOURCES", "PCMD", kFirstPcmdId)) return SE_ERR_FONTLOAD;
    if (!FamilyCountSound(hModule, "NUMINSTRESOURCES", "INST", kFirstInstId)) return SE_ERR_FONTLOAD;

    // The voice header's fixed fields are read without further checks by
    // loading (the flags word), the encoder and the audio threads.
    const Found header = Inspect(hModule, "SPEECH_HDR", 256, [](const BYTE *p, DWORD size) {
        SpeechHeader hdr;
        return ReadSpeechHeader(p, size, &hdr);
    });
    if (header != Found::kGood) return SE_ERR_FONTLOAD;

    // The kernel dictionary's file name is used as a C string.
    const Found kernel = Inspect(hModule, "KERNEL_DIC", 100, [](const BYTE *p, DWORD size) {
        for (DWORD i = 0; i < size; ++i)
            if (p[i] == 0) return true;
        return false;
    });
    if (kernel == Found::kBad) return SE_ERR_FONTLOAD;

    return 0;
}

}  // namespace kav
