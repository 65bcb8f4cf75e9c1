#include "api/housekeeping.h"

#include "api/engine_state.h"
#include "api/services.h"

#include <atomic>
#include <mutex>

namespace kav {

namespace {

std::mutex g_lock;            // guards the fields below
LONG g_nUsers = 0;            // open SCBs
HANDLE g_hThread = nullptr;
DWORD g_idThread = 0;
std::atomic<bool> g_queueReady{false};

DWORD WINAPI HousekeepingMain(LPVOID) {
    MSG msg;
    // Make the queue exist before anyone posts to it: a post to a thread
    // without one is dropped.
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    g_queueReady.store(true);
    // Ends on WM_QUIT (posted by the last ReleaseHousekeeping, after every
    // block posted before it) or when the queue fails.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == g_uEngineMessage && msg.wParam == SE_THREADEXIT && msg.lParam != 0)
            FreeBlock(reinterpret_cast<void *>(msg.lParam));
    }
    return 0;
}

}  // namespace

bool AcquireHousekeeping() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_nUsers == 0) {
        g_queueReady.store(false);
        DWORD id = 0;
        HANDLE h = CreateThread(nullptr, 0, HousekeepingMain, nullptr, 0, &id);
        if (h == nullptr) return false;
        // A yield, not a sleep on the clock, which a test may hold still.
        while (!g_queueReady.load()) Sleep(0);
        g_hThread = h;
        g_idThread = id;
    }
    ++g_nUsers;
    return true;
}

void ReleaseHousekeeping() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_nUsers == 0 || --g_nUsers > 0) return;
    PostThreadMessageA(g_idThread, WM_QUIT, 0, 0);
    WaitForSingleObject(g_hThread, INFINITE);
    CloseHandle(g_hThread);
    g_hThread = nullptr;
    g_idThread = 0;
}

DWORD HousekeepingThreadId() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_idThread;
}

}  // namespace kav
