// Test seams of the platform layer for resources: lets a test hand engine
// code a resource data handle over bytes it built, without a font module.
#pragma once

#include "platform/win32_types.h"

#include <cstddef>

namespace kav::testing {

// A resource data handle holding a copy of the bytes; release it with
// FreeResource.
HGLOBAL MakeResource(const void *bytes, size_t size);

}  // namespace kav::testing
