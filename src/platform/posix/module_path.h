// Where a module path written the Windows way lies on this file system.
#pragma once

#include <string>

namespace kav::posix {

// Backslashes become '/'.  When the file does not exist as spelled, its
// directory is searched for a name that differs only in ASCII letter case
// (fonts are registered as "KAL16.DLL" but may be shipped as kal16.dll).
// Only the last component is matched this way.  Empty when nothing matches.
std::string ResolveModulePath(const char *path);

}  // namespace kav::posix
