// Changing a decoded frame's length to the planned period.  The cut or the
// insertion is made at the pivot: the frame's end, or (in fonts whose fourth
// record word is an intact tail) just before that tail.  A cut cross-fades
// the samples before it with the ones it removes, so the period stays
// smooth; an insertion repeats the sample before the pivot.
#include "synth/frame_shaper.h"

#include <cstring>

namespace kav {

namespace {
LONG Sample16(const BYTE *b, LONG i) { return static_cast<SHORT>(static_cast<WORD>(b[2 * i] | b[2 * i + 1] << 8)); }
void Store16(BYTE *b, LONG i, LONG v) {
    b[2 * i] = static_cast<BYTE>(v);
    b[2 * i + 1] = static_cast<BYTE>(static_cast<WORD>(v) >> 8);
}

LONG Shorten8(BYTE *buf, LONG end, LONG pivot, LONG s) {
    const LONG a = (pivot * 3) / 5;
    if (a < s) {
        pivot += (s - a) >> 1;
        if (pivot > end) pivot = end;
        const LONG b = (pivot * 4) / 5;
        if (b < s) s = b;
    }
    LONG n = (s >> 2) + 1;
    if ((s >> 2) + s + 1 > pivot) n = pivot - s;
    if (s == 0) return end;
    if (n > 0) {
        const LONG w = 32767 / n;
        for (LONG i = 0; i < n; ++i) {
            BYTE &faded = buf[pivot - n - s + i];
            faded = static_cast<BYTE>(BlendSamples(buf[pivot - n + i], faded, static_cast<SHORT>(i * w)));
        }
    }
    if (pivot != end) std::memmove(buf + pivot - s, buf + pivot, static_cast<size_t>(end - pivot));
    return end - s;
}

LONG Shorten16(BYTE *buf, LONG end, LONG pivot, LONG c) {
    const LONG s = -c;
    const LONG a = (pivot * 3) / 5;
    if (a < s) {
        pivot += ((s - a) >> 1) & ~1;
        if (pivot > end) pivot = end;
        const LONG b = (pivot * 4) / 5;
        if (b < s) c = -b;
    }
    c &= ~1;
    const LONG m = -c / 2;
    const LONG avail = pivot / 2;
    LONG n = (m >> 2) + 1;
    if ((m >> 2) + m + 1 > avail) n = avail - m;
    if (m == 0) return end;
    if (n > 0) {
        const LONG w = 32767 / n;
        const LONG faded = (pivot - 2 * (n + m)) / 2, towards = (pivot - 2 * n) / 2;
        for (LONG i = 0; i < n; ++i) {
            Store16(buf, faded + i,
                    BlendSamples(static_cast<SHORT>(Sample16(buf, towards + i)),
                                 static_cast<SHORT>(Sample16(buf, faded + i)), static_cast<SHORT>(i * w)));
        }
    }
    if (pivot != end) std::memmove(buf + pivot - 2 * m, buf + pivot, static_cast<size_t>(end - pivot));
    return end - 2 * m;
}

LONG Lengthen(const SynthesisFont &font, BYTE *buf, LONG end, LONG pivot, LONG c) {
    if (pivot != end) std::memmove(buf + pivot + c, buf + pivot, static_cast<size_t>(end - pivot));
    if (font.sixteenBit) {
        const LONG fill = pivot >= 2 ? Sample16(buf, pivot / 2 - 1) : 0;
        for (LONG i = pivot / 2; i < (pivot + c) / 2; ++i) Store16(buf, i, fill);
    } else {
        std::memset(buf + pivot, pivot >= 1 ? buf[pivot - 1] : 128, static_cast<size_t>(c));
    }
    return end + c;
}
}  // namespace

DWORD ChangeLength(const SynthesisFont &font, BYTE *buffer, const FrameRecord &rec, LONG change) {
    const LONG length = static_cast<LONG>(rec.length < kMaxFrameBytes ? rec.length : kMaxFrameBytes);
    LONG c = change;
    if (length + c > static_cast<LONG>(kMaxFrameBytes)) c = static_cast<LONG>(kMaxFrameBytes) - length;
    // Never below a sixteenth: a cut of L/16, not one that leaves L/16.
    if (length + c < (length >> 4)) c = -(length >> 4);

    LONG pivot = length;
    if (!font.naturalDurations && rec.nominal != rec.length) {
        // The last nominal bytes stay intact and move with the end.  A
        // nominal length beyond the frame (refused by the font check) keeps
        // the pivot at the start.
        pivot = rec.nominal < rec.length ? length - static_cast<LONG>(rec.nominal) : 0;
        if (font.sixteenBit) pivot &= ~1;
    }

    if (font.sixteenBit) {
        c &= ~1;  // whole samples, rounding towards minus infinity
        if (c < 0) return static_cast<DWORD>(Shorten16(buffer, length, pivot, c));
    } else if (c < 0) {
        return static_cast<DWORD>(Shorten8(buffer, length, pivot, -c));
    }
    if (c > 0) return static_cast<DWORD>(Lengthen(font, buffer, length, pivot, c));
    return static_cast<DWORD>(length);
}

}  // namespace kav
