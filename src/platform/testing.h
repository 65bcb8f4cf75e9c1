// Test seams of the platform layer: resource data handles over bytes a test
// built, without a font module, and a registry read from a file of the
// test's choosing.
#pragma once

#include "platform/win32_types.h"

#include <cstddef>
#include <string>

namespace kav::testing {

// A resource data handle holding a copy of the bytes; release it with
// FreeResource.
HGLOBAL MakeResource(const void *bytes, size_t size);

// Reads the registry again, from `path`, or when it is NULL by the usual
// search ($KAVREL_REGISTRY, /etc/kavrel, beside the library).  Returns the
// file read, "" when there was none.  Keys opened before stay usable and
// keep showing the old contents.
std::string ReloadRegistry(const char *path);

}  // namespace kav::testing
