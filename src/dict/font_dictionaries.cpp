// Opening and closing a speech font's dictionaries.
#include "dict/font_dictionaries.h"

#include "dict/dictionary_file.h"
#include "dict/dictionary_stack.h"

#include <cstdio>
#include <cstring>

namespace kav {

namespace {

// The font directory and the kernel file's name, "%s\%s".  A result that does
// not fit a dictionary path is left empty, which no open accepts, rather
// than cut into the name of some other file.
void KernelPath(LPSCB lpSCB, const char *lpszName, size_t cbName, char (&path)[SE_PATH_SIZE]) {
    const size_t dir = strnlen(lpSCB->szFontPath, sizeof lpSCB->szFontPath);
    if (dir + 1 + cbName > kDictPathLimit) {
        path[0] = '\0';
        return;
    }
    std::memcpy(path, lpSCB->szFontPath, dir);
    path[dir] = '\\';
    std::memcpy(path + dir + 1, lpszName, cbName);
    path[dir + 1 + cbName] = '\0';
}

}  // namespace

void OpenKernelDictionary(LPSCB lpSCB, HGLOBAL hKernelDic) {
    lpSCB->fKernelDict = 0;
    if (hKernelDic == nullptr) return;
    // The name ends at its NUL or at the end of the resource, whichever
    // comes first: a font is outside input.
    const auto *name = static_cast<const char *>(LockResource(hKernelDic));
    const size_t cbName = name == nullptr ? 0 : strnlen(name, SizeofResourceData(hKernelDic));
    char path[SE_PATH_SIZE];
    KernelPath(lpSCB, name, cbName, path);
    const LONG result = OpenDictionary(lpSCB, path, TRUE);
    ClearCurrentDictionary(lpSCB);
    // A kernel file that could not be opened leaves no kernel dictionary:
    // the default dictionary then sits at the bottom as a user dictionary.
    lpSCB->fKernelDict = result == 0 ? 1 : 0;
}

void CloseFontDictionaries(LPSCB lpSCB) {
    for (LONG i = lpSCB->nDictStack - 1; i >= 0; --i) {
        SetCurrentDictionary(lpSCB, *DictStackEntry(lpSCB, i));
        lpSCB->nStatus = static_cast<SHORT>(SelectDictionary(lpSCB, nullptr));
    }
    ClearCurrentDictionary(lpSCB);
}

}  // namespace kav
