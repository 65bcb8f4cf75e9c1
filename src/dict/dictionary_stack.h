// The SCB's dictionary stack and its current dictionary.
//
// The SCB keeps the current dictionary's descriptor in its own fields (a copy
// of the top stack entry) and the stack in lpDictStack: nDictStack
// descriptors, bottom first.  Every operation that changes the current
// dictionary writes the descriptor back into the top entry.
#pragma once

#include "dict/dictionary.h"

namespace kav {

DictDescriptor CurrentDictionary(LPSCB lpSCB);
void SetCurrentDictionary(LPSCB lpSCB, const DictDescriptor &d);
void ClearCurrentDictionary(LPSCB lpSCB);

// Stack entry `index` (below nDictStack, or the slot just above it).
DictDescriptor *DictStackEntry(LPSCB lpSCB, LONG index);
// Writes the current descriptor into the top entry.
void StoreCurrentDictionary(LPSCB lpSCB);
// True when the stack holds no dictionary the client may change: it is
// empty, or holds only the font's kernel dictionary.
bool NoUserDictionary(LPSCB lpSCB);

// Releases the current dictionary (memory form: its blocks; file form: its
// mapping) and takes it off the count, then clears the descriptor.  With an
// empty descriptor it only clears.
void CloseCurrentDictionary(LPSCB lpSCB);

// Closes the current dictionary; then opens `lpszPath` as the current one,
// or, with no path, makes the entry below current again (freeing the stack
// block when it is empty).  0 or the open's error code.
LONG SelectDictionary(LPSCB lpSCB, const char *lpszPath);

// Opens a file dictionary (or, with no path and fPush, a new empty one in
// memory) and pushes it (fPush) or puts it in place of the top (no fPush;
// with no path that pops the top).  On failure the top entry that remains
// is current again.  0, -101, or the open's error code.
LONG OpenDictionary(LPSCB lpSCB, const char *lpszPath, BOOL fPush);

}  // namespace kav
