// Reading festival's CMU lexicon lines and writing them in KAL phonemes with
// stress marks.
#include "cmu_lexicon.h"
#include "kal_phones.h"

#include <gtest/gtest.h>

#include <set>

namespace kav::font {
namespace {

TEST(CmuLexicon, ParsesSyllablesAndStress) {
    const auto w = ParseCmuLine("(\"aardvark\" nil (((aa r d) 1) ((v aa r k) 0)))\r");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->word, "aardvark");
    EXPECT_EQ(w->pos, "nil");
    ASSERT_EQ(w->syllables.size(), 2u);
    EXPECT_EQ(w->syllables[0].phones, (std::vector<std::string>{"aa", "r", "d"}));
    EXPECT_EQ(w->syllables[0].stress, 1);
    EXPECT_EQ(w->syllables[1].stress, 0);
    for (const char *odd : {"MNCL", "", "(\"a\" dt (((ax) 0))", "(\"a\" dt (((ax) 0))) junk", "(\"a\" dt (((ax) 3)))",
                            "(\"a\" dt ((() 1)))", "(\"\" dt (((ax) 0)))", "(\"a dt (((ax) 0)))", "(\"a\" dt ())",
                            "(\"a\" (((ax) 0)))", "(\"a\" dt (((ax) 1) ((b) 0)"})
        EXPECT_FALSE(ParseCmuLine(odd)) << odd;
}

TEST(CmuLexicon, EveryRadioPhoneHasItsOwnKalSymbol) {
    const char *radio[] = {"aa", "ae", "ah", "ao", "aw", "ax", "ay", "b",  "ch", "d",  "dh", "eh", "er", "ey",
                           "f",  "g",  "hh", "ih", "iy", "jh", "k",  "l",  "m",  "n",  "ng", "ow", "oy", "p",
                           "r",  "s",  "sh", "t",  "th", "uh", "uw", "v",  "w",  "y",  "z",  "zh"};
    std::set<char> symbols;
    for (const char *phone : radio) {
        const auto s = CmuPhoneSymbol(phone);
        ASSERT_TRUE(s) << phone;
        // Bytes with a meaning of their own in a phonetic string cannot be phonemes.
        EXPECT_EQ(std::string("\\ '\"-|_0123456789").find(*s), std::string::npos) << phone;
        symbols.insert(*s);
    }
    EXPECT_EQ(symbols.size(), std::size(radio));
    EXPECT_FALSE(CmuPhoneSymbol("pau"));
    EXPECT_FALSE(CmuPhoneSymbol("q"));
}

std::string Pronounce(const char *line) {
    const auto w = ParseCmuLine(line);
    if (!w) return "<odd>";
    return KalPronunciation(*w).value_or("<unmapped>");
}

TEST(CmuLexicon, StressMarksStandBeforeTheVowel) {
    EXPECT_EQ(Pronounce("(\"hello\" nil (((hh ax) 0) ((l ow) 1)))"), "hxl\\'o");
    EXPECT_EQ(Pronounce("(\"world\" nil (((w er l d) 1)))"), "w\\'Rld");
    // Only the first stressed syllable takes primary stress.
    EXPECT_EQ(Pronounce("(\"aardvark\" nil (((aa r d) 1) ((v aa r k) 1)))"), "\\'ardv\\\"ark");
    EXPECT_EQ(Pronounce("(\"strengths\" nil (((s t r eh ng k th s) 1)))"), "str\\'EGkTs");
    EXPECT_EQ(Pronounce("(\"x\" nil (((m) 1)))"), "\\'m") << "a syllable without a vowel is marked on its first phone";
    EXPECT_EQ(Pronounce("(\"x\" nil (((t ax) 0) ((k q) 1)))"), "<unmapped>");
}

}  // namespace
}  // namespace kav::font
