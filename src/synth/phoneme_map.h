// The map from symbol bytes to phoneme numbers, built from the font's
// symbol text at the start of every phrase.
#pragma once

#include "platform/platform.h"

namespace kav {

constexpr BYTE kNoPhoneme = 255;

// All entries kNoPhoneme, then every byte of line k of the text (lines split
// by byte 10) maps to k; the last occurrence of a byte wins.  Reads at most
// size bytes, stops at a NUL, and ignores lines from the phoneme count on, so
// every mapped number is a phoneme of the font.
void BuildPhonemeMap(const char *symbols, DWORD size, DWORD phonemes, BYTE map[256]);

}  // namespace kav
