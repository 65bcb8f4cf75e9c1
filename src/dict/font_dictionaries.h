// The dictionaries that come with a speech font: its kernel dictionary at the
// bottom of the stack and its default user dictionary above it, opened when
// the font is loaded and closed, with everything stacked on them, when it is
// released.
#pragma once

#include "platform/platform.h"

namespace kav {

// Font loading, kernel dictionary step: hKernelDic is the font's loaded
// "KERNEL_DIC" 100 resource (NULL when the font has none); its text names a
// file in the font directory szFontPath.  Pushes that dictionary, then
// leaves the current descriptor clear.  fKernelDict becomes 1 only when the
// kernel dictionary is actually on the stack.  The caller releases the
// resource afterwards.
void OpenKernelDictionary(LPSCB lpSCB, HGLOBAL hKernelDic);

// The default dictionary step is OpenDictionary(lpSCB, path or NULL, TRUE)
// itself (dict/dictionary_stack.h).

// Font release: closes every stacked dictionary from the top down, leaving
// each close's result in nStatus, then clears the current descriptor.
void CloseFontDictionaries(LPSCB lpSCB);

}  // namespace kav
