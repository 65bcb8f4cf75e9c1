// Inserting and deleting entries of the current dictionary.  Changes go to
// the memory form (a file-form dictionary is copied into memory first) and
// reach a file only through DictSave.
#include "dict/dictionary_edit.h"

#include "api/engine_state.h"
#include "api/services.h"
#include "dict/dictionary_stack.h"

#include <climits>
#include <cstring>

using namespace kav;

namespace {

// The file format counts entries in 16 bits.
constexpr DWORD kMaxDictEntries = 0xFFFF;

BYTE *Record(LPSCB lpSCB, DWORD index) { return static_cast<BYTE *>(lpSCB->lpDictTable) + index * kDictRecordSize; }

int KeyLength(const char *lpszKey) {
    const size_t n = std::strlen(lpszKey);
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

LONG InsertPosition(LPSCB lpSCB, const char *lpszKey) {
    return SearchDictionary(lpszKey, kDictInsertPos, KeyLength(lpszKey), lpSCB->lpDictTable, lpSCB->nDictEntries,
                            lpSCB->lpDictPool);
}

bool HasKeyAt(LPSCB lpSCB, LONG pos, const char *lpszKey) {
    return lpSCB->lpDictTable != nullptr && static_cast<DWORD>(pos) < lpSCB->nDictEntries &&
           std::strcmp(lpSCB->lpDictPool + DictRecordKey(Record(lpSCB, pos)), lpszKey) == 0;
}

void StoreDword(BYTE *p, DWORD v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

// Room for one more record and `poolBytes` more pool bytes in a memory-form
// dictionary; on failure the dictionary keeps its entries and blocks.
LONG GrowMemoryForm(LPSCB lpSCB, DWORD poolBytes) {
    const DWORD count = lpSCB->nDictEntries;
    void *table = ReallocBlock(lpSCB->lpDictTable, (count + 1) * kDictRecordSize);
    if (table == nullptr) return SE_ERR_NOMEMORY;
    lpSCB->lpDictTable = table;
    void *pool = ReallocBlock(lpSCB->lpDictPool, static_cast<size_t>(lpSCB->nDictPoolSize) + poolBytes);
    if (pool == nullptr) {
        // Back to exactly its records; shrinking does not fail.
        if (count == 0) {
            FreeBlock(table);
            lpSCB->lpDictTable = nullptr;
        } else if (void *smaller = ReallocBlock(table, count * kDictRecordSize)) {
            lpSCB->lpDictTable = smaller;
        }
        return SE_ERR_NOMEMORY;
    }
    lpSCB->lpDictPool = static_cast<char *>(pool);
    return 0;
}

// Adds the (folded) key at `pos` once the key is known to be new.
LONG AddEntry(LPSCB lpSCB, LONG pos, const char *lpszKey, const char *lpszPronunciation, WORD wTag) {
    const DWORD count = lpSCB->nDictEntries;
    const size_t keyLength = std::strlen(lpszKey);
    const size_t pronLength = std::strlen(lpszPronunciation);
    const uint64_t newPoolSize = uint64_t{lpSCB->nDictPoolSize} + keyLength + pronLength + 2;
    // Pool offsets are 32-bit and the count 16-bit: a change that would not
    // fit is refused like any other that finds no memory, before anything
    // changes.
    if (count >= kMaxDictEntries || newPoolSize > 0xFFFFFFFFu) {
        ReportError(lpSCB, SE_ERR_NOMEMORY);
        return SE_ERR_NOMEMORY;
    }
    const auto extraPool = static_cast<DWORD>(keyLength + pronLength + 2);
    const LONG grown = lpSCB->fDictInMemory != 0 ? GrowMemoryForm(lpSCB, extraPool) : MakeMemoryForm(lpSCB, 1, extraPool);
    if (grown != 0) {
        StoreCurrentDictionary(lpSCB);
        return grown;
    }
    const DWORD oldPoolSize = lpSCB->nDictPoolSize;
    std::memmove(Record(lpSCB, pos + 1), Record(lpSCB, pos), (count - pos) * kDictRecordSize);
    BYTE *record = Record(lpSCB, pos);
    record[0] = static_cast<BYTE>(wTag);
    record[1] = static_cast<BYTE>(wTag >> 8);
    StoreDword(record + 2, oldPoolSize);
    StoreDword(record + 6, oldPoolSize + static_cast<DWORD>(keyLength) + 1);
    std::memcpy(lpSCB->lpDictPool + oldPoolSize, lpszKey, keyLength + 1);
    std::memcpy(lpSCB->lpDictPool + oldPoolSize + keyLength + 1, lpszPronunciation, pronLength + 1);
    lpSCB->nDictEntries = count + 1;
    lpSCB->nDictPoolSize = static_cast<DWORD>(newPoolSize);
    StoreCurrentDictionary(lpSCB);
    return 0;
}

// Gives the entry at `pos` a new pronunciation and tag.  The effect is that
// of deleting the entry and inserting it again (the same place in the
// table, the new strings at the end of the pool, the old ones left behind
// until a save), done as one change: it either happens whole or fails with
// -101 leaving the old entry, so a replacement can never lose the key.
LONG ReplaceEntry(LPSCB lpSCB, LONG pos, const char *lpszPronunciation, WORD wTag) {
    const size_t pronLength = std::strlen(lpszPronunciation);
    const uint64_t newPoolSize = uint64_t{lpSCB->nDictPoolSize} + pronLength + 1;
    if (newPoolSize > 0xFFFFFFFFu) {
        ReportError(lpSCB, SE_ERR_NOMEMORY);
        return SE_ERR_NOMEMORY;
    }
    const auto extraPool = static_cast<DWORD>(pronLength + 1);
    if (lpSCB->fDictInMemory == 0) {
        if (MakeMemoryForm(lpSCB, 0, extraPool) != 0) return SE_ERR_NOMEMORY;
    } else {
        void *pool = ReallocBlock(lpSCB->lpDictPool, static_cast<size_t>(newPoolSize));
        if (pool == nullptr) return SE_ERR_NOMEMORY;
        lpSCB->lpDictPool = static_cast<char *>(pool);
    }
    const DWORD oldPoolSize = lpSCB->nDictPoolSize;
    BYTE *record = Record(lpSCB, pos);
    record[0] = static_cast<BYTE>(wTag);
    record[1] = static_cast<BYTE>(wTag >> 8);
    StoreDword(record + 6, oldPoolSize);
    std::memcpy(lpSCB->lpDictPool + oldPoolSize, lpszPronunciation, pronLength + 1);
    lpSCB->nDictPoolSize = static_cast<DWORD>(newPoolSize);
    StoreCurrentDictionary(lpSCB);
    return 0;
}

}  // namespace

// A missing key or pronunciation is refused as a key the dictionary cannot
// hold (-103), a missing SCB as one holding no font (-110).
extern "C" KAVAPI LONG KAVCALL DictInsert(LPSCB lpSCB, LPCSTR lpszKey, LPCSTR lpszPronunciation, WORD wTag) {
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    if (lpszKey == nullptr || lpszPronunciation == nullptr) return SE_ERR_NORULES;
    SetCurrentSCB(lpSCB);
    // Insertions never go into the kernel dictionary.
    if (NoUserDictionary(lpSCB)) {
        const LONG opened = OpenDictionary(lpSCB, nullptr, TRUE);
        if (opened != 0) return opened;
    }
    char *key = CopyFoldedKey(lpSCB, lpszKey, 0);
    if (key == nullptr) return SE_ERR_NOMEMORY;
    const LONG pos = InsertPosition(lpSCB, key);
    const LONG result = HasKeyAt(lpSCB, pos, key) ? ReplaceEntry(lpSCB, pos, lpszPronunciation, wTag)
                                                  : AddEntry(lpSCB, pos, key, lpszPronunciation, wTag);
    FreeBlock(key);
    return result;
}

extern "C" KAVAPI LONG KAVCALL DictDelete(LPSCB lpSCB, LPCSTR lpszKey) {
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    SetCurrentSCB(lpSCB);
    if (NoUserDictionary(lpSCB)) return SE_ERR_NOUSERDICT;
    if (lpSCB->lpDictTable == nullptr || lpSCB->lpDictPool == nullptr || lpszKey == nullptr) return SE_ERR_NORULES;
    char *key = CopyFoldedKey(lpSCB, lpszKey, 0);
    if (key == nullptr) return SE_ERR_NOMEMORY;
    const LONG index = SearchDictionary(key, kDictFind, KeyLength(key), lpSCB->lpDictTable, lpSCB->nDictEntries,
                                        lpSCB->lpDictPool);
    FreeBlock(key);
    if (index < 0) return SE_ERR_NORULES;
    if (lpSCB->fDictInMemory == 0 && MakeMemoryForm(lpSCB, 0, 0) != 0) return SE_ERR_NOMEMORY;
    const DWORD count = lpSCB->nDictEntries - 1;
    std::memmove(Record(lpSCB, index), Record(lpSCB, index + 1), (count - index) * kDictRecordSize);
    lpSCB->nDictEntries = count;
    if (count == 0) {
        // Nothing refers to the pool any more: both blocks go.
        FreeBlock(lpSCB->lpDictTable);
        FreeBlock(lpSCB->lpDictPool);
        lpSCB->lpDictTable = nullptr;
        lpSCB->lpDictPool = nullptr;
        lpSCB->nDictPoolSize = 0;
    } else if (void *table = ReallocBlock(lpSCB->lpDictTable, count * kDictRecordSize)) {
        lpSCB->lpDictTable = table;
    }
    StoreCurrentDictionary(lpSCB);
    return 0;
}
