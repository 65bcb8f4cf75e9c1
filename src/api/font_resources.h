// Reading a speech font's resources: numbered resources by type name and id,
// and the numeric parameters (raw-data resources of one 32-bit integer).
#pragma once

#include "platform/platform.h"

namespace kav {

// The loaded (not locked) resource of that type and id, or NULL.
HGLOBAL LoadFontResource(HMODULE hModule, LPCSTR lpszType, WORD id);

// Releases a resource handle if set and clears it.
void ReleaseFontResource(HGLOBAL *phRes);

// Reads the first 32-bit little-endian signed value of resource `lpszName`
// of type `lpszType` into *out and returns 0.  Returns -1 and leaves *out
// alone when the resource is missing or holds fewer than four bytes.
LONG LoadFontInteger(HMODULE hModule, LPCSTR lpszName, LPCSTR lpszType, LONG *out);

}  // namespace kav
