// The software volume: the tables' fixed points, their shape, and the
// 16-bit shifts.
#include "audio/volume_scaling.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(VolumeTables, PassThroughTheirFixedPointsAndStayMonotonic) {
    struct Point {
        int volume, in, out;
    };
    for (const Point p : {Point{4, 0, 37}, {4, 255, 218}, {3, 0, 64}, {3, 255, 192}, {0, 0, 105}, {0, 255, 150},
                          {6, 64, 37}, {6, 192, 219}, {9, 120, 96}, {9, 136, 160}, {9, 64, 17}, {9, 192, 238},
                          {9, 0, 0}, {9, 255, 255}, {5, 77, 77}}) {
        EXPECT_EQ(kav::VolumeTable(p.volume)[p.in], p.out) << "volume " << p.volume << " sample " << p.in;
    }
    // The loud tables meet the common ceiling: 16, 32, 64 and 116 from 128.
    for (int v = 7; v <= 9; ++v) {
        EXPECT_EQ(kav::VolumeTable(v)[128 + 64], 128 + 110) << v;
        EXPECT_EQ(kav::VolumeTable(v)[128 - 64], 128 - 111) << v;
        EXPECT_EQ(kav::VolumeTable(v)[128 + 116], 255) << v;
    }
    EXPECT_EQ(kav::VolumeTable(9)[128 + 16], 128 + 59);
    EXPECT_EQ(kav::VolumeTable(9)[128 - 32], 128 - 85);
    for (int v = 0; v <= 9; ++v) {
        const BYTE *t = kav::VolumeTable(v);
        EXPECT_EQ(t[128], 128) << v;
        for (int s = 1; s < 256; ++s) ASSERT_LE(t[s - 1], t[s]) << "volume " << v << " at " << s;
        if (v > 0) {
            const BYTE *softer = kav::VolumeTable(v - 1);
            for (int s = 0; s < 256; ++s) ASSERT_LE(std::abs(softer[s] - 128), std::abs(t[s] - 128)) << v << " " << s;
        }
    }
}

TEST(VolumeTables, SixteenBitSoundIsShiftedOnlyBelowFive) {
    const std::vector<int16_t> in = {-32768, -3, -1, 0, 1, 3, 32767};
    auto scaled = [&](LONG volume) {
        std::vector<BYTE> b;
        for (int16_t s : in) b.insert(b.end(), {BYTE(s & 0xFF), BYTE(uint16_t(s) >> 8)});
        kav::ScaleSamples(b.data(), static_cast<DWORD>(b.size()), 16, volume);
        std::vector<int16_t> out;
        for (size_t i = 0; i < b.size(); i += 2) out.push_back(static_cast<int16_t>(b[i] | b[i + 1] << 8));
        return out;
    };
    EXPECT_EQ(scaled(4), (std::vector<int16_t>{-16384, -2, -1, 0, 0, 1, 16383}));
    EXPECT_EQ(scaled(0), (std::vector<int16_t>{-1024, -1, -1, 0, 0, 0, 1023}));
    for (LONG unchanged : {5, 9, -1, 10}) EXPECT_EQ(scaled(unchanged), in) << unchanged;
}

}  // namespace
