// Windows as message targets on Linux: a handle, the owning thread and the
// client's procedure.  The table is guarded by ThreadLock().
#pragma once

#include "platform/win32_types.h"

namespace kav::posix {

// Call with ThreadLock() held.
bool IsLiveWindow(HWND hwnd);

// Drops the windows of a thread that is ending.  Call with ThreadLock() held.
void DestroyWindowsOfThread(DWORD id);

}  // namespace kav::posix
