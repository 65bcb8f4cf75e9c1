#include "audio/volume_scaling.h"

#include <array>

namespace kav {

namespace {

// Gains 2^((v - 5) / 2) in 1/65536, for v = 0..9.
constexpr std::array<uint32_t, 10> kGainQ16 = {11585, 16384, 23170, 32768, 46341, 65536, 92682, 131072, 185364, 262144};

// The ceiling of the loud tables: distance from 128 in, largest distance out.
// Above 128 the ceiling goes up to 127 (sample 255), below to 128 (sample
// 0), one further at every point.  Between the points it is a straight
// line, so it stays monotonic; up to 8 in it follows volume 9 (4 times).
struct Knot {
    int in, out;
};
constexpr Knot kCeiling[] = {{0, 0},   {8, 32},   {16, 59},  {24, 74},   {32, 84},  {48, 99},
                             {64, 110}, {80, 118}, {96, 123}, {108, 126}, {116, 127}};

constexpr int Ceiling(int d, bool below) {
    int out = 127;
    for (size_t k = 1; k < std::size(kCeiling); ++k) {
        const Knot a = kCeiling[k - 1], b = kCeiling[k];
        if (d <= b.in) {
            // Rounded to nearest along the segment.
            out = a.out + ((b.out - a.out) * (d - a.in) * 2 + (b.in - a.in)) / (2 * (b.in - a.in));
            break;
        }
    }
    return below && d > 0 ? out + 1 : out;
}

constexpr BYTE Scaled(int sample, int volume) {
    const bool below = sample < 128;
    const int d = below ? 128 - sample : sample - 128;
    // Rounded to nearest, halves away from 128.
    int out = static_cast<int>((static_cast<uint64_t>(d) * kGainQ16[volume] + 32768) >> 16);
    if (volume > 5 && out > Ceiling(d, below)) out = Ceiling(d, below);
    out = below ? 128 - out : 128 + out;
    return static_cast<BYTE>(out < 0 ? 0 : out > 255 ? 255 : out);
}

constexpr std::array<std::array<BYTE, 256>, 10> BuildTables() {
    std::array<std::array<BYTE, 256>, 10> t{};
    for (int v = 0; v < 10; ++v)
        for (int s = 0; s < 256; ++s) t[v][s] = Scaled(s, v);
    return t;
}

constexpr auto kTables = BuildTables();
static_assert(kTables[5][0] == 0 && kTables[5][255] == 255);

}  // namespace

const BYTE *VolumeTable(LONG volume) {
    return volume >= 0 && volume <= 9 ? kTables[volume].data() : kTables[5].data();
}

void ScaleSamples(BYTE *data, DWORD bytes, WORD bitsPerSample, LONG volume) {
    if (volume < 0 || volume > 9 || volume == 5) return;
    if (bitsPerSample == 8) {
        const BYTE *table = kTables[volume].data();
        for (DWORD i = 0; i < bytes; ++i) data[i] = table[data[i]];
    } else if (bitsPerSample == 16 && volume < 5) {
        const int shift = 5 - volume;
        for (DWORD i = 0; i + 1 < bytes; i += 2) {
            const auto s = static_cast<int16_t>(data[i] | data[i + 1] << 8);
            const auto out = static_cast<uint16_t>(static_cast<int16_t>(s >> shift));
            data[i] = static_cast<BYTE>(out);
            data[i + 1] = static_cast<BYTE>(out >> 8);
        }
    }
}

}  // namespace kav
