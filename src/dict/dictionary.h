// Dictionaries in memory: the entry record, the descriptor of one loaded
// dictionary, and the binary search over one dictionary.
//
// File layout (little-endian): u16 entry count N, u16 flags (0x8000),
// N records of 10 bytes sorted by key, then the string pool.
//   record: u16 tag, u32 key offset, u32 pronunciation offset (into the pool)
#pragma once

#include "platform/platform.h"

#include <cstdint>

namespace kav {

constexpr size_t kDictRecordSize = 10;
constexpr size_t kDictHeaderSize = 4;
constexpr WORD kDictFileFlags = 0x8000;

// Field access of one 10-byte entry record (unaligned, little-endian).
WORD DictRecordTag(const void *record);
DWORD DictRecordKey(const void *record);
DWORD DictRecordPronunciation(const void *record);

// One loaded dictionary: the nine words the SCB keeps for the current
// dictionary and the stack keeps for each entry, in that order.
struct DictDescriptor {
    void *lpDictTable;    // entry table, null when empty
    char *lpDictPool;     // string pool, null when empty
    DWORD nDictEntries;
    DWORD nDictPoolSize;
    void *lpDictView;     // mapped view (file form), null in memory form
    char *lpDictMapName;  // 128-byte mapping-name block (file form)
    HFILE hDictFile;
    HANDLE hDictMapping;
    DWORD fDictInMemory;  // 1 = memory form, 0 = file form
};

enum DictSearchMode { kDictFind = 0, kDictInsertPos = 1 };

// Binary search of one dictionary for the first `length` bytes of `key`.
// kDictFind: the index of the entry with exactly that key, or -1.
// kDictInsertPos: where such a key belongs (the equal entry's index if any).
LONG SearchDictionary(const char *key, int mode, int length, const void *table, DWORD count, const char *pool);

// Exact search of the current SCB's current dictionary: the entry's record,
// or NULL when nothing matches or lookups are off (fDictActive 0).  OpenSpeech
// installs it in the SCB's lpfnDictLookup.
void *LookupCurrentDictionary(const char *lpszKey, int nLength);

}  // namespace kav
