#include "phonetics/speech_header.h"

#include <gtest/gtest.h>

TEST(LevelToPitch, ScaleAroundTheBaseWithClampAndTruncation) {
    EXPECT_EQ(kav::LevelToPitch(50, 100), 100);
    EXPECT_EQ(kav::LevelToPitch(70, 100), 109);   // 100 + 140000/15000 = 109.33
    EXPECT_EQ(kav::LevelToPitch(20, 100), 86);    // 100 - 210000/15000 = 86
    EXPECT_EQ(kav::LevelToPitch(30, 101), 92);    // 101 - 141400/15000: -9.43 truncates to -9
    EXPECT_EQ(kav::LevelToPitch(200, 100), 170);
    EXPECT_EQ(kav::LevelToPitch(1000, 100), 170);
    EXPECT_EQ(kav::LevelToPitch(-100, 100), 30);
    EXPECT_EQ(kav::LevelToPitch(-5000, 100), 30);
}

TEST(SpeechHeader, ReadsTheFixedFieldsAndRefusesShortData) {
    unsigned char hdr[32] = {4, 0, 0, 0, 40, 0, 0, 0, 0x80, 0x3E, 0, 0, 16, 0, 0, 0, 160, 0, 0, 0};
    hdr[28] = '_';
    kav::SpeechHeader h;
    ASSERT_TRUE(kav::ReadSpeechHeader(hdr, sizeof hdr, &h));
    EXPECT_EQ(h.flags, 4u);
    EXPECT_EQ(h.phonemes, 40u);
    EXPECT_EQ(h.sampleRate, 16000u);
    EXPECT_EQ(h.bitsPerSample, 16u);
    EXPECT_EQ(h.BasePitch(), 100u);
    EXPECT_EQ(h.symbols[0], '_');
    EXPECT_FALSE(kav::ReadSpeechHeader(hdr, 27, &h));
}
