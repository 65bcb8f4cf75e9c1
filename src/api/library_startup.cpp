#include "api/library_startup.h"

#include "api/engine_state.h"

namespace kav {

BOOL LibraryStartup(HINSTANCE hInstance) {
    g_hEngineInstance = hInstance;
    // The same name always yields the same number, so a second start-up
    // (another attach) keeps the message every SCB already uses.
    g_uEngineMessage = RegisterWindowMessageA("Speech Engine");
    return TRUE;
}

}  // namespace kav
