// Message boxes on a system without a desktop: a line on standard error, or
// the client's hook.  The engine never waits on a human here.
#include "platform/win32_user.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<KAVMSGBOXHOOK> g_hook{nullptr};
}

extern "C" KAVAPI void KAVCALL KavSetMessageBoxHook(KAVMSGBOXHOOK lpfnHook) { g_hook.store(lpfnHook); }

HWND GetFocus() { return nullptr; }

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const char *text = lpText != nullptr ? lpText : "";
    const char *caption = lpCaption != nullptr ? lpCaption : "";
    if (KAVMSGBOXHOOK hook = g_hook.load()) {
        hook(caption, text, uType);
    } else {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        std::fflush(stderr);
    }
    return IDOK;
}
