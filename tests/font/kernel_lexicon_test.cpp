// The kernel lexicon recipe: word probabilities from the poslex data, the
// choice of words, and the whole recipe on the real festival files where
// they are installed.
#include "kernel_lexicon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kav::font {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

// A tag model as festival writes it: big-endian doubles after three lines.
std::string TagModel(const std::string &tags, int order, const std::vector<double> &values) {
    std::string out = "NgramBin_2 " + std::to_string(order) + "\n" + tags + " \n" + tags + " \n";
    for (double v : values) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 7; i >= 0; --i) out.push_back(static_cast<char>(bits >> (8 * i)));
    }
    return out;
}

TEST(TagCounts, SumsEveryContextAndExpandsRepeatsAcrossThem) {
    // Order 2 over tags A B: four values 3 5 5 5, the last three as one run.
    EXPECT_THAT(ReadTagCounts(TagModel("A B", 2, {3, 5, -3})), ElementsAre(Pair("A", 8.0), Pair("B", 10.0)));
    for (const auto &bad : {TagModel("A B", 2, {3, 5}), TagModel("A B", 2, {3, 5, -4}), TagModel("A B", 2, {-2, 1, 1}),
                            TagModel("A B", 2, {3, 5, -2.5}), TagModel("A B", 9, {1}), std::string("NgramBin_2 2\nA\n")})
        EXPECT_THROW(ReadTagCounts(bad), LexiconError);
}

constexpr const char *kPoslex = "MNCL\n"
                                "(\"the\" ((A -0.693147) ) () )\n"
                                "(\"The\" ((A -1.386294) ) () )\n"
                                "(\"cat\" ((B -1.203973) ) () )\n"
                                "(\"dog\" ((B -1.203973) ) () )\n"
                                "(\",\" ((A -1.386294) ) () )\n"
                                "(\"zebra\" ((B -2.302585) (C -1.0) ) () )\n"
                                "(\"odd\" (A -1.0) () )\n";

constexpr const char *kCmu = "MNCL\n"
                             "(\"a\" dt (((ax) 0)))\n"
                             "(\"a\" n (((ey) 1)))\n"
                             "(\"aardvark\" nil (((aa r d) 1) ((v aa r k) 1)))\n"
                             "(\"cat\" nil (((k ae t) 1)))\n"
                             "(\"dog\" nil (((d ao g) 1)))\n"
                             "(\"The\" nil (((dh ax) 0)))\n"
                             "(\"the\" nil (((dh iy) 1)))\n"
                             "(\"x-ray\" nil (((eh k s) 1) ((r ey) 1)))\n"
                             "(\"zebra\" nil (((z iy) 1) ((b r ax) 0)))\n"
                             "(\"odd line\n"
                             "(\"qq\" nil (((q) 1)))\n";

TEST(KernelLexicon, KeepsTheFirstEntryOfAWordAndChoosesByProbabilityThenKey) {
    size_t odd = 0;
    const auto poslex = ParsePoslex(kPoslex, odd);
    EXPECT_EQ(odd, 1u);
    ASSERT_EQ(poslex.size(), 6u);
    const auto p = WordProbabilities(poslex, ReadTagCounts(TagModel("A B", 2, {3, 5, -3})));
    EXPECT_NEAR(p[0], 0.5 * 8 / 18, 1e-6);
    EXPECT_NEAR(p[5], 0.1 * 10 / 18, 1e-6) << "a tag the model lacks adds nothing";

    KernelLexiconStats s;
    // THE (both spellings) > CAT = DOG > ZEBRA > A = AARDVARK (not in poslex).
    const auto words = BuildKernelLexicon(kCmu, poslex, p, 5, s);
    std::vector<std::pair<std::string, std::string>> got;
    for (const KernelWord &w : words) got.emplace_back(w.key, w.pronunciation);
    EXPECT_THAT(got, ElementsAre(Pair("A", "x"), Pair("CAT", "k\\'@t"), Pair("DOG", "d\\'cg"), Pair("THE", "Dx"),
                                 Pair("ZEBRA", "z\\'ibrx")));
    EXPECT_NEAR(words[3].probability, 0.75 * 8 / 18, 1e-6);
    EXPECT_EQ(s.cmuEntries, 10u);
    EXPECT_EQ(s.oddLines, 2u);
    EXPECT_EQ(s.repeats, 2u);
    EXPECT_EQ(s.badKeys, 1u);
    EXPECT_EQ(s.unmapped, 1u);
    EXPECT_EQ(s.candidates, 6u);
    EXPECT_EQ(s.chosenSeen, 4u);
    EXPECT_NEAR(s.mass, 15.0 / 18, 1e-6);
    EXPECT_NEAR(s.wordMass, 13.0 / 18, 1e-6);
    EXPECT_NEAR(s.chosenMass, 13.0 / 18, 1e-6);

    EXPECT_EQ(BuildKernelLexicon(kCmu, poslex, p, 3, s).back().key, "THE");
    EXPECT_EQ(FormatLexicon({words[0]}, {"made by a test"}), "# made by a test\nA\tx\n");
}

TEST(KernelLexicon, KeysAreUpperCaseLettersAndApostrophes) {
    EXPECT_TRUE(IsKernelKey("DON'T"));
    for (const char *bad : {"", "''", "'", "don't", "X-RAY", "A B", "\xC9T\xC9", "R2"}) EXPECT_FALSE(IsKernelKey(bad)) << bad;
}

std::string Slurp(const char *path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(KernelLexicon, RealFestivalData) {
    constexpr const char *kDir = "/usr/share/festival/dicts/";
    const std::string cmu = Slurp("/usr/share/festival/dicts/cmu/cmudict-0.4.out");
    const std::string poslexText = Slurp("/usr/share/festival/dicts/wsj.wp39.poslexR");
    const std::string model = Slurp("/usr/share/festival/dicts/wsj.wp39.tri.ngrambin");
    if (cmu.empty() || poslexText.empty() || model.empty())
        GTEST_SKIP() << "festlex-cmu or festlex-poslex is not installed under " << kDir;
    size_t odd = 0;
    const auto poslex = ParsePoslex(poslexText, odd);
    EXPECT_EQ(odd, 0u);
    const auto counts = ReadTagCounts(model);
    EXPECT_GT(counts.at("nn"), counts.at("vb"));
    KernelLexiconStats s;
    const auto words = BuildKernelLexicon(cmu, poslex, WordProbabilities(poslex, counts), 65535, s);
    EXPECT_EQ(words.size(), 65535u);
    EXPECT_EQ(s.unmapped, 0u) << "every phone of the lexicon maps";
    EXPECT_NEAR(s.chosenMass, s.candidateMass, 1e-9) << "every running-text word the lexicon has is kept";
    EXPECT_GT(s.chosenMass / s.wordMass, 0.97);
}

}  // namespace
}  // namespace kav::font
