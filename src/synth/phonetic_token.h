// Reading the phonetic string one token at a time, as the synthesis sees it.
// The notation itself (escape characters, numbers) is shared with the
// encoder in phonetics/phonetic_grammar.h.
#pragma once

#include "platform/platform.h"

namespace kav {

enum class TokenType {
    kEnd,
    kPhoneme,
    kUnrecognised,
    kBookmark,
    kSecondaryStress,
    kPrimaryStress,
    kDestress,
    kPitchUp,
    kPitchDown,
    kPause,
    kPitchLevel,
    kSpeedLevel,
    kVolume,
    kDuration,
    kSync,
    kPitchTarget,
};

struct PhoneticToken {
    TokenType type;
    LONG value;
};

// What the reader needs besides the string.
struct TokenContext {
    const BYTE *phonemeMap = nullptr;  // 256 entries
    DWORD markerChar = '|';            // the SCB's nMarkerChar
    LONG secondarySpeedIncr = 0;       // the font's SECSTRESSSPEEDINCR
    LONG basePitch = 0;                // for pitch targets on the level scale
};

// Numbers in escapes are clamped to this magnitude, so that pauses,
// durations and speeds made from them cannot overflow 32-bit arithmetic.
constexpr LONG kEscapeNumberLimit = 1000000;
// Longest pause one escape asks for: ten minutes.
constexpr LONG kMaxPauseMs = 600000;

// Reads one token at pos and moves past it (not past the end of the
// string).  A NULL pos reads as the end.
PhoneticToken ReadPhoneticToken(const char *&pos, const TokenContext &ctx);

}  // namespace kav
