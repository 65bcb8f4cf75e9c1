// Windows as message targets, and the Linux client's functions to make
// windows and pump their messages.  A handle is a small even number from
// 0x10000, never reused and below 2^31, so it survives a trip through a
// 32-bit parameter.
#include "platform/posix/thread_record.h"
#include "platform/posix/window_table.h"
#include "platform/win32_error.h"
#include "platform/win32_message.h"

#include <unordered_map>

namespace kav::posix {
namespace {

struct Window {
    DWORD owner;
    KAVWNDPROC procedure;
    void *userData;
};

uintptr_t g_nextWindow = 0x10000;
constexpr uintptr_t kLastWindow = 0x7FFFFFFE;

std::unordered_map<HWND, Window> &Windows() {
    static auto *table = new std::unordered_map<HWND, Window>();
    return *table;
}

}  // namespace

bool IsLiveWindow(HWND hwnd) { return Windows().count(hwnd) != 0; }

void DestroyWindowsOfThread(DWORD id) {
    std::erase_if(Windows(), [id](const auto &entry) { return entry.second.owner == id; });
}

}  // namespace kav::posix

using kav::posix::ThreadLock;
using kav::posix::Windows;

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<kav::posix::ThreadRecord> self;
    if (hWnd == nullptr) self = kav::posix::CurrentThreadRecord();  // NULL posts to the caller's queue
    std::lock_guard<std::mutex> lock(ThreadLock());
    if (self != nullptr) return kav::posix::EnqueueMessage(*self, nullptr, Msg, wParam, lParam);
    auto it = Windows().find(hWnd);
    kav::posix::ThreadRecord *owner = it == Windows().end() ? nullptr : kav::posix::FindLiveThread(it->second.owner);
    if (owner == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return kav::posix::EnqueueMessage(*owner, hWnd, Msg, wParam, lParam);
}

// Calls the procedure of a window of the calling thread; messages without a
// window, and windows of other threads, are not dispatched.
LRESULT DispatchMessageA(const MSG *lpMsg) {
    if (lpMsg == nullptr || lpMsg->hwnd == nullptr) return 0;
    DWORD self = GetCurrentThreadId();
    kav::posix::Window window;
    {
        std::lock_guard<std::mutex> lock(ThreadLock());
        auto it = Windows().find(lpMsg->hwnd);
        if (it == Windows().end() || it->second.owner != self) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        window = it->second;
    }
    return window.procedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam, window.userData);
}

extern "C" KAVAPI HWND KAVCALL KavCreateWindow(KAVWNDPROC lpfnWndProc, void *lpUserData) {
    if (lpfnWndProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD self = GetCurrentThreadId();
    std::lock_guard<std::mutex> lock(ThreadLock());
    if (kav::posix::g_nextWindow > kav::posix::kLastWindow) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HWND hwnd = reinterpret_cast<HWND>(kav::posix::g_nextWindow);
    kav::posix::g_nextWindow += 2;
    Windows().emplace(hwnd, kav::posix::Window{self, lpfnWndProc, lpUserData});
    return hwnd;
}

// Only the owner may destroy a window.  Messages still queued for it are
// dropped, so its procedure is never called after this.
extern "C" KAVAPI BOOL KAVCALL KavDestroyWindow(HWND hwnd) {
    auto self = kav::posix::CurrentThreadRecord();
    std::lock_guard<std::mutex> lock(ThreadLock());
    auto it = Windows().find(hwnd);
    if (it == Windows().end()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (it->second.owner != self->id) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    Windows().erase(it);
    std::erase_if(self->queue, [hwnd](const MSG &m) { return m.hwnd == hwnd; });
    return TRUE;
}

extern "C" KAVAPI BOOL KAVCALL KavGetMessage(MSG *lpMsg, HWND hwnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    return GetMessageA(lpMsg, hwnd, wMsgFilterMin, wMsgFilterMax);
}

extern "C" KAVAPI BOOL KAVCALL KavPeekMessage(MSG *lpMsg, HWND hwnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                               UINT wRemoveMsg) {
    return PeekMessageA(lpMsg, hwnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg);
}

extern "C" KAVAPI LRESULT KAVCALL KavDispatchMessage(const MSG *lpMsg) { return DispatchMessageA(lpMsg); }

extern "C" KAVAPI BOOL KAVCALL KavPostMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(hwnd, uMsg, wParam, lParam);
}
