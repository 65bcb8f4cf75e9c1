// The calling thread's last-error code and the error values the platform
// layer sets.
#pragma once

#include "win32_types.h"

#define ERROR_SUCCESS               0L
#define ERROR_FILE_NOT_FOUND        2L
#define ERROR_ACCESS_DENIED         5L
#define ERROR_INVALID_HANDLE        6L
#define ERROR_NOT_ENOUGH_MEMORY     8L
#define ERROR_INVALID_PARAMETER     87L
#define ERROR_BAD_PATHNAME          161L
#define ERROR_ALREADY_EXISTS        183L
#define ERROR_MORE_DATA             234L
#define ERROR_NO_MORE_ITEMS         259L
#define ERROR_TOO_MANY_POSTS        298L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_INVALID_THREAD_ID     1444L
#define ERROR_NOT_ENOUGH_QUOTA      1816L

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
