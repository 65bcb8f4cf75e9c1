// Resource-only modules (speech fonts) and their resources.
//
// On Linux a module is a PE32 resource-only DLL file: LoadLibraryA maps it
// and walks its resource directory; every offset is checked, so a malformed
// file fails to load.  Paths may use backslashes (they become '/'), and the
// file name is matched without regard to case within its directory.
//
// Resource data handles (the HGLOBAL that LoadResource returns) stay valid
// until FreeResource or until the module is released, whichever comes first.
#pragma once

#include "win32_types.h"

HMODULE LoadLibraryA(LPCSTR lpLibFileName);
BOOL FreeLibrary(HMODULE hLibModule);
HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID LockResource(HGLOBAL hResData);
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
BOOL FreeResource(HGLOBAL hResData);

// Size in bytes of the data behind a resource data handle, 0 for a handle
// that is not one.  Windows keeps no such query; the Windows build of the
// platform layer answers it from a table it fills in LoadResource.  Every
// reader of font data bounds its reads with it.
DWORD SizeofResourceData(HGLOBAL hResData);
