// Frame decoding: the stored samples of a frame, plain or delta-coded.
//   plain:          the samples as they are output
//   16-bit delta:   the first sample (2 bytes), then one byte per sample
//                   indexing 256 signed 16-bit deltas of DELTA_TABLE
//   8-bit delta:    the first sample (1 byte), then two 4-bit codes per
//                   byte, low nibble first, indexing the first 16 bytes of
//                   DELTA_TABLE
// Sums wrap (modulo 65536 and 256), as the font's coder assumed.
#include "synth/frame_shaper.h"

#include <cstring>

namespace kav {

namespace {
// The stored bytes of the frame, bounded by PCMD; what lies outside (only in
// a font that failed its check) reads as zero bytes.
struct Stored {
    const BYTE *p;
    DWORD n;
    BYTE operator[](DWORD i) const { return i < n ? p[i] : 0; }
};

void Decode16(const SynthesisFont &font, Stored in, DWORD length, BYTE *out) {
    const DWORD samples = length / 2;
    if (samples == 0) return;
    WORD v = static_cast<WORD>(in[0] | in[1] << 8);
    out[0] = static_cast<BYTE>(v);
    out[1] = static_cast<BYTE>(v >> 8);
    const BYTE *table = font.deltaBytes >= 512 ? font.delta : nullptr;
    for (DWORD i = 1; i < samples; ++i) {
        const DWORD code = in[1 + i];
        const WORD delta = table != nullptr ? static_cast<WORD>(table[code * 2] | table[code * 2 + 1] << 8) : 0;
        v = static_cast<WORD>(v + delta);
        out[2 * i] = static_cast<BYTE>(v);
        out[2 * i + 1] = static_cast<BYTE>(v >> 8);
    }
}

void Decode8(const SynthesisFont &font, Stored in, DWORD length, BYTE *out) {
    if (length == 0) return;
    BYTE table[16] = {};
    if (font.delta != nullptr) std::memcpy(table, font.delta, font.deltaBytes < 16 ? font.deltaBytes : 16);
    BYTE v = in[0];
    out[0] = v;
    const DWORD pairs = (length - 1) / 2;  // bytes whose two codes are both used
    DWORD i = 1;
    if (1 + (length - 1 + 1) / 2 <= in.n) {
        // The usual case: every stored byte is there, two samples per byte.
        const BYTE *codes = in.p + 1;
        for (DWORD k = 0; k < pairs; ++k, i += 2) {
            const BYTE *step = font.deltaPairs[codes[k]];
            out[i] = static_cast<BYTE>(v + step[0]);
            v = static_cast<BYTE>(v + step[1]);
            out[i + 1] = v;
        }
    }
    for (; i < length; ++i) {
        const BYTE packed = in[1 + (i - 1) / 2];
        const BYTE code = (i & 1) ? (packed & 0x0F) : (packed >> 4);
        v = static_cast<BYTE>(v + table[code]);
        out[i] = v;
    }
}
}  // namespace

void DecodeFrame(const SynthesisFont &font, const FrameRecord &rec, BYTE *buffer) {
    const DWORD length = rec.length < kMaxFrameBytes ? rec.length : kMaxFrameBytes;
    Stored in{nullptr, 0};
    if (font.pcmd != nullptr && rec.offset < font.pcmdBytes) in = Stored{font.pcmd + rec.offset, font.pcmdBytes - rec.offset};
    if (!font.deltaCoded) {
        const DWORD n = in.n < length ? in.n : length;
        if (n > 0) std::memcpy(buffer, in.p, n);
        std::memset(buffer + n, font.Silence(), length - n);
    } else if (font.sixteenBit) {
        Decode16(font, in, length, buffer);
    } else {
        Decode8(font, in, length, buffer);
    }
}

}  // namespace kav
