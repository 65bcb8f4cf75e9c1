// The shipped English font reading the cases of tests/e2e/kal16_text.golden:
// numbers, abbreviations, symbols, phrasing and where sentences end, each
// case one line of text and the result it must give.  Set
// KAVREL_GOLDEN_UPDATE to rewrite the file with what the font gives now
// (then read the difference before committing it).
#include "api/engine_state.h"
#include "api/services.h"
#include "platform/testing.h"
#include "rules/rule_pass.h"

#include <kavsyn.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kShare = std::string(KAVREL_BINARY_DIR) + "/share/kavrel";
const std::string kGolden = std::string(KAVREL_SOURCE_DIR) + "/tests/e2e/kal16_text.golden";
const std::string kArrow = " => ";

// "\n" in a case's text stands for a line break; the phonetic side is
// taken as it is written, backslashes and all.
std::string Unescape(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

class Kal16Text : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kShare + "/KAL16.DLL"))
            GTEST_SKIP() << "the speech fonts were not built (festival data missing)";
        unsetenv("KAVREL_REGISTRY");
        kav::testing::ReloadRegistry(nullptr);
        scb_ = OpenSpeech(nullptr, 0, "KAL16");
        ASSERT_NE(scb_, nullptr);
    }
    void TearDown() override {
        if (scb_ != nullptr) CloseSpeech(scb_);
    }

    std::string Phonetics(const std::string &text, UINT plain) {
        char *out = TextToPhonetics(scb_, text.c_str(), plain);
        if (out == nullptr) return "(null)";
        std::string s(out);
        FreePhoneticsBuffer(out);
        return s;
    }

    // The sentences the font's sentence program cuts the text into, joined
    // by " | ": each run of the program keeps one sentence, whose length
    // is how far the walk moves on.
    std::string Sentences(const std::string &text) {
        std::string joined;
        kav::SetCurrentSCB(scb_);
        for (size_t at = 0; at < text.size();) {
            char *sentence = nullptr;
            if (kav::RunRulePass(text.c_str() + at, scb_->hSentenceRule, &sentence) != 0) return "(pass failed)";
            const std::string s(sentence);
            kav::FreeBlock(sentence);
            joined += joined.empty() ? "" : " | ";
            for (char c : s) joined += c == '\n' ? std::string("\\n") : std::string(1, c);
            at += s.empty() ? 1 : s.size();
        }
        return joined;
    }

    // One case: "plain TEXT => PHONETICS" (the transcription), "spoken TEXT
    // => PHONETICS" (with pitch marks and pauses) or "sentences TEXT => ONE
    // | TWO".
    std::string Run(const std::string &kind, const std::string &text) {
        if (kind == "plain") return Phonetics(text, 1);
        if (kind == "spoken") return Phonetics(text, 0);
        if (kind == "sentences") return Sentences(Unescape(text));
        return "(unknown kind " + kind + ")";
    }

    LPSCB scb_ = nullptr;
};

TEST_F(Kal16Text, GoldenCases) {
    std::ifstream in(kGolden);
    ASSERT_TRUE(in) << kGolden;
    const bool update = std::getenv("KAVREL_GOLDEN_UPDATE") != nullptr;
    std::vector<std::string> lines;
    int cases = 0;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const size_t space = line.find(' ');
        const size_t arrow = line.find(kArrow);
        if (line.empty() || line[0] == '#' || space == std::string::npos || arrow == std::string::npos ||
            arrow < space) {
            lines.push_back(line);
            continue;
        }
        const std::string kind = line.substr(0, space);
        const std::string text = line.substr(space + 1, arrow - space - 1);
        const std::string expected = line.substr(arrow + kArrow.size());
        const std::string actual = Run(kind, text);
        ++cases;
        if (update) lines.push_back(kind + " " + text + kArrow + actual);
        else EXPECT_EQ(actual, expected) << kGolden << ":" << number << ": " << text;
    }
    EXPECT_GT(cases, 0);
    if (update) {
        std::ofstream out(kGolden);
        for (const std::string &l : lines) out << l << "\n";
    }
}

}  // namespace
