#include "phonetics/encoder_fixture.h"

using kavtest::EncoderTest;

TEST_F(EncoderTest, TextWithoutPhrasesFallsFromP70ToP20) {
    EXPECT_EQ(Encode("abcde"), "\\109H abcde\\86H \\D500M ");
    // Blank runs fold to one; leading blanks go.
    EXPECT_EQ(Encode("   ab   cd "), "\\109H ab cd \\86H \\D500M ");
    EXPECT_EQ(Encode("    "), std::nullopt);
    EXPECT_EQ(Encode(""), std::nullopt);
}

TEST_F(EncoderTest, PhraseContoursByTheirMarks) {
    // Mid fall starts at the base pitch.
    EXPECT_EQ(Encode("\\b2abcd"), "\\109H \\100H abcd\\86H \\D500M ");
    // Fall-rise over 10 symbols: falls toward P30 and turns after the 7th.
    EXPECT_EQ(Encode("\\b3abcdefghij"), "\\109H abcdefg\\96H hij\\126H \\D500M ");
    // One symbol: the fall divides by 1 and no rise point is set.
    EXPECT_EQ(Encode("\\b3a"), "\\109H a\\91H \\D500M ");
    // A fall-rise phrase later in a text turns at 80 % of its own symbols.
    EXPECT_EQ(Encode("\\b1abcde \\b3abcdefghij"),
              "\\109H abcde \\86H \\109H abcdefg\\96H hij\\126H \\D500M ");
    // Other phrase types only refresh the mark; equal marks are written once.
    EXPECT_EQ(Encode("\\b1\\b1abc"), "\\109H abc\\86H \\D500M ");
    // ... and leave the slope as it was, over the new count.
    EXPECT_EQ(Encode("ab \\bx cd"), "\\109H ab \\86H  cd\\63H \\D500M ");
}

TEST_F(EncoderTest, TonesPausesAndMarkers) {
    EXPECT_EQ(Encode("\\t1 ab \\te cd"), "\\109H \\95H  ab \\84H \\98H  cd\\86H \\D500M ");
    EXPECT_EQ(Encode("ab \\d. cd"), "\\109H ab \\89H \\D250M \\107H  cd\\86H \\D500M ");
    EXPECT_EQ(Encode("a \\^ b \\| c"), "\\109H a \\^  b \\| c\\86H \\D500M ");
}

TEST_F(EncoderTest, PitchLevelOffsets) {
    EXPECT_EQ(kav::PitchLevelOffset(5, 100), 0);
    EXPECT_EQ(kav::PitchLevelOffset(9, 100), 37);    // LevelToPitch(130) - base
    EXPECT_EQ(kav::PitchLevelOffset(0, 100), -70);   // level -150 clamps to -100
    EXPECT_EQ(kav::PitchLevelOffset(INT32_MIN, 100), -70);
    EXPECT_EQ(kav::PitchLevelOffset(INT32_MAX, 100), 70);
    scb_.nPitch = 9;
    EXPECT_EQ(Encode("abcde"), "\\146H abcde\\123H \\D500M ");
    scb_.nPitch = 0;
    EXPECT_EQ(Encode("abcde"), "\\39H abcde\\16H \\D500M ");
    // \P re-bases the marks after it, and is copied with its terminator.
    scb_.nPitch = 5;
    EXPECT_EQ(Encode("ab\\P9 cd"), "\\109H ab\\P9 cd\\123H \\D500M ");
}

TEST_F(EncoderTest, PitchBelowZeroIsWrittenAsZero) {
    // Control bytes are symbols to the reader but not to the phrase count,
    // so the contour falls far past its end.
    EXPECT_EQ(Encode("a\x01\x01\x01\x01\x01\x01\x01\x01\x01"), "\\109H a\x01\x01\x01\x01\x01\x01\x01\x01\x01\\0H \\D500M ");
}

TEST_F(EncoderTest, PassThroughEscapesKeepTheirTerminator) {
    EXPECT_EQ(Encode("\\'a\\\"b\\-c", 1), "\\'a\\\"b\\-c");
    EXPECT_EQ(Encode("\\S5 ab \\V9", 1), "\\S5 ab\\V9");
    EXPECT_EQ(Encode("\\[40M-ab"), "\\109H \\[40M-ab\\86H \\D500M ");
    EXPECT_EQ(Encode("ab\\"), "\\109H ab\\\\86H \\D500M ");  // a lone backslash at the end
}

TEST_F(EncoderTest, PlainModeRunsWordsTogether) {
    scb_.lpSpeechHdr = nullptr;  // plain mode does not read the voice
    EXPECT_EQ(Encode("  ab cd  \\b1 ef\\t1 \\^ \\| \\d. gh  ", 1), "abcdefgh");
    EXPECT_EQ(Encode("ab \\' ", 1), "ab\\'");
    EXPECT_EQ(Encode("x\x01\x02  ", 0x100), "x");  // trailing control bytes go too; any flag bit is plain
    EXPECT_EQ(Encode("\\b1 \\t2 \\^", 1), std::nullopt);
    EXPECT_EQ(Encode("abc"), std::nullopt);  // prosody needs the voice header
}
