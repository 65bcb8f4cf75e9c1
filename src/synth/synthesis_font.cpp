#include "synth/synthesis_font.h"

#include <cstring>

namespace kav {

namespace {
const BYTE *Lock(HGLOBAL h, DWORD *size) {
    *size = 0;
    if (h == nullptr) return nullptr;
    auto *p = static_cast<const BYTE *>(LockResource(h));
    if (p != nullptr) *size = SizeofResourceData(h);
    return *size == 0 ? nullptr : p;
}

// The sample formats synthesis can produce; the limits keep the millisecond
// factor and the pitch arithmetic meaningful.
bool UsableHeader(const SpeechHeader &h) {
    return (h.bitsPerSample == 8 || h.bitsPerSample == 16) && h.sampleRate >= 1000 && h.sampleRate <= 384000 &&
           h.basePeriod >= 1 && h.phonemes >= 1 && h.phonemes <= 255;
}
}  // namespace

LONG OpenSynthesisFont(LPSCB lpSCB, SynthesisFont *font) {
    *font = SynthesisFont{};
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    DWORD hdrBytes = 0;
    const BYTE *hdr = Lock(lpSCB->hSPEECH_HDR, &hdrBytes);
    if (hdr == nullptr && lpSCB->lpSpeechHdr != nullptr) {
        // A header without a resource handle: only its fixed part is known.
        hdr = static_cast<const BYTE *>(lpSCB->lpSpeechHdr);
        hdrBytes = static_cast<DWORD>(kHdrSymbolsOffset);
    }
    if (!ReadSpeechHeader(hdr, hdrBytes, &font->hdr) || !UsableHeader(font->hdr)) return SE_ERR_NOFONT;
    const void *nul = std::memchr(font->hdr.symbols, 0, hdrBytes - kHdrSymbolsOffset);
    font->symbolBytes = nul != nullptr ? static_cast<DWORD>(static_cast<const char *>(nul) - font->hdr.symbols)
                                       : hdrBytes - static_cast<DWORD>(kHdrSymbolsOffset);

    font->demi = Lock(lpSCB->hDEMI, &font->demiBytes);
    DWORD instBytes = 0;
    if (lpSCB->lphINST != nullptr && lpSCB->nInst > 0) font->inst = Lock(lpSCB->lphINST[0], &instBytes);
    font->frameCount = instBytes / 16;
    if (lpSCB->lphPCMD != nullptr && lpSCB->nPcmd > 0) font->pcmd = Lock(lpSCB->lphPCMD[0], &font->pcmdBytes);
    font->delta = Lock(lpSCB->hDeltaTable, &font->deltaBytes);
    font->mouth = Lock(lpSCB->hMouthShapes, &font->mouthBytes);

    font->sixteenBit = font->hdr.bitsPerSample == 16;
    font->bytesPerSample = font->sixteenBit ? 2 : 1;
    font->deltaCoded = (font->hdr.flags & kHdrDeltaCoded) != 0;
    font->naturalDurations = (font->hdr.flags & kHdrTiming8) != 0;
    font->adaptiveTiming = (font->hdr.flags & kHdrTiming16) != 0;
    if (font->deltaCoded && !font->sixteenBit) font->PrepareDeltaPairs();
    return 0;
}

void SynthesisFont::PrepareDeltaPairs() {
    BYTE table[16] = {};
    if (delta != nullptr) std::memcpy(table, delta, deltaBytes < 16 ? deltaBytes : 16);
    for (int b = 0; b < 256; ++b) {
        deltaPairs[b][0] = table[b & 0x0F];
        deltaPairs[b][1] = static_cast<BYTE>(table[b & 0x0F] + table[b >> 4]);
    }
}

DWORD SynthesisFont::Unit(bool incoming, DWORD p, DWORD c) const {
    const DWORD n = hdr.phonemes;
    if (p >= n || c >= n) return kNoUnit;
    const size_t index = (incoming ? static_cast<size_t>(n) * n : 0) + static_cast<size_t>(p) * n + c;
    if (demi == nullptr || (index + 1) * 4 > demiBytes) return kNoUnit;
    const DWORD entry = ReadLe32(demi + index * 4);
    return entry < frameCount ? entry : kNoUnit;
}

bool SynthesisFont::Frame(DWORD i, FrameRecord *out) const {
    if (i >= frameCount) return false;
    const BYTE *p = inst + static_cast<size_t>(i) * 16;
    out->flags = ReadLe32(p);
    out->length = ReadLe32(p + 4);
    out->offset = ReadLe32(p + 8);
    out->nominal = ReadLe32(p + 12);
    return true;
}

LONG SynthesisFont::UnitFrames(DWORD first, DWORD *bytes) const {
    if (first == kNoUnit) return 0;
    LONG count = 0;
    FrameRecord f;
    for (DWORD i = first; Frame(i, &f); ++i) {
        ++count;
        if (bytes != nullptr) *bytes += f.length < kMaxFrameBytes ? f.length : kMaxFrameBytes;
        if (f.flags & kFrameUnitEnd) break;
    }
    return count;
}

void SynthesisFont::MouthShape(DWORD phoneme, BYTE out[3]) const {
    const size_t at = static_cast<size_t>(phoneme) * 3;
    if (mouth != nullptr && at + 3 <= mouthBytes) {
        std::memcpy(out, mouth + at, 3);
    } else {
        out[0] = out[1] = out[2] = 0;
    }
}

}  // namespace kav
