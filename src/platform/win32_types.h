// Win32 base types and small macros for non-Windows builds.  The handful of
// types the public interface needs come from kavsyn.h so the two agree.
#pragma once

#include "kavsyn.h"

#include <cstdint>

typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef int INT;
typedef unsigned long ULONG;
typedef uint32_t *LPDWORD;
typedef LONG *PLONG;
typedef LONG *LPLONG;
typedef BYTE *LPBYTE;
typedef const void *LPCVOID;
typedef HANDLE HRSRC;
typedef HANDLE HKEY;
typedef HKEY *PHKEY;
typedef DWORD REGSAM;
typedef LONG LSTATUS;
typedef uint64_t ULONGLONG;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t UINT_PTR;
typedef UINT *LPUINT;

#define WINAPI
#define CALLBACK

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<uintptr_t>(p) >> 16) == 0)
#define RT_RCDATA MAKEINTRESOURCEA(10)

#define LOWORD(l) (static_cast<WORD>(static_cast<uintptr_t>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<uintptr_t>(l) >> 16) & 0xFFFF))
#define MAKELONG(lo, hi) (static_cast<LONG>(static_cast<DWORD>(static_cast<WORD>(lo)) | (static_cast<DWORD>(static_cast<WORD>(hi)) << 16)))

#define INFINITE 0xFFFFFFFFu
