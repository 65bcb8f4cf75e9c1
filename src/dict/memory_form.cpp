// The first change to a dictionary opened from a file copies it into memory
// blocks of its own and lets the file go: the file itself is never written
// but by DictSave.
#include "dict/dictionary_edit.h"

#include "api/services.h"
#include "dict/dictionary_stack.h"

#include <cstring>

namespace kav {

LONG MakeMemoryForm(LPSCB lpSCB, DWORD extraRecords, DWORD extraPool) {
    const DWORD count = lpSCB->nDictEntries;
    // An empty file's pool holds nothing any entry refers to.
    const DWORD poolSize = lpSCB->lpDictPool != nullptr ? lpSCB->nDictPoolSize : 0;
    const size_t tableBytes = static_cast<size_t>(count) * kDictRecordSize;
    auto *table = static_cast<BYTE *>(AllocBlock(tableBytes + extraRecords * kDictRecordSize));
    if (table == nullptr) return SE_ERR_NOMEMORY;
    auto *pool = static_cast<char *>(AllocBlock(static_cast<size_t>(poolSize) + extraPool));
    if (pool == nullptr) {
        FreeBlock(table);
        return SE_ERR_NOMEMORY;
    }
    if (lpSCB->lpDictTable != nullptr) std::memcpy(table, lpSCB->lpDictTable, tableBytes);
    if (lpSCB->lpDictPool != nullptr) std::memcpy(pool, lpSCB->lpDictPool, poolSize);
    CloseCurrentDictionary(lpSCB);
    ++lpSCB->nDictStack;  // the same entry, now in memory
    lpSCB->lpDictTable = table;
    lpSCB->lpDictPool = pool;
    lpSCB->nDictEntries = count;
    lpSCB->nDictPoolSize = poolSize;
    lpSCB->fDictInMemory = 1;
    StoreCurrentDictionary(lpSCB);
    return 0;
}

}  // namespace kav
