// How a resource data handle looks on Linux: a record naming the bytes of
// one resource inside a mapped module (or, in tests, a private copy).
#pragma once

#include "platform/win32_types.h"

namespace kav::posix {

// Makes a live resource data handle over [data, data + size).  The bytes
// must outlive the handle; ownsCopy makes the handle keep its own copy.
HGLOBAL NewResourceData(const void *data, DWORD size, bool ownsCopy);

// Ends a handle made by NewResourceData; false if it is not a live handle.
bool DeleteResourceData(HGLOBAL hResData);

}  // namespace kav::posix
