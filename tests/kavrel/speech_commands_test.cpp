// kavrel phonetics and kavrel say on a small registered font.
#include "fonts/test_fonts.h"
#include "kavrel/run_kavrel.h"
#include "rules/rule_asm.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kavtest::Kavrel;
using kavtest::Outcome;

// The minimal font with one working pass that reads the letter x as the
// voice's phoneme a.
class SpeechCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ruletest::Asm a;
        a.Rewrite("", "x", "", "a");
        a.End();
        reg_.AddFont("KAVTEST", kav::testfonts::TestFont::Minimal().SetInteger("NUMRULEPASSES", 1).Set("RULE", 300, a.Build()));
        reg_.Apply();
        registry_ = reg_.Dir() + "/kavrel.reg";
    }
    kav::testfonts::FontRegistry reg_;
    std::string registry_;
};

TEST_F(SpeechCommands, PhoneticsPrintsTheFontsTranscription) {
    Outcome r = Kavrel("phonetics --plain x x", registry_);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "aa\n");
    r = Kavrel("phonetics -v kavtest x", registry_);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find('a'), std::string::npos);
    EXPECT_NE(r.out.find("H "), std::string::npos) << "pitch marks expected: " << r.out;
    r = Kavrel("phonetics -v NOSUCH x", registry_);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "kavrel: Cannot load the speech font (-112)\n");
    EXPECT_EQ(Kavrel("phonetics", registry_).status, 2);
    EXPECT_EQ(Kavrel("phonetics --bogus x", registry_).status, 2);
}

TEST_F(SpeechCommands, SayWritesAWaveFileThatAnotherReaderAccepts) {
    const std::string wav = reg_.Dir() + "/out.wav";
    Outcome r = Kavrel("say --phonetic 'a\\D100M a' -o " + wav, registry_);
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string check = "python3 -c \"import wave; w = wave.open('" + wav +
                              "'); print(w.getnchannels(), w.getframerate(), w.getsampwidth(), w.getnframes() > 1000)\"";
    FILE *p = popen(check.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char line[128] = "";
    ASSERT_NE(std::fgets(line, sizeof line, p), nullptr);
    pclose(p);
    EXPECT_STREQ(line, "1 11025 1 True\n");

    r = Kavrel("say --phonetic a -o " + reg_.Dir() + "/missing/dir/out.wav", registry_);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("the WAVE file could not be opened (-119)"), std::string::npos) << r.out;
    EXPECT_EQ(Kavrel("say -o " + wav, registry_).status, 2);
    EXPECT_EQ(Kavrel("say --phonetic a -a 5 -o " + wav, registry_).status, 2);
}

// Without -o the string plays; the device comes from KAVREL_WAVEOUT.
TEST_F(SpeechCommands, SayPlaysAndPrintsTheNotificationsAsTheyCome) {
    Outcome r = Kavrel("say --phonetic 'a\\|5 a\\D100M\\^a' --events -a 3", registry_, "virtual");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char *what : {" mouth ", " bookmark 53\n", " sync ", " end "})
        EXPECT_NE(r.out.find(what), std::string::npos) << what << " in\n" << r.out;
    EXPECT_LT(r.out.find(" bookmark "), r.out.find(" sync "));
    EXPECT_LT(r.out.find(" sync "), r.out.find(" end "));

    r = Kavrel("say --phonetic a", registry_, "none");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "kavrel: No waveOut devices available. (-118)\n");
    EXPECT_EQ(Kavrel("say --phonetic a -a 10", registry_, "virtual").status, 2);
}

}  // namespace
