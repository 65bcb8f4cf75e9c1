// The check a voice header passes before its font is accepted.  Everything
// downstream (the encoder's contour, the synthesis' period and table
// arithmetic, the phoneme map) trusts a checked header, so the limits here
// are chosen to keep that arithmetic inside 32 bits and every index inside
// its table.
#pragma once

#include "platform/platform.h"

namespace kav {

// Highest sample rate accepted.  With the base period at least 1 it also
// bounds the base pitch, so LevelToPitch's (v - 50) * base * 70 stays below
// 2^31 (150 * 192000 * 70 = 2.02e9) and a contour in 1/256 Hz (at most
// 1.7 * base * 256 = 8.4e7) leaves ample room in 32 bits.
constexpr DWORD kMaxSampleRate = 192000;

// Most phonemes a font may have: the phoneme map holds a phoneme number in a
// byte, with 255 meaning "no phoneme".
constexpr DWORD kMaxPhonemes = 255;

// 0 when the header bytes describe a voice the engine can speak, else -112
// (SE_ERR_FONTLOAD):
//   - the fixed fields fit in the data;
//   - sample rate 1..kMaxSampleRate and base period 1..sample rate, so the
//     base pitch (rate / period) is at least 1 Hz and nothing divides by 0;
//   - 8 or 16 bits per sample;
//   - 1..kMaxPhonemes phonemes;
//   - the symbol text ends with a NUL inside the data and has no more lines
//     than there are phonemes, so every symbol names a phoneme below N.
LONG CheckSpeechHeader(const void *bytes, DWORD size);

}  // namespace kav
