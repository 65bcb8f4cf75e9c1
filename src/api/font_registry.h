// Where speech fonts are registered: HKEY_LOCAL_MACHINE under the
// SpeechFonts key, whose "Path" value is the font directory and whose
// subkeys are the fonts ("Description", "DefaultDictionary").
#pragma once

#include "platform/platform.h"

namespace kav {

constexpr const char *kSpeechFontsKey = "Software\\Tessmar\\Kavrel\\SpeechFonts";

// 1 when a font was found, with its registered name in `buffer`; else 0 with
// `buffer` emptied, so that callers testing the buffer see no name.  A NULL
// name asks for the first registered font; a name is matched against the
// subkeys without regard to case.
int FindSpeechFont(LPCSTR lpszName, LPSTR lpBuffer, DWORD cbBuffer);

// 1 when the SpeechFonts key opens and holds a "Path" that fits the buffer
// (at most 128 bytes with its NUL); else 0.
int ReadFontPath(LPSTR lpBuffer, DWORD cbBuffer);

// 1 when the font's subkey opens, with its "DefaultDictionary" (empty when
// the value is missing) in `buffer`; 0 when the subkey does not open;
// SE_ERR_FONTLOAD when the value does not fit the buffer (128 bytes at most).
int ReadDefaultDictionary(LPSTR lpBuffer, DWORD cbBuffer, LPCSTR lpszFontName);

// 1 with the font's "Description" (empty when missing; cut to the buffer)
// when its subkey opens, else 0.
int ReadFontDescription(LPSTR lpBuffer, DWORD cbBuffer, LPCSTR lpszFontName);

}  // namespace kav
