// The dictionary exports that open, search, list, switch and save: each works
// on the current dictionary, the top of the SCB's stack.
#include "api/engine_state.h"
#include "api/services.h"
#include "dict/dictionary_edit.h"
#include "dict/dictionary_file.h"
#include "dict/dictionary_stack.h"

#include <climits>
#include <cstring>

using namespace kav;

namespace {

// One result record per function for the whole process: callers copy what
// they need before the next call.
DictEntry g_findEntry;
DictEntry g_listEntry;

LPDICTENTRY FillEntry(DictEntry &entry, LPSCB lpSCB, const void *record) {
    entry.wTag = DictRecordTag(record);
    entry.lpszKey = lpSCB->lpDictPool + DictRecordKey(record);
    entry.lpszPronunciation = lpSCB->lpDictPool + DictRecordPronunciation(record);
    return &entry;
}

}  // namespace

namespace kav {
void *LookupCurrentDictionary(const char *lpszKey, int nLength) {
    LPSCB lpSCB = CurrentSCB();
    if (lpSCB == nullptr || lpSCB->fDictActive == 0) return nullptr;
    const LONG index =
        SearchDictionary(lpszKey, kDictFind, nLength, lpSCB->lpDictTable, lpSCB->nDictEntries, lpSCB->lpDictPool);
    if (index < 0) return nullptr;
    return static_cast<BYTE *>(lpSCB->lpDictTable) + index * kDictRecordSize;
}
}  // namespace kav

extern "C" KAVAPI LONG KAVCALL DictNew(LPSCB lpSCB, LPCSTR lpszPath) {
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    SetCurrentSCB(lpSCB);
    // The kernel dictionary is never closed or replaced from here.
    if (NoUserDictionary(lpSCB)) return lpszPath != nullptr ? OpenDictionary(lpSCB, lpszPath, TRUE) : 0;
    return OpenDictionary(lpSCB, lpszPath, FALSE);
}

extern "C" KAVAPI LONG KAVCALL DictAdd(LPSCB lpSCB, LPCSTR lpszPath) {
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    SetCurrentSCB(lpSCB);
    return OpenDictionary(lpSCB, lpszPath, TRUE);
}

extern "C" KAVAPI LPDICTENTRY KAVCALL DictFind(LPSCB lpSCB, LPCSTR lpszKey) {
    if (lpSCB == nullptr || lpszKey == nullptr) return nullptr;
    SetCurrentSCB(lpSCB);
    char *key = CopyFoldedKey(lpSCB, lpszKey, 0);
    if (key == nullptr) return nullptr;
    const size_t length = std::strlen(key);
    const void *record = LookupCurrentDictionary(key, length > INT_MAX ? INT_MAX : static_cast<int>(length));
    FreeBlock(key);
    return record == nullptr ? nullptr : FillEntry(g_findEntry, lpSCB, record);
}

// Lists entries whether or not lookups are on.
extern "C" KAVAPI LPDICTENTRY KAVCALL DictGetEntry(LPSCB lpSCB, WORD wIndex) {
    if (lpSCB == nullptr || lpSCB->lpDictTable == nullptr) return nullptr;
    if (wIndex >= static_cast<WORD>(lpSCB->nDictEntries)) return nullptr;
    return FillEntry(g_listEntry, lpSCB, static_cast<const BYTE *>(lpSCB->lpDictTable) + wIndex * kDictRecordSize);
}

extern "C" KAVAPI WORD KAVCALL DictNumEntries(LPSCB lpSCB) {
    return lpSCB == nullptr ? 0 : static_cast<WORD>(lpSCB->nDictEntries);
}

extern "C" KAVAPI LONG KAVCALL DictActivate(LPSCB lpSCB, BOOL fActive) {
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    lpSCB->fDictActive = static_cast<DWORD>(fActive);
    return 0;
}

// The dictionary keeps its form: a memory-form dictionary stays in memory.
extern "C" KAVAPI LONG KAVCALL DictSave(LPSCB lpSCB, LPCSTR lpszPath) {
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    if (lpszPath == nullptr) return SE_ERR_DICTCREATE;
    SetCurrentSCB(lpSCB);
    return WriteDictionaryFile(lpSCB, lpszPath);
}
