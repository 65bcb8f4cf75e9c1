// The letter-to-sound pass in the shape tools/font/lts_learn.py writes it,
// run through the engine as the font runs it, and the kernel lexicon's
// choice of the words the rules miss.
#include "kernel_lexicon.h"
#include "letter_to_sound.h"
#include "rule_compiler.h"

#include "api/services.h"
#include "rules/rule_pass.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kav::font {
namespace {

using ::testing::ElementsAre;

// E is silent after T at the word's end and long at its start; C is soft
// before E; A is long in "#CA" at the start of a word.
constexpr const char *kPass = R"(mask letters
class letter = 'A'-'Z' "'."
class context = letter "#"
[$escape] > -> $escape
sub escape = "\\" seek((escapeend | $))
class escapeend = " '\"-"
foreach ["#" letter+ "#"] > {
    seek($t2) context > context [letter] -> $t2
    seek($t1) context > [letter] -> $t1
    seek($t0) [letter] > -> $t0
    ["#"] ->
}
longest t0 {
    "A" "\\'@"
    "C" "k"
    "CE" "s"
    "E" "E"
    "T" "t"
    "S" "z"
    "'" ""
}
longest t1 {
    "TE#" ""
    "#E" "\\'i"
}
longest t2 {
    "#CA" "\\'e"
}
)";

std::string RunPass(const std::string &text) {
    const CompiledRules program = CompileRules(kPass);
    EXPECT_TRUE(program.ok()) << FormatRuleErrors("pass", program.errors);
    char *out = nullptr;
    EXPECT_EQ(RunRulePassOver(text.c_str(), program.bytes.data(), static_cast<DWORD>(program.bytes.size()), &out), 0);
    std::string s = out == nullptr ? "(null)" : out;
    FreeBlock(out);
    return s;
}

TEST(LetterToSound, LongerLeftContextFirstThenTheLongestKey) {
    const LetterToSound rules({CompileRules(kPass).bytes});
    EXPECT_EQ(rules.Pronounce("CAT"), "k\\'et") << "#CA (two letters left) beats A alone";
    EXPECT_EQ(rules.Pronounce("TACT"), "t\\'@kt") << "#CA only at the word's start";
    EXPECT_EQ(rules.Pronounce("CET"), "sEt") << "CE, the longer key, beats C";
    EXPECT_EQ(rules.Pronounce("ETTE"), "\\'itt") << "#E and TE# need the word's edges";
    EXPECT_EQ(rules.Pronounce("TACT'S"), "t\\'@ktz");
}

TEST(LetterToSound, OnlyMarkedWordsAreRewrittenAndEscapesPass) {
    EXPECT_EQ(RunPass(" \\b1 #CAT# \x1c" "12 TACT #TE# "), " \\b1 k\\'et \x1c" "12 TACT t ");
    EXPECT_EQ(RunPass(" #CAT#TE# "), " k\\'etTE# ") << "one word per pair of marks";
    EXPECT_EQ(RunPass(" ## # "), " ## # ");
}

TEST(LetterToSound, StressAndHeldOutWords) {
    EXPECT_EQ(WithoutStress("hxl\\'o w\\\"Rld\\"), "hxlo wRld\\");
    // The learner's FNV-1a split: these hash to 0 modulo 10, the others not.
    EXPECT_TRUE(IsHeldOut("KAVREL"));
    EXPECT_TRUE(IsHeldOut("C"));
    for (const char *word : {"CAT", "DOG", "THE", "A", "ABC"}) EXPECT_FALSE(IsHeldOut(word)) << word;

    Accuracy a;
    a.Add(2, "k\\'@t", "k\\'@t");
    a.Add(1, "k@t", "k\\'@t");
    a.Add(1, "kat", "k\\'@t");
    EXPECT_EQ(a.total, 4);
    EXPECT_EQ(a.right, 2);
    EXPECT_EQ(a.phonesRight, 3);
}

TEST(KernelChoice, ExtraEntriesFirstThenWhatTheRulesMissByProbability) {
    const std::vector<KernelWord> candidates = {
        {"CAT", "k\\'@t", 0.3}, {"DOG", "d\\'cg", 0.1}, {"THE", "D\\'i", 0.5}, {"ZEBRA", "z\\'ibrx", 0.2},
        {"AARDVARK", "\\'ardv\\\"ark", 0}, {"QUUX", "kw\\'Aks", 0}};
    KernelChoice choice;
    choice.maxWords = 4;
    choice.extra = {{"THE", "Dx", 0}, {"A.", "\\'e", 0}, {"THE", "Di", 0}};
    choice.rulesSayRight = [](const KernelWord &w) { return w.key == "CAT" || w.key == "QUUX"; };
    KernelLexiconStats s;
    const auto words = ChooseKernelWords(candidates, choice, s);
    std::vector<std::string> got;
    for (const KernelWord &w : words) got.push_back(w.key + "=" + w.pronunciation);
    EXPECT_THAT(got, ElementsAre("A.=\\'e", "DOG=d\\'cg", "THE=Dx", "ZEBRA=z\\'ibrx"))
        << "the first extra entry of a key wins; the words the rules miss come next";
    EXPECT_EQ(s.ruled, 2u);
    EXPECT_EQ(s.chosen, 4u);
    EXPECT_DOUBLE_EQ(s.chosenMass, 0.8) << "an extra entry keeps its word's probability";
    EXPECT_EQ(s.chosenSeen, 3u);

    // With room, a running-text word the rules say right is listed too (a
    // dictionary hit is cheaper); one running text lacks is not.
    choice.maxWords = 10;
    s = {};
    got.clear();
    for (const KernelWord &w : ChooseKernelWords(candidates, choice, s)) got.push_back(w.key);
    EXPECT_THAT(got, ElementsAre("A.", "AARDVARK", "CAT", "DOG", "THE", "ZEBRA"));
    EXPECT_EQ(s.ruled, 1u);
}

}  // namespace
}  // namespace kav::font
