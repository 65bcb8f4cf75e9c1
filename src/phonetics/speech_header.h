// The voice header (the font's SPEECH_HDR resource): sample format, phoneme
// inventory and the voice's base pitch.  One reader for the whole engine.
//
//   offset  0  flags             bit 4: delta-coded samples with a DELTA_TABLE;
//                                bits 8 and 16: frame timing variants
//   offset  4  phoneme count N   the DEMI tables are N by N
//   offset  8  sample rate
//   offset 12  bits per sample   8 or 16
//   offset 16  base period       one pitch period of the recording, in samples
//   offset 20  (8 bytes, unused)
//   offset 28  phoneme symbols   NUL-terminated lines split by byte 10; every
//                                byte on line k names phoneme k; 0 is silence
#pragma once

#include "platform/platform.h"

#include <cstdint>

namespace kav {

constexpr DWORD kHdrDeltaCoded = 4;
constexpr DWORD kHdrTiming8 = 8;
constexpr DWORD kHdrTiming16 = 16;
constexpr size_t kHdrSymbolsOffset = 28;

struct SpeechHeader {
    DWORD flags = 0;
    DWORD phonemes = 0;
    DWORD sampleRate = 0;
    DWORD bitsPerSample = 0;
    DWORD basePeriod = 0;
    const char *symbols = nullptr;  // the NUL-terminated symbol text

    // Base pitch in Hz: sample rate / base period, unsigned and truncating.
    DWORD BasePitch() const { return basePeriod == 0 ? 0 : sampleRate / basePeriod; }
};

// Reads the header from its raw bytes; false when the bytes are too short to
// hold the fixed fields (the symbol text is not checked here).
bool ReadSpeechHeader(const void *bytes, size_t size, SpeechHeader *out);

// Reads the header of an SCB's loaded font through lpSpeechHdr, which font
// loading checked; false when the SCB has no header.
bool ReadSpeechHeader(LPSCB lpSCB, SpeechHeader *out);

// The pitch scale: level v (clamped to -100..200) to Hz around the base
// pitch; level 50 is the base, in signed 32-bit arithmetic, truncating.
LONG LevelToPitch(LONG level, LONG basePitch);

}  // namespace kav
