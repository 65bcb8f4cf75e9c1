// What changing the current dictionary needs: keys folded to the font's
// dictionary case, and the change from the file form to the memory form.
#pragma once

#include "dict/dictionary.h"

#include <cstddef>

namespace kav {

// Folds a key in place by the font's DICTIONARYCASE: 1 upper case, 2 lower
// case (Windows-1252 rules), anything else leaves it as it is.
void FoldDictionaryKey(LONG nDictCase, char *lpszKey);

// A new block holding the key, folded, with `extra` spare bytes after its
// NUL; NULL (after the -101 report) when it cannot be had.
char *CopyFoldedKey(LPSCB lpSCB, const char *lpszKey, size_t extra);

// Turns a file-form current dictionary into its memory form: its table and
// pool are copied into new blocks with room for `extraRecords` more records
// and `extraPool` more pool bytes, and the file is unmapped and closed.  The
// entry keeps its place on the stack.  0, or -101 with nothing changed.
LONG MakeMemoryForm(LPSCB lpSCB, DWORD extraRecords, DWORD extraPool);

}  // namespace kav
