// Binary search over one dictionary's sorted entry table.  Opening a file
// checks that every key offset lands on a NUL-terminated string inside the
// pool, so the comparison below never leaves it.
#include "dict/dictionary.h"

namespace kav {

namespace {
DWORD LoadLE(const BYTE *p, int n) {
    DWORD v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Order of an entry's key s against the first `length` bytes of k: a plain
// byte-wise string comparison, where s going on past k makes s the greater.
int CompareKey(const char *s, const char *k, int length) {
    for (int i = 0; i < length; ++i) {
        const auto a = static_cast<unsigned char>(s[i]);
        const auto b = static_cast<unsigned char>(k[i]);
        if (a != b) return a < b ? -1 : 1;
        if (a == 0) return 0;
    }
    return s[length] == 0 ? 0 : 1;
}
}  // namespace

WORD DictRecordTag(const void *record) { return static_cast<WORD>(LoadLE(static_cast<const BYTE *>(record), 2)); }
DWORD DictRecordKey(const void *record) { return LoadLE(static_cast<const BYTE *>(record) + 2, 4); }
DWORD DictRecordPronunciation(const void *record) { return LoadLE(static_cast<const BYTE *>(record) + 6, 4); }

LONG SearchDictionary(const char *key, int mode, int length, const void *table, DWORD count, const char *pool) {
    if (table == nullptr || count == 0) return mode == kDictFind ? -1 : 0;
    auto *records = static_cast<const BYTE *>(table);
    auto compareAt = [&](LONG i) { return CompareKey(pool + DictRecordKey(records + i * kDictRecordSize), key, length); };
    LONG lo = 0;
    LONG hi = static_cast<LONG>(count) - 1;
    LONG mid;
    int order;
    do {
        mid = (lo + hi) / 2;
        order = compareAt(mid);
        if (order == 0) return mid;
        if (order > 0) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    } while (lo < hi);
    mid = (lo + hi) / 2;
    order = compareAt(mid);
    if (order == 0) return mid;
    if (mode == kDictFind) return -1;
    return order > 0 ? mid : mid + 1;
}

}  // namespace kav
