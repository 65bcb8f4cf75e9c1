// Files and named read-only file mappings: what the dictionaries use.
//
// File handles (HFILE) come from OpenFile and are closed with _lclose.  The
// Linux OpenFile and the other calls here turn backslashes in a path into
// '/', so paths built the Windows way ("%s\\%s") work unchanged.
// OF_SHARE_EXCLUSIVE is honoured between processes that open a file through
// OpenFile: a second exclusive open of a file that is held exclusively fails.
//
// A file-mapping object covers a whole file, read-only, and may carry a name;
// CreateFileMappingA with a name that is already in use hands out a new
// handle to the same object as long as it still maps the same file.  Views
// are read-only and cover the whole mapping.  CloseHandle closes a mapping
// handle; a view keeps its mapping until UnmapViewOfFile.
#pragma once

#include "win32_handle.h"
#include "win32_types.h"

#define OF_READ             0x00000000u
#define OF_WRITE            0x00000001u
#define OF_READWRITE        0x00000002u
#define OF_SHARE_COMPAT     0x00000000u
#define OF_SHARE_EXCLUSIVE  0x00000010u
#define OF_SHARE_DENY_WRITE 0x00000020u
#define OF_SHARE_DENY_READ  0x00000030u
#define OF_SHARE_DENY_NONE  0x00000040u
#define OF_CREATE           0x00001000u
#define HFILE_ERROR         (static_cast<HFILE>(-1))
#define OFS_MAXPATHNAME     128

#define FILE_BEGIN   0
#define FILE_CURRENT 1
#define FILE_END     2

#define PAGE_READONLY          0x02u
#define FILE_MAP_READ          0x0004u
#define INVALID_FILE_SIZE      0xFFFFFFFFu
#define MOVEFILE_REPLACE_EXISTING 0x00000001u

typedef struct _OFSTRUCT {
    BYTE cBytes;
    BYTE fFixedDisk;
    WORD nErrCode;
    WORD Reserved1;
    WORD Reserved2;
    CHAR szPathName[OFS_MAXPATHNAME];
} OFSTRUCT, *LPOFSTRUCT;

// Paths of OFS_MAXPATHNAME characters or more are refused, as on Windows.
HFILE OpenFile(LPCSTR lpFileName, LPOFSTRUCT lpReOpenBuff, UINT uStyle);
HFILE _lclose(HFILE hFile);
UINT _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes);
UINT _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes);
LONG _llseek(HFILE hFile, LONG lOffset, int iOrigin);

// The file handle is an HFILE from OpenFile, passed as a HANDLE.
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);
BOOL DeleteFileA(LPCSTR lpFileName);

// Only PAGE_READONLY mappings of a whole file.  A maximum size larger than
// the file fails, as it does on Windows for a read-only mapping; 0 means the
// file's size.
HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpAttributes, DWORD flProtect, DWORD dwMaximumSizeHigh,
                          DWORD dwMaximumSizeLow, LPCSTR lpName);
// Only FILE_MAP_READ views at offset 0; 0 bytes means the whole mapping.
LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                     size_t dwNumberOfBytesToMap);
BOOL UnmapViewOfFile(LPCVOID lpBaseAddress);
