// Opening, selecting and closing the dictionaries of an SCB's stack.
#include "dict/dictionary_stack.h"

#include "api/services.h"
#include "dict/dictionary_file.h"

#include <cstdio>
#include <cstring>

namespace kav {

DictDescriptor CurrentDictionary(LPSCB lpSCB) {
    return DictDescriptor{lpSCB->lpDictTable,   lpSCB->lpDictPool, lpSCB->nDictEntries,
                          lpSCB->nDictPoolSize, lpSCB->lpDictView, lpSCB->lpDictMapName,
                          lpSCB->hDictFile,     lpSCB->hDictMapping, lpSCB->fDictInMemory};
}

void SetCurrentDictionary(LPSCB lpSCB, const DictDescriptor &d) {
    lpSCB->lpDictTable = d.lpDictTable;
    lpSCB->lpDictPool = d.lpDictPool;
    lpSCB->nDictEntries = d.nDictEntries;
    lpSCB->nDictPoolSize = d.nDictPoolSize;
    lpSCB->lpDictView = d.lpDictView;
    lpSCB->lpDictMapName = d.lpDictMapName;
    lpSCB->hDictFile = d.hDictFile;
    lpSCB->hDictMapping = d.hDictMapping;
    lpSCB->fDictInMemory = d.fDictInMemory;
}

void ClearCurrentDictionary(LPSCB lpSCB) { SetCurrentDictionary(lpSCB, DictDescriptor{}); }

DictDescriptor *DictStackEntry(LPSCB lpSCB, LONG index) {
    return static_cast<DictDescriptor *>(lpSCB->lpDictStack) + index;
}

void StoreCurrentDictionary(LPSCB lpSCB) {
    if (lpSCB->nDictStack > 0) *DictStackEntry(lpSCB, lpSCB->nDictStack - 1) = CurrentDictionary(lpSCB);
}

bool NoUserDictionary(LPSCB lpSCB) {
    return lpSCB->nDictStack == 0 || (lpSCB->nDictStack == 1 && lpSCB->fKernelDict != 0);
}

void CloseCurrentDictionary(LPSCB lpSCB) {
    if (lpSCB->fDictInMemory != 0) {
        if (lpSCB->lpDictTable != nullptr) FreeBlock(lpSCB->lpDictTable);
        if (lpSCB->lpDictPool != nullptr) FreeBlock(lpSCB->lpDictPool);
        --lpSCB->nDictStack;
    } else if (lpSCB->lpDictView != nullptr) {
        UnmapDictionaryFile(lpSCB);
        --lpSCB->nDictStack;
    }
    char *name = lpSCB->lpDictMapName;
    ClearCurrentDictionary(lpSCB);
    if (name != nullptr) FreeBlock(name);
}

namespace {

void FreeStackBlock(LPSCB lpSCB) {
    if (lpSCB->lpDictStack != nullptr) FreeBlock(lpSCB->lpDictStack);
    lpSCB->lpDictStack = nullptr;
}

// Opens `lpszPath` into the (empty) current descriptor as a file-form
// dictionary.  The checks of IsSoundDictionaryFile run here, once, so that
// nothing later reads outside the mapping.
LONG OpenFileDictionary(LPSCB lpSCB, const char *lpszPath) {
    lpSCB->lpDictMapName = static_cast<char *>(AllocBlock(SE_PATH_SIZE));
    if (lpSCB->lpDictMapName == nullptr) return SE_ERR_NOMEMORY;
    DWORD size = 0;
    LONG result = MapDictionaryFile(lpSCB, lpszPath, &size);
    if (result == 0) {
        const auto *view = static_cast<const BYTE *>(lpSCB->lpDictView);
        if (IsSoundDictionaryFile(view, size)) {
            const DWORD count = static_cast<DWORD>(view[0] | (view[1] << 8));
            const DWORD tableBytes = count * static_cast<DWORD>(kDictRecordSize);
            lpSCB->nDictEntries = count;
            lpSCB->nDictPoolSize = size - tableBytes - static_cast<DWORD>(kDictHeaderSize);
            // An empty dictionary stays mapped, with no table and no pool.
            if (tableBytes != 0 && lpSCB->nDictPoolSize != 0) {
                lpSCB->lpDictTable = const_cast<BYTE *>(view + kDictHeaderSize);
                lpSCB->lpDictPool = reinterpret_cast<char *>(const_cast<BYTE *>(view + kDictHeaderSize + tableBytes));
            }
            std::snprintf(lpSCB->szDictFile, sizeof lpSCB->szDictFile, "%s", lpszPath);
            return 0;
        }
        UnmapDictionaryFile(lpSCB);
        result = SE_ERR_BADDICT;
    }
    FreeBlock(lpSCB->lpDictMapName);
    ClearCurrentDictionary(lpSCB);
    return result;
}

}  // namespace

LONG SelectDictionary(LPSCB lpSCB, const char *lpszPath) {
    CloseCurrentDictionary(lpSCB);
    if (lpszPath != nullptr) return OpenFileDictionary(lpSCB, lpszPath);
    if (lpSCB->nDictStack <= 0) {
        lpSCB->nDictStack = 0;
        FreeStackBlock(lpSCB);
        ClearCurrentDictionary(lpSCB);
        return 0;
    }
    // Shrinking never fails; should it, the larger block serves as well.
    void *stack = ReallocBlock(lpSCB->lpDictStack, lpSCB->nDictStack * sizeof(DictDescriptor));
    if (stack != nullptr) lpSCB->lpDictStack = stack;
    SetCurrentDictionary(lpSCB, *DictStackEntry(lpSCB, lpSCB->nDictStack - 1));
    return 0;
}

LONG OpenDictionary(LPSCB lpSCB, const char *lpszPath, BOOL fPush) {
    // A replacement normally takes the slot of the entry it closes; with no
    // current dictionary to close it needs a new slot, as a push does.
    const bool emptyCurrent = lpSCB->fDictInMemory == 0 && lpSCB->lpDictView == nullptr;
    if (fPush || (lpszPath != nullptr && emptyCurrent)) {
        void *stack = ReallocBlock(lpSCB->lpDictStack, (lpSCB->nDictStack + 1) * sizeof(DictDescriptor));
        if (stack == nullptr) return SE_ERR_NOMEMORY;
        lpSCB->lpDictStack = stack;
    }
    if (fPush) {
        // With the current descriptor cleared, the close inside
        // SelectDictionary leaves the entry below untouched.
        ClearCurrentDictionary(lpSCB);
        lpSCB->fDictInMemory = lpszPath == nullptr ? 1 : 0;
    }
    LONG result = 0;
    if (lpszPath != nullptr || !fPush) {
        result = SelectDictionary(lpSCB, lpszPath);
        if (lpszPath == nullptr) return result;
    }
    if (result == 0) {
        // A replacement reuses the slot of the entry it closed.
        lpSCB->fDictInMemory = lpszPath == nullptr ? 1 : 0;
        *DictStackEntry(lpSCB, lpSCB->nDictStack) = CurrentDictionary(lpSCB);
        ++lpSCB->nDictStack;
        return 0;
    }
    if (lpSCB->nDictStack > 0) {
        SetCurrentDictionary(lpSCB, *DictStackEntry(lpSCB, lpSCB->nDictStack - 1));
    } else {
        // The last entry is gone (a failed first push, or a failed
        // replacement of the only one): the stack block goes with it.
        FreeStackBlock(lpSCB);
        ClearCurrentDictionary(lpSCB);
    }
    return result;
}

}  // namespace kav
