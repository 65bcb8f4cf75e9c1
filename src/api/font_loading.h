// Taking a speech font into an SCB and giving it back.
#pragma once

#include "platform/platform.h"

namespace kav {

// Loads the named font (module "<Path>\<name>.DLL") into an SCB that holds
// none.  0, or SE_ERR_FONTLOAD (nStatus set, no module kept) when the font
// cannot be found, loaded or trusted, or SE_ERR_FONTCOUNTS when it lacks its
// rule-pass count.
LONG LoadSpeechFont(LPSCB lpSCB, LPCSTR lpszFontName);

// Releases everything LoadSpeechFont took.  Safe on an SCB without a font.
void UnloadSpeechFont(LPSCB lpSCB);

// UnloadSpeechFont, then frees the SCB's dictionary stack block: all an
// SCB holds of its font when it is about to go.
void ReleaseSpeechFont(LPSCB lpSCB);

// Reads the family's count resource into *pnCount, allocates the handle
// block *plphBlock and loads `count` resources of the type with ids from
// `firstId` on; a missing member raises the assertion at `assertLine`.
// 0; SE_ERR_FONTCOUNTS when the count is missing, SE_ERR_NOMEMORY when the
// block cannot be had: the family is then empty (count 0, block NULL).
LONG LoadNumberedResources(LPSCB lpSCB, LPCSTR lpszCountName, LPCSTR lpszType, WORD firstId, LONG *pnCount,
                           HGLOBAL **plphBlock, int assertLine);

}  // namespace kav
