// Thread message queues: posting, peeking, getting, waiting and quitting.
#include "platform/posix/thread_record.h"
#include "platform/posix/window_table.h"
#include "platform/win32_error.h"
#include "platform/win32_message.h"

namespace kav::posix {
namespace {

// The window filter (HWND)-1: messages posted to the thread, not to a window.
const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

bool MatchesRange(UINT msg, UINT first, UINT last) {
    if (first == 0 && last == 0) return true;
    if (first <= last) return msg >= first && msg <= last;
    return msg >= first || msg <= last;  // a reversed range wraps, as on Windows
}

bool MatchesWindow(HWND target, HWND filter) {
    if (filter == nullptr) return true;
    if (filter == kThreadMessagesOnly) return target == nullptr;
    return target == filter;
}

void MakeQuit(MSG *out, WPARAM code) {
    *out = MSG{nullptr, WM_QUIT, code, 0, MessageTime(), {0, 0}};
}

// The first message of the queue that passes the filters, else a pending
// quit.  1 when *out holds a message, 0 when there is none, -1 when the
// window filter is invalid.  Call with ThreadLock() held.
int TakeMessage(ThreadRecord &self, MSG *out, HWND hWnd, UINT first, UINT last, bool remove) {
    if (hWnd != nullptr && hWnd != kThreadMessagesOnly && !IsLiveWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    self.newInput = false;
    for (auto it = self.queue.begin(); it != self.queue.end(); ++it) {
        if (MatchesWindow(it->hwnd, hWnd) && MatchesRange(it->message, first, last)) {
            *out = *it;
            if (remove) self.queue.erase(it);
            return 1;
        }
    }
    // A termination request stays: every later look reports quit again.
    if (self.terminateRequested) {
        MakeQuit(out, self.terminateCode);
        return 1;
    }
    if (self.quitPosted) {
        MakeQuit(out, self.quitCode);
        if (remove) self.quitPosted = false;
        return 1;
    }
    return 0;
}

}  // namespace

BOOL EnqueueMessage(ThreadRecord &thread, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (thread.queue.size() >= KAV_MESSAGE_QUEUE_LIMIT) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    thread.queue.push_back(MSG{hwnd, msg, wParam, lParam, MessageTime(), {0, 0}});
    thread.newInput = true;
    thread.changed.notify_all();
    return TRUE;
}

}  // namespace kav::posix

using kav::posix::ThreadLock;

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(ThreadLock());
    kav::posix::ThreadRecord *thread = kav::posix::FindLiveThread(idThread);
    if (thread == nullptr) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return kav::posix::EnqueueMessage(*thread, nullptr, Msg, wParam, lParam);
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (lpMsg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto self = kav::posix::CurrentThreadRecord();
    std::lock_guard<std::mutex> lock(ThreadLock());
    bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    return kav::posix::TakeMessage(*self, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove) > 0 ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (lpMsg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto self = kav::posix::CurrentThreadRecord();
    std::unique_lock<std::mutex> lock(ThreadLock());
    for (;;) {
        int found = kav::posix::TakeMessage(*self, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true);
        if (found < 0) return -1;
        if (found > 0) return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        self->changed.wait(lock);
    }
}

// Returns once something was posted since the thread last looked at its
// queue (a message already seen by PeekMessageA does not count), as Windows
// does.
BOOL WaitMessage() {
    auto self = kav::posix::CurrentThreadRecord();
    std::unique_lock<std::mutex> lock(ThreadLock());
    self->changed.wait(lock, [&] { return self->newInput; });
    self->newInput = false;
    return TRUE;
}

void PostQuitMessage(int nExitCode) {
    auto self = kav::posix::CurrentThreadRecord();
    std::lock_guard<std::mutex> lock(ThreadLock());
    self->quitPosted = true;
    self->quitCode = static_cast<WPARAM>(static_cast<intptr_t>(nExitCode));
    self->newInput = true;
    self->changed.notify_all();
}
