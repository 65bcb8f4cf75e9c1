// EL_DICT: the rest of the region looked up in the dictionary stack of the
// current SCB, or a dictionary reference (ESC or FS and a decimal number
// made by an earlier pass) turned back into its pronunciation.
#include "rules/rule_pass_state.h"

#include "api/engine_state.h"
#include "api/services.h"
#include "dict/dictionary.h"

#include <cstdio>
#include <cstring>

namespace kav::rules {

namespace {
constexpr BYTE kEsc = 27;
constexpr BYTE kFs = 28;
constexpr size_t kReferenceSize = 10;

const DictDescriptor *StackEntry(LPSCB scb, LONG d) {
    return static_cast<const DictDescriptor *>(scb->lpDictStack) + d;
}

// Entry e's pronunciation, or null when e lies outside the dictionary (a
// reference can name any number; it must not lead outside the table).
const char *Pronunciation(const DictDescriptor &dict, LONG e) {
    if (e < 0 || dict.lpDictTable == nullptr || static_cast<DWORD>(e) >= dict.nDictEntries) return nullptr;
    const DWORD offset = DictRecordPronunciation(static_cast<const BYTE *>(dict.lpDictTable) + e * kDictRecordSize);
    if (dict.lpDictPool == nullptr || offset >= dict.nDictPoolSize) return nullptr;
    return dict.lpDictPool + offset;
}
}  // namespace

bool RulePass::MatchDict() {
    LPSCB scb = CurrentSCB();
    if (scb == nullptr || scb->lpfnDictLookup == nullptr) return false;
    const WORD start = cursor_;
    const int n = regionEnd_ - cursor_ + 1;
    ++cursor_;
    if (n < 0) return false;  // a cursor beyond the region end + 1: only a malformed region
    const BYTE first = ws_.At(start);
    const LONG stackSize = scb->lpDictStack == nullptr ? 0 : scb->nDictStack;

    if (scb->hPassMask != nullptr && (first == kEsc || first == kFs)) {
        if (ws_.HasNul(start, n)) return false;
        // The number wraps like the 32-bit value it is read into.
        DWORD v = 0;
        for (DWORD p = start + 1U; ws_.At(p) >= '0' && ws_.At(p) <= '9'; ++p) v = v * 10 + (ws_.At(p) - '0');
        const LONG value = static_cast<LONG>(v);
        const LONG d = value % 256;
        const LONG e = value / 256;
        if (d < 0 || d >= stackSize) return false;
        const char *pronunciation = Pronunciation(*StackEntry(scb, d), e);
        if (pronunciation == nullptr) return false;
        cursor_ = static_cast<WORD>(regionEnd_ + 1);
        if (repeatDepth_ == 0) ws_.AddTag(DICT_TAG_ID, start, static_cast<WORD>(n), pronunciation);
        return true;
    }

    // A key with a cleared byte never matches; testing that first also
    // keeps the search inside the text.
    if (first == 0 || scb->fDictActive == 0 || ws_.HasNul(start, n)) return false;
    const char *key = reinterpret_cast<const char *>(ws_.From(start));
    LONG d = stackSize - 1;
    LONG e = -1;
    for (; d >= 0; --d) {
        const DictDescriptor &dict = *StackEntry(scb, d);
        e = SearchDictionary(key, kDictFind, n, dict.lpDictTable, dict.nDictEntries, dict.lpDictPool);
        if (e >= 0) break;
    }
    if (d < 0) return false;
    const DictDescriptor &dict = *StackEntry(scb, d);
    const char *value = nullptr;
    bool owned = false;
    if (scb->hPassMask == nullptr) {
        value = Pronunciation(dict, e);
        if (value == nullptr) return false;
    } else if (repeatDepth_ == 0) {
        // Entry numbers of real dictionaries are 16-bit and always fit the
        // 10-byte reference; one that would not is no match rather than a
        // cut number naming another entry.
        char number[24];
        const int digits = std::snprintf(number, sizeof number, " %lli", static_cast<long long>(e) * 256 + d);
        if (digits < 0 || static_cast<size_t>(digits) >= kReferenceSize) return false;
        char *reference = static_cast<char *>(AllocBlock(kReferenceSize));
        if (reference == nullptr) throw PassAbort{SE_ERR_RULEABORT};
        std::memcpy(reference, number, static_cast<size_t>(digits) + 1);
        const WORD tag = DictRecordTag(static_cast<const BYTE *>(dict.lpDictTable) + e * kDictRecordSize);
        reference[0] = static_cast<char>(tag != 0 ? kEsc : kFs);
        value = reference;
        owned = true;
    }
    if (repeatDepth_ == 0) ws_.AddTag(DICT_TAG_ID, start, static_cast<WORD>(n), value, owned);
    cursor_ = static_cast<WORD>(regionEnd_ + 1);
    return true;
}

}  // namespace kav::rules
