// Upper- and lower-casing of ANSI text by the Windows-1252 rules: a-z and the
// accented letters 0xE0-0xFE (not 0xF7) pair with A-Z and 0xC0-0xDE (not
// 0xD7); also 0x9A/0x8A, 0x9C/0x8C, 0x9E/0x8E and 0xFF/0x9F.  0xDF and 0xB5
// have no upper-case form.
#pragma once

#include "win32_types.h"

// In place up to the terminating 0; returns lpsz.  A pointer value below
// 0x10000 is a single character instead, returned converted.
LPSTR CharUpperA(LPSTR lpsz);
LPSTR CharLowerA(LPSTR lpsz);
// Exactly cchLength bytes in place (zeros included); returns cchLength.
DWORD CharUpperBuffA(LPSTR lpsz, DWORD cchLength);
DWORD CharLowerBuffA(LPSTR lpsz, DWORD cchLength);
