#include "phonetics/text_classes.h"
#include "phonetics/encoder_fixture.h"
#include "platform/testing.h"
#include "rules/rule_asm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kavtest::g_boxes;

// A font in an SCB: the encoder's test voice plus rule passes and an
// optional mask table, each a resource handle over program bytes.
class TextToPhoneticsTest : public kavtest::EncoderTest {
protected:
    void SetUp() override {
        EncoderTest::SetUp();
        scb_.hFontModule = reinterpret_cast<HMODULE>(1);
    }
    void TearDown() override {
        for (HGLOBAL h : handles_) FreeResource(h);
        EncoderTest::TearDown();
    }
    void AddPass(const ruletest::Bytes &program) {
        HGLOBAL h = kav::testing::MakeResource(program.data(), program.size());
        handles_.push_back(h);
        scb_.hRULE[scb_.nRulePasses++] = h;
    }
    // A pass that rewrites one string into another everywhere.
    void AddRewrite(const std::string &from, const std::string &to) {
        ruletest::Asm a;
        a.Rewrite("", from, "", to);
        a.End();
        AddPass(a.Build());
    }
    void SetMasks(const std::vector<WORD> &masks) {
        std::vector<unsigned char> bytes;
        for (WORD m : masks) {
            bytes.push_back(m & 0xFF);
            bytes.push_back(m >> 8);
        }
        scb_.hPassMask = kav::testing::MakeResource(bytes.data(), bytes.size());
        handles_.push_back(scb_.hPassMask);
    }
    // Plain transcription of a text, or "(null)".
    std::string Plain(const std::string &text, UINT flag = 1) {
        char *out = TextToPhonetics(&scb_, text.c_str(), flag);
        if (out == nullptr) return "(null)";
        std::string s(out);
        EXPECT_EQ(FreePhoneticsBufferForTest(out), 0);
        return s;
    }
    static int FreePhoneticsBufferForTest(char *p) { return kav::FreeBlock(p); }
    std::vector<HGLOBAL> handles_;
};

TEST_F(TextToPhoneticsTest, NothingToConvertGivesNullSilently) {
    AddRewrite("a", "b");
    EXPECT_EQ(TextToPhonetics(&scb_, nullptr, 0), nullptr);
    EXPECT_EQ(TextToPhonetics(&scb_, "", 0), nullptr);
    scb_.hFontModule = nullptr;
    EXPECT_EQ(TextToPhonetics(&scb_, "a", 0), nullptr);
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(TextToPhoneticsTest, PassesRunInOrderAndTheEncoderFinishes) {
    AddRewrite("a", "b");
    AddRewrite("b", "c");
    EXPECT_EQ(Plain("a a"), "cc");  // plain mode runs words together
    EXPECT_EQ(Plain("a", 0x10000), Plain("a", 0)) << "only the flag's low 16 bits count";
    char *full = TextToPhonetics(&scb_, "a", 0);
    ASSERT_NE(full, nullptr);
    EXPECT_NE(std::string(full).find('\\'), std::string::npos) << "prosody marks expected: " << full;
    kav::FreeBlock(full);
}

TEST_F(TextToPhoneticsTest, LengthLimitIs8191Bytes) {
    AddRewrite("a", "b");
    EXPECT_EQ(Plain(std::string(8191, 'a')), std::string(8191, 'b'));
    EXPECT_EQ(Plain(std::string(8192, 'a')), "(null)");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "Kavrel for Win32: String Exceeded 8K Max. Unable to Convert String to Phonetics");
    scb_.wFlags = SE_FLAG_NOMSGBOX;
    EXPECT_EQ(Plain(std::string(9000, 'a')), "(null)");
    EXPECT_EQ(g_boxes.size(), 1u);
}

TEST_F(TextToPhoneticsTest, MaskTableSkipsPassesAndReclassifiesChangedText) {
    AddRewrite("a", "b");  // digits only
    AddRewrite("a", "c");  // always (a bit of 0xFFE0)
    AddRewrite("c", "b");  // never: 0x0004 is never set
    SetMasks({kav::kClassDigits, 0x0020, 0x0004});
    EXPECT_EQ(Plain("a"), "c");
    EXPECT_EQ(Plain("a9"), "b9") << "the digit pass runs first";

    // A pass that turns letters into digits makes the next digit pass run.
    scb_ = SCB{};
    SetUp();
    AddRewrite("a", "9");
    AddRewrite("9", "b");
    SetMasks({kav::kClassLetters, kav::kClassDigits});
    EXPECT_EQ(Plain("a"), "b");
}

TEST_F(TextToPhoneticsTest, ShortMaskTableRunsUnmaskedPasses) {
    AddRewrite("a", "b");
    AddRewrite("b", "c");
    SetMasks({0x0004});
    EXPECT_EQ(Plain("ab"), "ac") << "the first pass never runs, the second has no mask";
}

TEST_F(TextToPhoneticsTest, FailingPassOrMemoryGivesNullAndLeaksNothing) {
    AddRewrite("a", "b");
    const ruletest::Bytes broken = {2, 0, 0, 0, 0, 0, 0, 0, 0x40, 0};  // entry past the end
    AddPass(broken);
    const long live = kav::fault::LiveBlocks();
    EXPECT_EQ(Plain("a"), "(null)");
    EXPECT_EQ(kav::fault::LiveBlocks(), live);

    scb_.nRulePasses = 1;
    scb_.wFlags = SE_FLAG_NOMSGBOX;
    for (long n = 1;; ++n) {
        kav::fault::FailAllocationAfter(n);
        char *out = TextToPhonetics(&scb_, "a a", 1);
        kav::fault::FailAllocationAfter(0);
        if (out != nullptr) {
            EXPECT_STREQ(out, "bb");
            kav::FreeBlock(out);
            break;
        }
        EXPECT_EQ(kav::fault::LiveBlocks(), live) << "after failing allocation " << n;
        ASSERT_LT(n, 100);
    }
    EXPECT_EQ(kav::fault::LiveBlocks(), live);
}

TEST(ClassifyText, ClassesOfWordsCodesAndEmbeddedSequences) {
    EXPECT_EQ(kav::ClassifyText("", 0), kav::kClassAlways);
    EXPECT_EQ(kav::ClassifyText(" abc 12 ", 0), kav::kClassAlways | kav::kClassLetters | kav::kClassDigits);
    EXPECT_EQ(kav::ClassifyText("<<~\x1b" "12>x", 0), kav::kClassAlways | kav::kClassEmbedded | kav::kClassCodes)
        << "the character after the sequence is passed over";
    EXPECT_EQ(kav::ClassifyText("<<x", 0), kav::kClassAlways | kav::kClassLetters);
    EXPECT_EQ(kav::ClassifyText("\x1c" "12ab+3 .", 0), kav::kClassAlways | kav::kClassCodes)
        << "letters inside a code are part of it";
    EXPECT_EQ(kav::ClassifyText("\xe9\xc9", 0), kav::kClassAlways) << "bytes above 127 are not letters";
    // Early stop: the first match with the mask ends the scan.
    EXPECT_EQ(kav::ClassifyText("a1", kav::kClassLetters), kav::kClassAlways | kav::kClassLetters);
    EXPECT_EQ(kav::ClassifyText("a1", 0x0020), kav::kClassAlways);
}

}  // namespace
