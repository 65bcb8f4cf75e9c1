// The shipped fonts as a user meets them: found through the build tree's
// own registration, with nothing configured.
#include "platform/testing.h"

#include <kavsyn.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string kShare = std::string(KAVREL_BINARY_DIR) + "/share/kavrel";

class ShippedFonts : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kShare + "/" + GetParam() + ".DLL") ||
            !std::filesystem::exists(kShare + "/kavrel.reg"))
            GTEST_SKIP() << "the speech fonts were not built (festival data missing)";
        unsetenv("KAVREL_REGISTRY");
        registry_ = kav::testing::ReloadRegistry(nullptr);
        scb_ = OpenSpeech(nullptr, 0, GetParam());
    }
    void TearDown() override {
        if (scb_ != nullptr) CloseSpeech(scb_);
    }
    std::string Phonetics(const char *text, UINT flag) {
        char *out = TextToPhonetics(scb_, text, flag);
        if (out == nullptr) return "(null)";
        std::string s(out);
        FreePhoneticsBuffer(out);
        return s;
    }
    std::string registry_;
    LPSCB scb_ = nullptr;
};

TEST_P(ShippedFonts, SpeakHelloWorldIntoAWaveFile) {
    // /etc/kavrel comes before the build tree; with one there, this is not
    // the setup under test.
    if (std::filesystem::weakly_canonical(registry_) != std::filesystem::weakly_canonical(kShare + "/kavrel.reg"))
        GTEST_SKIP() << "another registry is in use: " << registry_;
    ASSERT_NE(scb_, nullptr);
    EXPECT_EQ(std::filesystem::weakly_canonical(scb_->szFontPath), std::filesystem::weakly_canonical(kShare));
    // Both words come from the kernel dictionary, stress marks and all.
    EXPECT_EQ(Phonetics("hello world", 1), "hxl\\'ow\\'Rld");
    EXPECT_EQ(Phonetics("Hello, world!", 1), "hxl\\'ow\\'Rld");
    const std::string spoken = Phonetics("hello world", 0);
    ASSERT_NE(spoken.find("w\\'Rld"), std::string::npos) << spoken;

    const std::string wav = testing::TempDir() + "kavrel_e2e_" + GetParam() + ".wav";
    std::string phonetics = spoken;
    ASSERT_EQ(WritePhonetics(scb_, phonetics.data(), const_cast<char *>(wav.c_str())), 0);
    EXPECT_EQ(scb_->nStatus, 0);
    ASSERT_GT(std::filesystem::file_size(wav), 44u + 1000u);
    if (std::system("python3 -c '' >/dev/null 2>&1") == 0) {
        // Another reader's view of the file: a valid RIFF WAVE, mono, about
        // a second of speech at the font's rate.
        const std::string check =
            "python3 -c \"import wave,sys; w=wave.open(sys.argv[1]); "
            "r=w.getframerate(); n=w.getnframes(); "
            "sys.exit(0 if w.getnchannels()==1 and r in (11025,16000) and 0.3*r < n < 3*r else 1)\" " + wav;
        EXPECT_EQ(std::system(check.c_str()), 0) << wav;
    }
    std::remove(wav.c_str());
}

INSTANTIATE_TEST_SUITE_P(Kal, ShippedFonts, ::testing::Values("KAL16", "KAL8"));

}  // namespace
