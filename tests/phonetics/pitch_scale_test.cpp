#include "phonetics/speech_header.h"

#include <gtest/gtest.h>

TEST(LevelToPitch, ScaleAroundTheBaseWithClampAndTruncation) {
    // {level, base, pitch}: 100 + 140000/15000 = 109.33; 101 - 141400/15000
    // is -9.43 and truncates to -9; levels clamp to -100..200.
    const LONG cases[][3] = {{50, 100, 100}, {70, 100, 109}, {20, 100, 86},   {30, 101, 92},
                             {200, 100, 170}, {1000, 100, 170}, {-100, 100, 30}, {-5000, 100, 30}};
    for (const auto &[level, base, pitch] : cases) EXPECT_EQ(kav::LevelToPitch(level, base), pitch) << level;
}

TEST(SpeechHeader, RefusesDataShorterThanItsFixedFields) {
    const unsigned char hdr[28] = {};
    kav::SpeechHeader h;
    EXPECT_FALSE(kav::ReadSpeechHeader(hdr, 27, &h));
    EXPECT_TRUE(kav::ReadSpeechHeader(hdr, 28, &h));
}
