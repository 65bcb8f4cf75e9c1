// What the platform layer knows about a thread: its id, its life (start,
// suspension, end, exit code) and its message queue.  One record per thread
// that was made by CreateThread or has called into the layer; the record
// outlives the thread while handles refer to it.
//
// Every field is guarded by ThreadLock(): messaging is rare enough that one
// lock for all queues costs nothing and keeps posts, ends and windows
// consistent with one another.
#pragma once

#include "platform/posix/kernel_object.h"
#include "platform/win32_thread.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace kav::posix {

struct ThreadRecord : KernelObject {
    DWORD id = 0;

    // Life.
    int suspendCount = 0;
    bool ended = false;
    DWORD returnCode = 0;         // from the start routine or ExitThread
    DWORD exitCode = STILL_ACTIVE;
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;

    // Message queue.
    std::deque<MSG> queue;
    bool newInput = false;        // a post since the thread last looked
    bool quitPosted = false;
    WPARAM quitCode = 0;
    bool terminateRequested = false;
    DWORD terminateCode = 0;

    // Signalled on every change above: posts, resumption, termination, end.
    std::condition_variable changed;

    DWORD Wait(DWORD dwMilliseconds) override;
};

std::mutex &ThreadLock();

// The calling thread's record, made on first use (with its queue).
std::shared_ptr<ThreadRecord> CurrentThreadRecord();

// The record of a thread that has not ended, or null.  Call with
// ThreadLock() held.
ThreadRecord *FindLiveThread(DWORD id);

// Puts a message on a live thread's queue and wakes it.  Call with
// ThreadLock() held.  FALSE with the last error set when the queue is full.
BOOL EnqueueMessage(ThreadRecord &thread, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Milliseconds from a monotonic clock, the time stamp of queued messages.
DWORD MessageTime();

}  // namespace kav::posix
