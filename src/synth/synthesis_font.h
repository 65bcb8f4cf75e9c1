// The speech font as synthesis sees it: the voice header, the half-phoneme
// unit tables (DEMI), the frame records (first INST resource), the frame
// samples (first PCMD resource), the delta table and the mouth shapes, each
// locked once per phrase with its size, so every read below is bounded even
// for a font that was never checked.
#pragma once

#include "phonetics/speech_header.h"
#include "platform/platform.h"

namespace kav {

constexpr DWORD kNoUnit = 0xFFFF;
constexpr DWORD kMaxFrameBytes = 4096;

// FrameRecord flag bits.
constexpr DWORD kFrameVoiced = 1u << 7;
constexpr DWORD kFrameUnitEnd = 1u << 8;
constexpr DWORD kFrameAlwaysFade = 1u << 13;

// One 16-byte INST entry.
struct FrameRecord {
    DWORD flags;
    DWORD length;   // bytes of samples after decoding
    DWORD offset;   // where the stored data starts in PCMD
    DWORD nominal;  // intact tail, or the natural duration (timing bit 8)
};

struct SynthesisFont {
    SpeechHeader hdr;
    DWORD symbolBytes = 0;  // bytes of symbol text before its NUL (or the resource end)
    const BYTE *demi = nullptr;
    DWORD demiBytes = 0;
    const BYTE *inst = nullptr;
    DWORD frameCount = 0;
    const BYTE *pcmd = nullptr;
    DWORD pcmdBytes = 0;
    const BYTE *delta = nullptr;
    DWORD deltaBytes = 0;
    const BYTE *mouth = nullptr;
    DWORD mouthBytes = 0;

    bool sixteenBit = false;
    bool deltaCoded = false;
    bool naturalDurations = false;  // header bit 8: nominal is the natural duration
    bool adaptiveTiming = false;    // header bit 16: durations from nature, adaptive fades
    DWORD bytesPerSample = 1;
    // 8-bit delta coding, per stored byte: the steps to its first sample and
    // to its second (the two codes' deltas summed), so decoding carries one
    // addition per byte from sample to sample.
    BYTE deltaPairs[256][2] = {};

    // First frame of the outgoing (or incoming) unit of the pair (p, c), or
    // kNoUnit when the pair has none or the entry lies outside the tables.
    DWORD Unit(bool incoming, DWORD p, DWORD c) const;
    // Frame record i; false when i lies outside the table.
    bool Frame(DWORD i, FrameRecord *out) const;
    // Frames of a unit up to and including its last one (0 for kNoUnit),
    // optionally adding their lengths to *bytes.
    LONG UnitFrames(DWORD first, DWORD *bytes) const;
    // The 3 mouth-shape bytes of a phoneme; zeros when the font has none.
    void MouthShape(DWORD phoneme, BYTE out[3]) const;
    // Fills deltaPairs from the delta table (8-bit delta-coded fonts).
    void PrepareDeltaPairs();
    // The byte value of silence.
    int Silence() const { return sixteenBit ? 0 : 128; }
};

// Locks the synthesis resources of an SCB's font.  0, or -110 when the SCB
// has no usable voice header (no font, or a header without a sample format
// synthesis can work with).
LONG OpenSynthesisFont(LPSCB lpSCB, SynthesisFont *font);

// Checks once, when a font is loaded, everything synthesis later relies on:
// 0, or -112 for a font whose tables point outside themselves.
LONG CheckSynthesisData(LPSCB lpSCB);

// Little-endian 32-bit word at p.
inline DWORD ReadLe32(const BYTE *p) {
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

}  // namespace kav
