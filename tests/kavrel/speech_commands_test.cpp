// kavrel phonetics, sentences and say on a small registered font.  WAVE
// output is read back with python3's wave module.
#include "fonts/test_fonts.h"
#include "kavrel/run_kavrel.h"
#include "rule_compiler.h"
#include "rules/rule_asm.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

using kavtest::Kavrel;
using kavtest::Outcome;

// The minimal font with one working pass that reads the letter x as the
// voice's phoneme a, and a sentence program that splits at blanks.
class SpeechCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ruletest::Asm a;
        a.Rewrite("", "x", "", "a");
        a.End();
        const auto words = kav::font::CompileRules("class white = \" \"\n^ seek(white) [rest] ->\n");
        ASSERT_TRUE(words.ok());
        reg_.AddFont("KAVTEST", kav::testfonts::TestFont::Minimal()
                                    .SetInteger("NUMRULEPASSES", 1)
                                    .Set("RULE", 300, a.Build())
                                    .Set("RULE", 350, words.bytes));
        reg_.Apply();
        registry_ = reg_.Dir() + "/kavrel.reg";
    }
    std::string Path(const std::string &name) const { return reg_.Dir() + "/" + name; }
    static std::string Read(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // "channels rate width frames" of a WAVE file as python's reader sees it,
    // after it checked that the RIFF size covers the file exactly.
    std::string WaveInfo(const std::string &path) {
        const std::string py = "import wave, os, struct, sys\n"
                               "p = sys.argv[1]\n"
                               "riff = struct.unpack('<I', open(p, 'rb').read(8)[4:])[0]\n"
                               "assert riff == os.path.getsize(p) - 8, (riff, os.path.getsize(p))\n"
                               "w = wave.open(p)\n"
                               "print(w.getnchannels(), w.getframerate(), w.getsampwidth(), w.getnframes())\n";
        std::ofstream(Path("info.py")) << py;
        Outcome r = kavtest::Shell("python3 " + Path("info.py") + " " + path);
        EXPECT_EQ(r.status, 0) << r.out;
        return r.out;
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
    EXPECT_NE(r.out.find("out.wav: No such file or directory"), std::string::npos) << r.out;
    EXPECT_EQ(Kavrel("say -o " + wav, registry_).status, 2);
    EXPECT_EQ(Kavrel("say --phonetic a x -o " + wav, registry_).status, 2);  // two texts
}

TEST_F(SpeechCommands, SentencesPrintsOneALineFromEverySource) {
    Outcome r = Kavrel("sentences 'one two' three", registry_);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "one\ntwo\nthree\n");
    std::ofstream(Path("text")) << "x\tyy\n z";  // tabs and line breaks stay inside
    r = Kavrel("sentences -f " + Path("text"), registry_);
    EXPECT_EQ(r.out, "x yy\nz\n");
    r = Kavrel("sentences - < " + Path("text"), registry_);
    EXPECT_EQ(r.out, "x yy\nz\n");
    EXPECT_EQ(Kavrel("sentences", registry_).status, 2);
    EXPECT_EQ(Kavrel("sentences a -f " + Path("text"), registry_).status, 2);
    r = Kavrel("sentences -f " + Path("absent"), registry_);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("absent: No such file or directory"), std::string::npos) << r.out;
}

// Sentence by sentence into one file: four one-word sentences make four
// times the samples of one, and the header's sizes are the file's.
TEST_F(SpeechCommands, WritesAWholeTextIntoOneWaveFile) {
    Outcome r = Kavrel("say -o " + Path("one.wav") + " x", registry_);
    ASSERT_EQ(r.status, 0) << r.out;
    r = Kavrel("say -w " + Path("four.wav") + " -p 5 -s 5 x x x x", registry_);
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string one = WaveInfo(Path("one.wav"));
    const long frames = std::stol(one.substr(one.rfind(' ')));
    ASSERT_GT(frames, 100);
    EXPECT_EQ(one.substr(0, one.rfind(' ')), "1 11025 1");
    EXPECT_EQ(WaveInfo(Path("four.wav")), "1 11025 1 " + std::to_string(4 * frames) + "\n");

    // The stream carries the same samples behind a header of open sizes.
    r = Kavrel("say --stdout x x x x > " + Path("stream.wav"), registry_);
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string file = Read(Path("four.wav")), stream = Read(Path("stream.wav"));
    ASSERT_EQ(stream.size(), file.size());
    EXPECT_EQ(stream.substr(4, 4), std::string(4, '\xFF'));
    EXPECT_EQ(stream.substr(40, 4), std::string(4, '\xFF'));
    EXPECT_EQ(stream.substr(44, 4 * frames), file.substr(44, 4 * frames));

    // A text with no word in it is a WAVE file without samples.
    r = Kavrel("say -o " + Path("none.wav") + " '   '", registry_);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(WaveInfo(Path("none.wav")), "1 11025 1 0\n");
}

TEST_F(SpeechCommands, LevelsAreCheckedAndVolumeWarns) {
    const std::string out = " -o " + Path("v.wav") + " x";
    EXPECT_EQ(Kavrel("say -p 16" + out, registry_).status, 2);
    EXPECT_EQ(Kavrel("say -s -6" + out, registry_).status, 2);
    EXPECT_EQ(Kavrel("say -s fast" + out, registry_).status, 2);
    EXPECT_EQ(Kavrel("say -a 10" + out, registry_).status, 2);
    EXPECT_EQ(Kavrel("say --stdout" + out, registry_).status, 2);
    EXPECT_EQ(Kavrel("say -p -5 -s 15" + out, registry_).status, 0);
    Outcome r = Kavrel("say -a 3" + out, registry_);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("kavrel: warning: the volume applies only when playing"), std::string::npos) << r.out;
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
