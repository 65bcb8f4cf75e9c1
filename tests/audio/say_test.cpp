// Say on the virtual wave device, with the clock moved by a ticker while
// Say waits on the test's thread.
#include "audio/audio_fixture.h"
#include "rule_compiler.h"

namespace kav::audiotest {
namespace {

using testfonts::TestFont;

class SayTest : public AudioTest {
protected:
    // x reads as the voice's phoneme a; the sentence program splits at
    // blanks.
    void SetUp() override {
        AudioTest::SetUp();
        const font::CompiledRules pass = font::CompileRules("[\"x\"] > -> \"a\"\n");
        const font::CompiledRules words = font::CompileRules("class white = \" \"\n^ seek(white) [rest] ->\n");
        ASSERT_TRUE(pass.ok() && words.ok());
        reg_.AddFont("SAYTEST", TestFont::WithVoice(voice_)
                                    .SetInteger("NUMRULEPASSES", 1)
                                    .Set("RULE", 300, pass.bytes)
                                    .Set("RULE", 350, words.bytes));
        reg_.AddFont("NOPASS", TestFont::WithVoice(voice_).Set("RULE", 350, words.bytes));
        reg_.Apply();
    }
    LONG SayNow(LPSCB scb, const char *text) {
        Ticker ticker;
        return Say(scb, text);
    }
    // The bytes one sentence "x" plays.
    size_t OnePhrase(LPSCB scb) {
        kav::testing::ResetVirtualWaveOut();
        EXPECT_EQ(SayNow(scb, "x"), 0);
        const size_t n = Played().size();
        kav::testing::ResetVirtualWaveOut();
        return n;
    }
};

// Each sentence plays once, in turn; what came for the end-of-phrase
// target meanwhile is taken out of the queue, other messages stay.
TEST_F(SayTest, SpeaksEverySentenceAndTakesItsTargetsMessages) {
    LPSCB scb = Open(0, "SAYTEST");
    const size_t one = OnePhrase(scb);
    ASSERT_GT(one, 0u);
    KavPostMessage(hwnd_, scb->msgDone, SE_NOTIFY_SYNC, 7);
    KavPostMessage(hwnd_, WM_USER, 1, 2);
    EXPECT_EQ(SayNow(scb, "x x x"), 0);
    EXPECT_EQ(Played().size(), 3 * one);
    EXPECT_EQ(scb->lpNextText, nullptr);
    MSG m;
    ASSERT_TRUE(KavPeekMessage(&m, hwnd_, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(KavPeekMessage(&m, hwnd_, 0, 0, PM_REMOVE));
}

TEST_F(SayTest, NothingToSayPlaysNothing) {
    LPSCB scb = Open(0, "SAYTEST");
    EXPECT_EQ(SayNow(scb, nullptr), 0);
    EXPECT_EQ(SayNow(scb, ""), 0);
    EXPECT_EQ(SayNow(scb, "   "), 0);
    LPSCB broken = Open(0, "NOPASS");  // its text pass is no program: nothing converts
    EXPECT_EQ(SayNow(broken, "x x"), 0);
    EXPECT_TRUE(Played().empty());
    EXPECT_EQ(Say(nullptr, "x"), SE_ERR_NOFONT);
}

// A phrase that could not play ends the walk with its error.
TEST_F(SayTest, SpeechThreadErrorIsTheResult) {
    LPSCB scb = Open(0, "SAYTEST");
    kav::testing::FailNextWaveOutOpen(MMSYSERR_ALLOCATED);
    const LONG rc = SayNow(scb, "x x x");
    EXPECT_LT(rc, 0);
    EXPECT_EQ(rc, SpeechStatus(scb));
    EXPECT_TRUE(Played().empty());
}

// Without a target for the end of the phrase Say uses a window of its own
// for as long as it runs.
TEST_F(SayTest, WorksWithoutAnEndOfPhraseWindow) {
    LPSCB scb = Open(0, "SAYTEST");
    const size_t one = OnePhrase(scb);
    ASSERT_EQ(SetSpeechParameter(scb, 4, 0), 0);
    EXPECT_EQ(SayNow(scb, "x x"), 0);
    EXPECT_EQ(Played().size(), 2 * one);
    EXPECT_EQ(scb->hwndDone, nullptr);
}

}  // namespace
}  // namespace kav::audiotest
