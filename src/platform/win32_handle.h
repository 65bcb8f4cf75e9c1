// Kernel object handles: waiting on them and closing them.  Threads and
// semaphores are the objects; a handle keeps its object alive until
// CloseHandle, and an object ends when its last handle is closed (a running
// thread also keeps itself alive).
#pragma once

#include "win32_types.h"

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

#define WAIT_OBJECT_0  0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT   0x00000102u
#define WAIT_FAILED    0xFFFFFFFFu

// A thread handle is signalled once the thread has ended; a semaphore while
// its count is above 0 (a successful wait takes one).  dwMilliseconds may be
// INFINITE.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
BOOL CloseHandle(HANDLE hObject);
