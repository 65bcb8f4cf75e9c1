// Dictionary files: mapping one as the current dictionary, checking what it
// holds, and writing the current dictionary to a file.
#pragma once

#include "dict/dictionary.h"

namespace kav {

// Longest dictionary path: the mapping name "TM_" + path + NUL must fit the
// 128-byte name block, and the path the SCB's 128-byte szDictFile.
constexpr size_t kDictPathLimit = SE_PATH_SIZE - 4;

// Opens `path` read-only, checks the flags word and maps the whole file,
// sharing the mapping named "TM_" + path (backslashes as '/') with every SCB
// and process that maps the same file.  Fills the view, file and mapping
// fields of the current descriptor and writes the name into its name block
// (allocated by the caller).  0, -109, -105 or -106; on failure nothing is
// left open.
LONG MapDictionaryFile(LPSCB lpSCB, const char *lpszPath, DWORD *lpdwFileSize);

// Unmaps the current view (a failure is reported as -108 and the close goes
// on), closes the mapping and the file.
void UnmapDictionaryFile(LPSCB lpSCB);

// Whether `size` bytes from `view` are a dictionary the search can use
// safely: the table fits, every key and pronunciation offset lands on a
// NUL-terminated string inside the pool, and the keys ascend strictly.
bool IsSoundDictionaryFile(const BYTE *view, DWORD size);

// Writes the current dictionary to `path`: file form as mapped, memory form
// with a compacted pool.  The file is written under a temporary name in the
// same directory and renamed over `path`, so a failure leaves any previous
// file untouched.  0, -107 (cannot create) or -104 (short write).
LONG WriteDictionaryFile(LPSCB lpSCB, const char *lpszPath);

}  // namespace kav
