#include "synth/synthesis_guard.h"
#include "synth_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

using kav::testing::Phrase;
using kav::testing::SyntheticVoice;
using kav::testing::VoiceScb;

namespace {
std::string TempPath(const std::string &name) { return ::testing::TempDir() + "kav_write_" + name; }

std::vector<BYTE> ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

// Reads the file with Python's wave module: "channels width rate frames",
// and the frames into raw.
std::string ReadWithPython(const std::string &wav, const std::string &raw) {
    const std::string cmd = "python3 -c \"import wave,sys; w=wave.open(sys.argv[1]); "
                            "print(w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes()); "
                            "open(sys.argv[2],'wb').write(w.readframes(w.getnframes()))\" " +
                            wav + " " + raw + " 2>&1";
    std::string out;
    if (FILE *p = popen(cmd.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, p) != nullptr) out += line;
        pclose(p);
    }
    return out;
}

DWORD Le32(const std::vector<BYTE> &b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | DWORD(b[at + 3]) << 24; }

LONG Write(SCB &scb, const char *phonetics, const std::string &path) {
    kav::testing::DefaultStressIncrements();
    return WritePhonetics(&scb, const_cast<char *>(phonetics), const_cast<char *>(path.c_str()));
}
}  // namespace

TEST(WritePhonetics, FileHoldsThePhraseInTheFontsFormat) {
    struct Case {
        DWORD bits, rate, avg, align;
    };
    for (const Case c : {Case{8, 11025, 11025, 1}, Case{16, 22050, 44100, 2}}) {
        SyntheticVoice v;
        v.bits = c.bits;
        v.rate = c.rate;
        v.Fill(3);
        const std::vector<BYTE> pcm = Phrase(v, "ab\\D1Mba").Drain();
        VoiceScb font(v);
        const std::string wav = TempPath(std::to_string(c.bits) + ".wav"), raw = wav + ".raw";
        ASSERT_EQ(Write(font.scb, "ab\\D1Mba", wav), 0);
        EXPECT_EQ(font.scb.nStatus, 0);
        EXPECT_EQ(font.scb.fSynthBusy, 0u);
        EXPECT_EQ(std::string(font.scb.lpWaveFileName), wav);
        EXPECT_EQ(ReadWithPython(wav, raw), "1 " + std::to_string(c.bits / 8) + " " + std::to_string(c.rate) + " " +
                                               std::to_string(pcm.size() / (c.bits / 8)) + "\n");
        EXPECT_EQ(ReadAll(raw), pcm);
        const std::vector<BYTE> file = ReadAll(wav);
        ASSERT_GE(file.size(), 44u);
        EXPECT_EQ(Le32(file, 4), file.size() - 8);
        EXPECT_EQ(Le32(file, 28), c.avg);
        EXPECT_EQ(file[32], c.align);
        EXPECT_EQ(file.size() % 2, 0u);  // an odd data chunk is padded
        ASSERT_EQ(Write(font.scb, "", wav), 0);  // an empty string: a valid file
        EXPECT_EQ(ReadWithPython(wav, raw).substr(0, 2), "1 ");
        std::remove(wav.c_str());
        std::remove(raw.c_str());
    }
}

TEST(WritePhonetics, ErrorsAfterTheStartGoToStatus) {
    SyntheticVoice v;
    v.Fill(1);
    VoiceScb font(v);
    EXPECT_EQ(Write(font.scb, "ab", "/nonexistent-dir/x/out.wav"), 0);
    EXPECT_EQ(font.scb.nStatus, SE_ERR_WAVEFILEOPEN);
    EXPECT_EQ(kav::SynthesisHolder(), nullptr);  // free for the next request
    EXPECT_EQ(font.scb.fSynthBusy, 0u);
    font.scb.nStatus = 0;
    EXPECT_EQ(Write(font.scb, "ab\\S3", "/dev/full"), 0);  // every write falls short
    EXPECT_EQ(font.scb.nStatus, SE_ERR_WAVEFILEWRITE);
    EXPECT_EQ(font.scb.nSpeed, 3);  // synthesis had begun: its end still ran, \S persists

    font.scb.hFontModule = nullptr;
    EXPECT_EQ(Write(font.scb, "ab", TempPath("nofont.wav")), SE_ERR_NOFONT);
    EXPECT_EQ(WritePhonetics(nullptr, nullptr, nullptr), SE_ERR_NOFONT);
}

TEST(WritePhonetics, RefusesWhileAnySCBHoldsSynthesis) {
    SyntheticVoice v;
    v.Fill(1);
    VoiceScb one(v), other(v);
    const std::string wav = TempPath("busy.wav");
    ASSERT_TRUE(kav::TryAcquireSynthesis(&other.scb));  // a phrase of another SCB plays
    EXPECT_EQ(Write(one.scb, "ab", wav), SE_ERR_SYNTHBUSY);
    EXPECT_EQ(Write(other.scb, "ab", wav), SE_ERR_SYNTHBUSY);
    kav::ReleaseSynthesis(&one.scb);  // only the holder can give it back
    EXPECT_EQ(kav::SynthesisHolder(), &other.scb);
    kav::ReleaseSynthesis(&other.scb);
    one.scb.fSynthBusy = 1;  // this SCB's own phrase
    EXPECT_EQ(Write(one.scb, "ab", wav), SE_ERR_SYNTHBUSY);
    EXPECT_EQ(kav::SynthesisHolder(), nullptr);
    one.scb.fSynthBusy = 0;
    EXPECT_EQ(Write(one.scb, "ab", wav), 0);
    EXPECT_EQ(one.scb.nStatus, 0);
    std::remove(wav.c_str());
}
