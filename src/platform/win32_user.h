// Message boxes.  On Linux a box is one line "CAPTION: text" on standard
// error, unless the client installed a hook with KavSetMessageBoxHook.
#pragma once

#include "win32_types.h"

#define MB_OK              0x00000000u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_SYSTEMMODAL     0x00001000u
#define IDOK 1

HWND GetFocus();
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
