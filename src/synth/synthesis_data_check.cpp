// The check a speech font passes before synthesis may use it.  Synthesis
// itself reads the tables with bounds but without judging them; this is
// where a font whose units never end, whose frames reach outside the sample
// data or whose delta table is too short is refused as a whole.
#include "synth/synthesis_font.h"

namespace kav {

namespace {
// Bytes a frame of the given length occupies in PCMD.
DWORD StoredBytes(const SynthesisFont &f, DWORD length) {
    if (!f.deltaCoded) return length;
    if (f.sixteenBit) return 2 + (length / 2 - 1);
    return 1 + length / 2;
}

bool FramesValid(const SynthesisFont &f) {
    FrameRecord r;
    for (DWORD i = 0; f.Frame(i, &r); ++i) {
        if (r.length > kMaxFrameBytes || r.length < f.bytesPerSample) return false;
        if (f.sixteenBit && (r.length & 1) != 0) return false;
        // Frames keep an intact tail of their nominal length (unless the
        // fourth word is a duration): it must lie inside the frame and keep
        // 16-bit samples aligned.
        if (!f.naturalDurations && (r.nominal > r.length || (f.sixteenBit && (r.nominal & 1) != 0))) return false;
        if (f.naturalDurations && r.nominal > 0xFFFF) return false;
        const DWORD stored = StoredBytes(f, r.length);
        if (r.offset > f.pcmdBytes || stored > f.pcmdBytes - r.offset) return false;
    }
    return true;
}

// Every DEMI entry is a missing unit or the start of a unit that ends
// (a record with the unit-end flag) inside the frame table.
bool UnitsValid(const SynthesisFont &f) {
    const size_t n = f.hdr.phonemes;
    const size_t entries = n * n * 2;
    if (f.demi == nullptr || f.demiBytes / 4 < entries) return false;
    DWORD lastEnd = 0;
    bool anyEnd = false;
    FrameRecord r;
    for (DWORD i = 0; f.Frame(i, &r); ++i) {
        if (r.flags & kFrameUnitEnd) {
            lastEnd = i;
            anyEnd = true;
        }
    }
    for (size_t e = 0; e < entries; ++e) {
        const DWORD entry = ReadLe32(f.demi + e * 4);
        if (entry == kNoUnit) continue;
        if (entry >= f.frameCount || !anyEnd || entry > lastEnd) return false;
    }
    return true;
}
}  // namespace

LONG CheckSynthesisData(LPSCB lpSCB) {
    SynthesisFont f;
    if (OpenSynthesisFont(lpSCB, &f) != 0) return SE_ERR_FONTLOAD;
    if (!UnitsValid(f) || !FramesValid(f)) return SE_ERR_FONTLOAD;
    if (f.deltaCoded && f.deltaBytes < (f.sixteenBit ? 512u : 16u)) return SE_ERR_FONTLOAD;
    // A font without mouth shapes is fine; one with too few is not.
    if (lpSCB->hMouthShapes != nullptr && f.mouthBytes / 3 < f.hdr.phonemes) return SE_ERR_FONTLOAD;
    return 0;
}

}  // namespace kav
