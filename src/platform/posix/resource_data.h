// How a resource data handle looks on Linux: a record naming the bytes of
// one resource inside a mapped module (or, in tests, a private copy).
#pragma once

#include "platform/win32_types.h"

#include <cstdint>

namespace kav::posix {

// Makes a live resource data handle over [data, data + size).  The bytes
// must outlive the handle; ownsCopy makes the handle keep its own copy.
// owner tags the handles of one module (0: none), so that releasing the
// module can end them all at once.
HGLOBAL NewResourceData(const void *data, DWORD size, bool ownsCopy, uintptr_t owner = 0);

// Ends a handle made by NewResourceData; false if it is not a live handle.
bool DeleteResourceData(HGLOBAL hResData);

// Ends every live handle made with this owner tag (a nonzero one).
void DeleteResourceDataOwnedBy(uintptr_t owner);

}  // namespace kav::posix
