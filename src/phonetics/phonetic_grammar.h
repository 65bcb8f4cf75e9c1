// The phonetic string: the engine's notation for speech, written by the
// encoder (and by clients) and read by the synthesis.  Everything that the
// writer and the reader must agree on lives here, so the two cannot drift.
//
// A NUL-terminated string of 8-bit characters.  A byte other than the
// backslash is one phoneme symbol (looked up in the font's symbol text; the
// blank is a symbol like any other).  A backslash opens an escape:
//
//   \'  \"  \-        primary stress, secondary stress, destress
//                      (\- followed by a digit is a negative pitch target)
//   \/  \\            pitch up, pitch down
//   \nH               pitch target of n Hz (the reader caps it at 511)
//   \n                pitch target on the level scale
//   \DnM  \Dn         pause of n ms, or of n times 250 ms
//   \Pd  \Sn  \Vn     pitch level, speed level, volume
//   \[  \]            shorter / longer next phoneme; with n and M: n ms,
//                      with n alone: n percent
//   \^                sync mark
//   \ marker bytes    bookmark: the marker character, then up to 4 bytes up
//                      to a blank, packed most significant first
//   \|                bookmark 0 (when the bar is not the marker character)
//
// Numbers in escapes: an optional single '+' or '-' and decimal digits.
//
// The rule output that the encoder reads uses the same notation plus three
// escapes that never reach the phonetic string: \bc (phrase with contour c),
// \tc (tone) and \dc (pause with a pitch dip).  There any other escape is
// passed through up to and including its terminator (see
// IsPassThroughTerminator).
#pragma once

#include "platform/platform.h"

#include <cstddef>

namespace kav::phon {

constexpr char kEscape = '\\';
constexpr char kBlank = ' ';

// Escapes of the phonetic string: the character after the backslash.
constexpr char kEscPrimaryStress = '\'';
constexpr char kEscSecondaryStress = '"';
constexpr char kEscDestress = '-';
constexpr char kEscPitchUp = '/';
constexpr char kEscPitchDown = '\\';
constexpr char kEscPause = 'D';
constexpr char kEscPitchLevel = 'P';
constexpr char kEscSpeedLevel = 'S';
constexpr char kEscVolume = 'V';
constexpr char kEscShorter = '[';
constexpr char kEscLonger = ']';
constexpr char kEscSync = '^';
constexpr char kEscBar = '|';

// Suffixes after a number.
constexpr char kSuffixHertz = 'H';         // pitch target in Hz
constexpr char kSuffixMilliseconds = 'M';  // pause or duration in ms

// Escapes of the encoder's input only.
constexpr char kEscPhrase = 'b';
constexpr char kEscTone = 't';
constexpr char kEscPhrasePause = 'd';

// Phrase contours (after \b) and tones (after \t).
constexpr char kContourHighFall = '1';
constexpr char kContourMidFall = '2';
constexpr char kContourFallRise = '3';
constexpr char kToneLow = '1';
constexpr char kToneMid = '2';
constexpr char kToneEnd = 'e';

// The default bookmark marker character (the SCB's nMarkerChar) and the
// most bytes a bookmark packs into its 32-bit value.
constexpr DWORD kDefaultMarkerChar = '|';
constexpr int kBookmarkMaxBytes = 4;

// A pitch target in Hz above this is taken as this.
constexpr LONG kMaxPitchTargetHz = 511;
// A pause without the M suffix counts in units of this many milliseconds.
constexpr LONG kPauseUnitMs = 250;
// The level (\Pd, the SCB's nPitch) that leaves the voice's pitch unchanged.
constexpr LONG kNormalPitchLevel = 5;

// The byte that ends a pass-through escape in the encoder's input (and is
// copied with it): apostrophe, double quote, hyphen or blank.
constexpr bool IsPassThroughTerminator(char c) { return c == '\'' || c == '"' || c == '-' || c == ' '; }

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True when c opens a number: a sign or a decimal digit.
constexpr bool StartsNumber(char c) { return c == '+' || c == '-' || IsDigit(c); }

// Reads a number at p in a NUL-terminated string: an optional single sign
// and the decimal digits after it (0 when no digit follows the sign).
// Returns the position past the sign and all digits.  A run of digits too
// long for 32 bits saturates at +/-2147483647 instead of wrapping, so a
// hostile string cannot turn a long pause into a negative one.
const char *ReadNumber(const char *p, LONG *value);

// The marks the encoder writes, each followed by a blank so that the next
// symbol is not read as part of the number.
constexpr const char kPitchMarkFormat[] = "\\%dH ";
constexpr const char kPauseMarkFormat[] = "\\D%dM ";
// Longest text either format makes for a 32-bit value, without the NUL.
constexpr size_t kMaxMarkLength = 16;

// Writes "\<hz>H " or "\D<ms>M " into buf (at least kMaxMarkLength + 1
// bytes); returns the length without the NUL.
size_t FormatPitchMark(char *buf, LONG hz);
size_t FormatPauseMark(char *buf, LONG ms);

}  // namespace kav::phon
