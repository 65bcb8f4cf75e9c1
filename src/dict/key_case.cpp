// Keys in the font's dictionary case.  Keys are stored already folded, since
// every search compares bytes exactly, so every key a client hands in is
// folded the same way before use.
#include "dict/dictionary_edit.h"

#include "api/services.h"

#include <cstring>

namespace kav {

void FoldDictionaryKey(LONG nDictCase, char *lpszKey) {
    if (nDictCase == 1) {
        CharUpperA(lpszKey);
    } else if (nDictCase == 2) {
        CharLowerA(lpszKey);
    }
}

char *CopyFoldedKey(LPSCB lpSCB, const char *lpszKey, size_t extra) {
    const size_t length = std::strlen(lpszKey);
    auto *copy = static_cast<char *>(AllocBlock(length + 1 + extra));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, lpszKey, length + 1);
    FoldDictionaryKey(lpSCB->nDictCase, copy);
    return copy;
}

}  // namespace kav
