// Library probe over the dynamic loader.
#include "platform/system_library.h"

#include <dlfcn.h>

namespace kav::platform {

bool SystemLibraryLoadable(const char *name) {
    if (name == nullptr || *name == '\0') return false;
    // RTLD_LAZY: only whether the file loads matters, not its symbols.
    void *handle = dlopen(name, RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

}  // namespace kav::platform
