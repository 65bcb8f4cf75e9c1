// The shared library's load-time entry: the loader's attach notification on
// Windows.  Only the shared library carries it; programs that link the
// engine statically (the tests) call LibraryStartup themselves.
#include "api/library_startup.h"

#include <dlfcn.h>

namespace {
__attribute__((constructor)) void OnLibraryLoad() {
    Dl_info info{};
    HINSTANCE self = nullptr;
    if (dladdr(reinterpret_cast<void *>(&OnLibraryLoad), &info) != 0)
        self = static_cast<HINSTANCE>(info.dli_fbase);
    kav::LibraryStartup(self);
}
}  // namespace
