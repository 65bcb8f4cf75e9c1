#include "phonetics/speech_header_check.h"
#include "phonetics/voice_header_bytes.h"

#include <gtest/gtest.h>

using kavtest::VoiceHeaderBytes;

namespace {
LONG Check(const std::vector<unsigned char> &b) { return kav::CheckSpeechHeader(b.data(), static_cast<DWORD>(b.size())); }
}  // namespace

TEST(CheckSpeechHeader, AcceptsSpeakableVoicesAtTheirLimits) {
    EXPECT_EQ(Check(VoiceHeaderBytes(3, 16000, 16, 160, "_\nab\nc")), 0);
    EXPECT_EQ(Check(VoiceHeaderBytes(2, 16000, 8, 160, "_\nab\n")), 0);  // a final byte 10 opens no line
    EXPECT_EQ(Check(VoiceHeaderBytes(1, 1, 8, 1, "")), 0);
    EXPECT_EQ(Check(VoiceHeaderBytes(255, kav::kMaxSampleRate, 16, kav::kMaxSampleRate, "_")), 0);
}

TEST(CheckSpeechHeader, RefusesHeadersThatWouldFaultLater) {
    const std::vector<unsigned char> hostile[] = {
        VoiceHeaderBytes(3, 0, 16, 160, "_"),                           // no sample rate
        VoiceHeaderBytes(3, kav::kMaxSampleRate + 1, 16, 160, "_"),     // rate beyond the bound
        VoiceHeaderBytes(3, 16000, 16, 0, "_"),                         // divides by zero
        VoiceHeaderBytes(3, 16000, 16, 16001, "_"),                     // base pitch 0 Hz
        VoiceHeaderBytes(3, 16000, 12, 160, "_"),                       // neither 8 nor 16 bits
        VoiceHeaderBytes(0, 16000, 16, 160, ""),                        // no phonemes
        VoiceHeaderBytes(256, 16000, 16, 160, "_"),                     // beyond the phoneme map
        VoiceHeaderBytes(2, 16000, 16, 160, "_\na\nb"),                 // a line past the last phoneme
        VoiceHeaderBytes(3, 16000, 16, 160, "_\na", false),             // text runs off the data
    };
    for (const auto &b : hostile) EXPECT_EQ(Check(b), SE_ERR_FONTLOAD);
    const auto good = VoiceHeaderBytes(3, 16000, 16, 160, "_");
    EXPECT_EQ(kav::CheckSpeechHeader(good.data(), 27), SE_ERR_FONTLOAD);  // fixed fields cut short
    EXPECT_EQ(kav::CheckSpeechHeader(good.data(), 28), SE_ERR_FONTLOAD);  // no room for the NUL
    EXPECT_EQ(kav::CheckSpeechHeader(nullptr, 100), SE_ERR_FONTLOAD);
}
