// Movable global memory.  A block is allocated, locked once and then handed
// around by pointer; GlobalHandle recovers the handle from that pointer.
#pragma once

#include "win32_types.h"

#define GMEM_FIXED      0x0000
#define GMEM_MOVEABLE   0x0002
#define GMEM_ZEROINIT   0x0040
#define GMEM_SHARE      0x2000
#define GMEM_DDESHARE   GMEM_SHARE
#define GHND            (GMEM_MOVEABLE | GMEM_ZEROINIT)

HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes);
HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, UINT uFlags);
LPVOID GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
HGLOBAL GlobalHandle(LPCVOID pMem);
size_t GlobalSize(HGLOBAL hMem);
HGLOBAL GlobalFree(HGLOBAL hMem);
