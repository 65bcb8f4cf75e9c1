#include "api/library_startup.h"

#include "api/engine_state.h"

namespace kav {

BOOL LibraryStartup(HINSTANCE hInstance) {
    g_hEngineInstance = hInstance;
    return TRUE;
}

}  // namespace kav
