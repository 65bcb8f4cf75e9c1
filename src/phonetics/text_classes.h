// The text class word: a cheap look at a text that tells which rule passes
// can apply to it (the font's pass mask table holds one mask per pass).
#pragma once

#include "platform/platform.h"

namespace kav {

constexpr WORD kClassLetters = 0x0001;
constexpr WORD kClassDigits = 0x0002;
constexpr WORD kClassEmbedded = 0x0008;  // an embedded sequence "<<~...>"
constexpr WORD kClassCodes = 0x0010;     // a dictionary reference code (ESC or FS)
constexpr WORD kClassAlways = 0xFFE0;

// The class word of a NUL-terminated text.  Stops as soon as the word built
// so far shares a bit with mask: the caller only asks whether that pass runs.
WORD ClassifyText(const char *lpszText, WORD mask);

}  // namespace kav
