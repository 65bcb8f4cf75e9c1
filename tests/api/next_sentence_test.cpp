#include "api/engine_test.h"
#include "platform/testing.h"
#include "rule_compiler.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kav::apitest {
namespace {

using testfonts::TestFont;

// Keeps the text up to the first blank: a program that splits at words.
const char kWords[] = "class white = \" \"\n^ seek(white) [rest] ->\n";
// Gives the text back unchanged, so the sentence is the whole window.
const char kWhole[] = "[\"\\x01\"] ->\n";
// Consumes nothing at a '#', else keeps the first word.
const char kSkipHashes[] =
    "class white = \" \"\n"
    "once {\n"
    "  ^ [\"#\" rest] -> leave\n"
    "  ^ seek(white) [rest] -> leave\n"
    "}\n";

class NextSentenceTest : public EngineTest {
protected:
    // Opens a font whose sentence program is `source`; `versioned` false
    // leaves out VERSIONNUMBER.
    LPSCB OpenWith(const char *source, bool versioned = true) {
        const font::CompiledRules program = font::CompileRules(source);
        EXPECT_TRUE(program.ok()) << font::FormatRuleErrors("sentence", program.errors);
        TestFont f = TestFont::Minimal().Set("RULE", 350, program.bytes);
        if (!versioned) f.Remove(10, "VERSIONNUMBER");
        reg_.AddFont("KAVTEST", f);
        reg_.Apply();
        scb_ = Open("KAVTEST");
        EXPECT_EQ(SpeechStatus(scb_), 0);
        return scb_;
    }
    void TearDown() override {
        if (scb_ != nullptr) CloseSpeech(scb_);
        EngineTest::TearDown();
    }
    // Every sentence of the walk, and where the cursor stood after each.
    std::vector<std::string> Walk(const char *text) {
        std::vector<std::string> out;
        for (char *s = NextSentence(scb_, text); s != nullptr; s = NextSentence(scb_, nullptr)) {
            out.emplace_back(s);
            EXPECT_EQ(scb_->lpSentence, s);
            if (out.size() > 1000) break;
        }
        EXPECT_EQ(scb_->lpNextText, nullptr);
        return out;
    }
    LPSCB scb_ = nullptr;
};

using Sentences = std::vector<std::string>;

TEST_F(NextSentenceTest, WalksTheTextAndStopsAtItsEnd) {
    OpenWith(kWords);
    const char text[] = "one two  three";
    EXPECT_EQ(NextSentence(scb_, text), std::string("one"));
    EXPECT_EQ(scb_->lpNextText, text + 3);
    // At a blank the program keeps nothing: the walk steps over it.
    EXPECT_EQ(Walk(text), (Sentences{"one", "two", "three"}));
    EXPECT_EQ(NextSentence(scb_, nullptr), nullptr);  // and stays at the end
    EXPECT_EQ(NextSentence(scb_, nullptr), nullptr);
    EXPECT_EQ(NextSentence(scb_, ""), nullptr);
    EXPECT_EQ(NextSentence(nullptr, text), nullptr);
}

TEST_F(NextSentenceTest, MovesOnOneCharacterWhereNothingIsConsumed) {
    OpenWith(kSkipHashes);
    EXPECT_EQ(Walk("##ab cd#"), (Sentences{"ab", "cd#"}));
    EXPECT_EQ(Walk("###"), Sentences{});
}

// A font without a version emits two characters more than it consumes.
TEST_F(NextSentenceTest, OldFontsCountTwoCharactersLess) {
    OpenWith(kWords, false);
    // "abcdef" reaches 4 characters; from "ef ghi" on, "ef", "f" and " "
    // count as nothing, and "ghi" is the last sentence.
    EXPECT_EQ(Walk("abcdef ghi"), (Sentences{"abcdef", "ghi"}));
}

TEST_F(NextSentenceTest, FailedProgramEndsTheWalk) {
    reg_.AddFont("KAVTEST", TestFont::Minimal());  // its sentence program is not a program
    reg_.Apply();
    scb_ = Open("KAVTEST");
    EXPECT_EQ(NextSentence(scb_, "some text"), nullptr);
    EXPECT_EQ(scb_->lpNextText, nullptr);
    EXPECT_EQ(scb_->lpSentence, nullptr);
}

// The program sees 32000 characters, stretched to the first white space
// within the next 128 or cut 128 further on; the client's text is not
// touched.
TEST_F(NextSentenceTest, LongTextsAreOfferedInAWindow) {
    OpenWith(kWhole);
    struct Case {
        std::string text;
        size_t first;
    } cases[] = {
        {std::string(32000, 'a') + "bbb\tcc" + std::string(300, 'c'), 32003},
        {std::string(32000, 'a') + " x", 32000},
        {std::string(32000, 'a') + std::string(127, 'b') + "\n", 32127},
        {std::string(32000 + 300, 'a'), 32128},
        {std::string(32000 + 100, 'a'), 32100},
        {std::string(31999, 'a'), 31999},
    };
    for (const Case &c : cases) {
        const std::string copy = c.text;
        const Sentences got = Walk(c.text.c_str());
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got[0].size(), c.first);
        std::string joined;
        for (const std::string &s : got) joined += s;
        EXPECT_EQ(joined, c.text);
        EXPECT_EQ(c.text, copy);
    }
}

// The shipped font's sentence program splits at a full stop, question or
// exclamation mark before white space.
TEST_F(NextSentenceTest, ShippedFontSplitsAtSentenceEnds) {
    const std::string share = std::string(KAVREL_BINARY_DIR) + "/share/kavrel";
    if (!std::filesystem::exists(share + "/KAL16.DLL")) GTEST_SKIP() << "KAL16 was not built";
    kav::testing::ReloadRegistry((share + "/kavrel.reg").c_str());
    scb_ = Open("KAL16");
    ASSERT_EQ(SpeechStatus(scb_), 0);
    EXPECT_EQ(Walk("Hello, world. Is 3.5 big?\nYes! no end"),
              (Sentences{"Hello, world.", " Is 3.5 big?", "\nYes!", " no end"}));
}

}  // namespace
}  // namespace kav::apitest
