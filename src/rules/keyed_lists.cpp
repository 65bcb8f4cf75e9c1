// The class area's keyed lists: bucket choice and the two searches.  Their
// stopping rules depend on the list layouts (sorted longest-match lists,
// ordered first-match lists), so they live with the program view.
#include "rules/rule_program.h"

namespace kav::rules {

namespace {
inline BYTE TextAt(const BYTE *text, int readable, int i) { return i < readable ? text[i] : 0; }
}  // namespace

DWORD RuleProgram::BucketList(WORD classOffset, BYTE c) const {
    const WORD list = Word(classBase_ + classOffset + 2 * BucketOf(c));
    return list == 0xFFFF ? kNowhere : classBase_ + list;
}

// Entries: L (entry size), key NUL, optionally ')' value NUL; a zero L ends
// the list.  Keys ascend, so a text byte below the key's ends the search.
KeyMatch RuleProgram::LookupLongest(WORD classOffset, const BYTE *text, int readable, int remaining) const {
    DWORD entry = BucketList(classOffset, TextAt(text, readable, 0));
    if (entry == kNowhere) return {-1, nullptr};
    int bestLength = -1;
    DWORD bestEnd = kNowhere;  // offset of the best key's NUL
    for (BYTE size; (size = Byte(entry)) != 0; entry += size) {
        const DWORD key = entry + 1;
        for (int i = 0;; ++i) {
            const BYTE k = Byte(key + i);
            if (k == 0) {
                bestLength = i;
                bestEnd = key + i;
                break;
            }
            const BYTE t = TextAt(text, readable, i);
            if (t > k) break;
            if (t < k) goto done;
            if (i >= remaining) break;
        }
    }
done:
    if (bestLength <= 0) return {-1, nullptr};
    const char *value = Byte(bestEnd + 1) == ')' ? String(bestEnd + 2) : nullptr;
    return {bestLength, value};
}

// Tagged strings: '(' key, ')' value of the key before it, anything else is
// passed over; a zero tag ends the list.  The first matching key wins.
KeyMatch RuleProgram::LookupFirst(WORD classOffset, const BYTE *text, int readable, int remaining) const {
    DWORD at = BucketList(classOffset, TextAt(text, readable, 0));
    if (at == kNowhere) return {-1, nullptr};
    for (BYTE tag; (tag = Byte(at)) != 0; ) {
        const DWORD key = at + 1;
        const DWORD end = StringEnd(key);
        if (tag == '(') {
            const int length = static_cast<int>(end - key);
            bool match = length <= remaining;
            for (int i = 0; match && i < length; ++i) match = bytes_[key + i] == TextAt(text, readable, i);
            if (match) {
                const char *value = Byte(end + 1) == ')' ? String(end + 2) : nullptr;
                return {length, value};
            }
        }
        at = end + 1;
    }
    return {-1, nullptr};
}

}  // namespace kav::rules
