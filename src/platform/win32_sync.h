// Semaphores.  A named semaphore is one object per process and name (names
// are case-sensitive, as on Windows): creating it again, or opening it,
// returns a new handle to the same object.  Nothing is shared with other
// processes; the engine's names carry the process id anyway.
#pragma once

#include "win32_handle.h"

#define SYNCHRONIZE            0x00100000u
#define SEMAPHORE_MODIFY_STATE 0x0002u
#define SEMAPHORE_ALL_ACCESS   0x001F0003u

// On success GetLastError() is ERROR_ALREADY_EXISTS when the name was in use
// (the counts given are then ignored), else 0.
HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount, LONG lMaximumCount,
                        LPCSTR lpName);
HANDLE OpenSemaphoreA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount);
