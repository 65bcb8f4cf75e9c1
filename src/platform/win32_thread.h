// Threads, sleeping and the process id.
//
// On Linux a thread is a POSIX thread.  Two Windows operations cannot be done
// safely to another POSIX thread, and behave as follows:
// - SetThreadPriority is advisory: it checks the handle and succeeds, as a
//   normal process may not raise its threads to real-time priority anyway.
// - TerminateThread is a request: the target's message queue reports quit
//   (GetMessageA returns 0, PeekMessageA returns WM_QUIT) once the messages
//   already queued have been retrieved, it wakes the target if it waits in
//   GetMessageA or WaitMessage, and the thread's exit code becomes the one
//   given.  A thread created suspended and never resumed ends at once.  The
//   engine terminates only threads that pump messages.
#pragma once

#include "win32_handle.h"

typedef DWORD (WINAPI *PTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE     259u

#define THREAD_PRIORITY_IDLE          (-15)
#define THREAD_PRIORITY_LOWEST        (-2)
#define THREAD_PRIORITY_BELOW_NORMAL  (-1)
#define THREAD_PRIORITY_NORMAL        0
#define THREAD_PRIORITY_ABOVE_NORMAL  1
#define THREAD_PRIORITY_HIGHEST       2
#define THREAD_PRIORITY_TIME_CRITICAL 15

// dwStackSize 0 takes the default; dwCreationFlags is 0 or CREATE_SUSPENDED.
// The new thread's message queue exists as soon as this returns.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, size_t dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                    LPDWORD lpThreadId);
DWORD ResumeThread(HANDLE hThread);
BOOL SetThreadPriority(HANDLE hThread, int nPriority);
BOOL TerminateThread(HANDLE hThread, DWORD dwExitCode);
BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
[[noreturn]] void ExitThread(DWORD dwExitCode);
HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
void Sleep(DWORD dwMilliseconds);
