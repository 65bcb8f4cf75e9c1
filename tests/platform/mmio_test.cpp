#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

TEST(Mmio, ChunkSizesAreFixedOnAscendAndOddChunksPadded) {
    std::string path = ::testing::TempDir() + "kav_mmio.riff";
    HMMIO h = mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_ALLOCBUF | MMIO_WRITE);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{}, odd{}, even{};
    riff.fccType = mmioFOURCC('T', 'E', 'S', 'T');
    odd.ckid = mmioFOURCC('o', 'd', 'd', ' ');
    even.ckid = mmioFOURCC('e', 'v', 'e', 'n');
    even.cksize = 2;  // already right: nothing to rewrite
    EXPECT_EQ(mmioCreateChunk(h, &riff, MMIO_CREATERIFF) | mmioCreateChunk(h, &odd, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioWrite(h, "abc", 3), 3);
    EXPECT_EQ(mmioAscend(h, &odd, 0) | mmioCreateChunk(h, &even, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioWrite(h, "xy", 2), 2);
    EXPECT_EQ(mmioAscend(h, &even, 0) | mmioAscend(h, &riff, 0) | mmioClose(h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(odd.cksize, 3u);
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(file, std::string("RIFF\x1a\0\0\0TESTodd \x03\0\0\0abc\0even\x02\0\0\0xy", 34));
    std::remove(path.c_str());

    MMIOINFO info{};
    std::string bad = "/nonexistent-dir/kav.riff";
    EXPECT_EQ(mmioOpenA(bad.data(), &info, MMIO_CREATE | MMIO_WRITE), nullptr);
    EXPECT_EQ(info.wErrorRet, static_cast<UINT>(MMIOERR_CANNOTOPEN));
}
