// Threads over POSIX threads.  Every thread the layer knows has a record
// bound to it through a thread-specific key; the key's destructor runs when
// the thread ends by any route (return, ExitThread, a client thread ending)
// and marks the record ended, which fails later posts to it and signals its
// handle.
#include "platform/posix/clock.h"
#include "platform/posix/thread_record.h"
#include "platform/posix/window_table.h"

#include "platform/win32_error.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <unordered_map>

namespace kav::posix {
namespace {

using Holder = std::shared_ptr<ThreadRecord>;

std::unordered_map<DWORD, ThreadRecord *> &LiveThreads() {
    static auto *table = new std::unordered_map<DWORD, ThreadRecord *>();
    return *table;
}

// Ids are never reused, so a post meant for an ended thread cannot reach a
// newer one.  Multiples of 4 from 4, as Windows hands them out.
DWORD NewThreadId() {
    static std::atomic<DWORD> next{4};
    return next.fetch_add(4);
}

void FinishThread(void *value) {
    auto *holder = static_cast<Holder *>(value);
    ThreadRecord &t = **holder;
    {
        std::lock_guard<std::mutex> lock(ThreadLock());
        t.ended = true;
        t.exitCode = t.terminateRequested ? t.terminateCode : t.returnCode;
        LiveThreads().erase(t.id);
        t.queue.clear();
        DestroyWindowsOfThread(t.id);
        t.changed.notify_all();
    }
    delete holder;
}

pthread_key_t RecordKey() {
    static pthread_key_t key = [] {
        pthread_key_t k;
        pthread_key_create(&k, FinishThread);
        return k;
    }();
    return key;
}

// Registers a record as live under a new id.
Holder NewRecord() {
    auto record = std::make_shared<ThreadRecord>();
    record->id = NewThreadId();
    std::lock_guard<std::mutex> lock(ThreadLock());
    LiveThreads().emplace(record->id, record.get());
    return record;
}

void *ThreadMain(void *arg) {
    auto *holder = static_cast<Holder *>(arg);
    ThreadRecord &t = **holder;
    pthread_setspecific(RecordKey(), holder);  // FinishThread ends the record
    bool run;
    {
        std::unique_lock<std::mutex> lock(ThreadLock());
        t.changed.wait(lock, [&] { return t.suspendCount == 0 || t.terminateRequested; });
        run = !t.terminateRequested;
    }
    if (run) {
        DWORD code = t.start(t.parameter);
        std::lock_guard<std::mutex> lock(ThreadLock());
        t.returnCode = code;
    }
    return nullptr;
}

// Windows reserves a default-sized stack and treats a smaller size as the
// initial commit only, so a size below the default changes nothing here.
size_t StackSizeFor(size_t requested) {
    pthread_attr_t attr;
    size_t fallback = 0;
    if (pthread_attr_init(&attr) == 0) {
        pthread_attr_getstacksize(&attr, &fallback);
        pthread_attr_destroy(&attr);
    }
    return requested > fallback ? requested : 0;
}

bool ValidPriority(int n) {
    return n == THREAD_PRIORITY_IDLE || n == THREAD_PRIORITY_TIME_CRITICAL ||
           (n >= THREAD_PRIORITY_LOWEST && n <= THREAD_PRIORITY_HIGHEST);
}

std::shared_ptr<ThreadRecord> ThreadFromHandle(HANDLE h) {
    auto t = ReferenceHandleAs<ThreadRecord>(h);
    if (t == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return t;
}

}  // namespace

std::mutex &ThreadLock() {
    static auto *lock = new std::mutex();
    return *lock;
}

std::shared_ptr<ThreadRecord> CurrentThreadRecord() {
    if (auto *holder = static_cast<Holder *>(pthread_getspecific(RecordKey()))) return *holder;
    Holder record = NewRecord();
    pthread_setspecific(RecordKey(), new Holder(record));
    return record;
}

ThreadRecord *FindLiveThread(DWORD id) {
    auto it = LiveThreads().find(id);
    return it == LiveThreads().end() ? nullptr : it->second;
}

DWORD ThreadRecord::Wait(DWORD dwMilliseconds) {
    std::unique_lock<std::mutex> lock(ThreadLock());
    return WaitWithTimeout(changed, lock, dwMilliseconds, [&] { return ended; }) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD MessageTime() { return kav::posix::ClockToTimeGetTime(kav::posix::ClockNowMs()); }

}  // namespace kav::posix

using kav::posix::ThreadLock;
using kav::posix::ThreadRecord;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, size_t dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (lpStartAddress == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<ThreadRecord> record = kav::posix::NewRecord();
    record->start = lpStartAddress;
    record->parameter = lpParameter;
    record->suspendCount = (dwCreationFlags & CREATE_SUSPENDED) ? 1 : 0;
    HANDLE handle = kav::posix::InsertHandle(record);

    pthread_attr_t attr;
    bool started = false;
    if (handle != nullptr && pthread_attr_init(&attr) == 0) {
        pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
        if (size_t size = kav::posix::StackSizeFor(dwStackSize)) pthread_attr_setstacksize(&attr, size);
        auto *holder = new std::shared_ptr<ThreadRecord>(record);
        pthread_t thread;
        started = pthread_create(&thread, &attr, kav::posix::ThreadMain, holder) == 0;
        if (!started) delete holder;
        pthread_attr_destroy(&attr);
    }
    if (!started) {
        {
            std::lock_guard<std::mutex> lock(ThreadLock());
            kav::posix::LiveThreads().erase(record->id);
        }
        if (handle != nullptr) CloseHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (lpThreadId != nullptr) *lpThreadId = record->id;
    return handle;
}

DWORD ResumeThread(HANDLE hThread) {
    auto t = kav::posix::ThreadFromHandle(hThread);
    if (t == nullptr) return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> lock(ThreadLock());
    DWORD previous = static_cast<DWORD>(t->suspendCount);
    if (t->suspendCount > 0 && --t->suspendCount == 0) t->changed.notify_all();
    return previous;
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
    if (kav::posix::ThreadFromHandle(hThread) == nullptr) return FALSE;
    if (!kav::posix::ValidPriority(nPriority)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL TerminateThread(HANDLE hThread, DWORD dwExitCode) {
    auto t = kav::posix::ThreadFromHandle(hThread);
    if (t == nullptr) return FALSE;
    std::lock_guard<std::mutex> lock(ThreadLock());
    if (!t->ended && !t->terminateRequested) {
        t->terminateRequested = true;
        t->terminateCode = dwExitCode;
        t->newInput = true;
        t->changed.notify_all();
    }
    return TRUE;
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    auto t = kav::posix::ThreadFromHandle(hThread);
    if (t == nullptr) return FALSE;
    if (lpExitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(ThreadLock());
    *lpExitCode = t->exitCode;
    return TRUE;
}

void ExitThread(DWORD dwExitCode) {
    {
        std::shared_ptr<ThreadRecord> self = kav::posix::CurrentThreadRecord();
        std::lock_guard<std::mutex> lock(ThreadLock());
        self->returnCode = dwExitCode;
    }
    pthread_exit(nullptr);
}

HANDLE GetCurrentThread() { return kav::posix::CurrentThreadPseudoHandle(); }

DWORD GetCurrentThreadId() { return kav::posix::CurrentThreadRecord()->id; }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

// Sleeping follows the platform clock, so that tests driving the clock
// drive every sleeping engine thread with it.
void Sleep(DWORD dwMilliseconds) { kav::posix::ClockSleep(dwMilliseconds); }
