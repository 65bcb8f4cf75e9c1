// The shipped voices built from the real kal database (skipped where
// festvox-kallpc16k is not installed).
#include "font/voice_decoding.h"
#include "kal_phones.h"
#include "voice_resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace kav::font {
namespace {

using kavtest::RecordAt;
using kavtest::Resource;
using kavtest::U32;

constexpr const char *kGroupFile = "/usr/share/festival/voices/english/kal_diphone/group/kallpc16k.group";

// The 8-bit voice only: the 16-bit one is laid out the same way, and its
// layout is checked on a small database.
class KalVoice : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!std::filesystem::exists(kGroupFile)) return;
        VoiceUnitOptions o;
        o.sampleRate = FormatOf(VoiceVariant::Kal8).sampleRate;
        units_ = std::make_unique<VoiceUnits>(BuildVoiceUnits(ReadKalGroupFile(kGroupFile), o));
        voice_ = std::make_unique<BuiltVoice>(EncodeVoice(*units_, FormatOf(VoiceVariant::Kal8)));
    }
    static void TearDownTestSuite() {
        units_.reset();
        voice_.reset();
    }
    void SetUp() override {
        if (!voice_) GTEST_SKIP() << kGroupFile << " is not installed";
    }
    static std::unique_ptr<VoiceUnits> units_;
    static std::unique_ptr<BuiltVoice> voice_;
};

std::unique_ptr<VoiceUnits> KalVoice::units_;
std::unique_ptr<BuiltVoice> KalVoice::voice_;

TEST_F(KalVoice, EveryPairLeadsToUnitsThatEndInsideTheData) {
    const auto &r = voice_->resources;
    const auto &hdr = Resource(r, "SPEECH_HDR", 256);
    const auto &demi = Resource(r, "DEMI", 258);
    const auto &inst = Resource(r, "INST", 400);
    const auto &pcmd = Resource(r, "PCMD", 500);
    const uint32_t n = U32(hdr, 4), records = static_cast<uint32_t>(inst.size() / 16);
    ASSERT_EQ(demi.size(), 8u * n * n);
    for (uint32_t e = 0; e < 2 * n * n; ++e) {
        uint32_t i = U32(demi, 4 * e);
        ASSERT_LT(i, records) << "entry " << e;
        // The unit speaks the phone its matrix says, even when borrowed.
        const uint32_t pair = e % (n * n), want = e < n * n ? pair / n : pair % n;
        const PairUnits &p = units_->pairs[pair];
        EXPECT_EQ(units_->units[e < n * n ? p.out : p.in].phone, want) << "entry " << e;
        for (;; ++i) {
            ASSERT_LT(i, records) << "unit of entry " << e << " runs off the end";
            const kavtest::Record rec = RecordAt(inst, i);
            ASSERT_GE(rec.length, 1u);
            ASSERT_LE(rec.length, kMaxFrameBytes);
            ASSERT_LE(rec.offset + 1 + rec.length / 2, pcmd.size());
            if (rec.flags & kFrameUnitEnd) break;
        }
    }
    // About 91 Hz, as measured on the recordings.
    const uint32_t base = U32(hdr, 8) / U32(hdr, 16);
    EXPECT_GE(base, 85u);
    EXPECT_LE(base, 95u);
    EXPECT_EQ(voice_->stats.clippedSamples, 0u);
}

TEST_F(KalVoice, DeltaCodedFramesDecodeCloseToTheSource) {
    const auto &r = voice_->resources;
    const auto &table = Resource(r, "DELTA_TABLE", 259);
    const auto &inst = Resource(r, "INST", 400);
    const auto &pcmd = Resource(r, "PCMD", 500);
    double signal = 0, noise = 0;
    int worst = 0;
    uint32_t record = 0;
    for (const VoiceUnit &u : units_->units)
        for (const VoiceFrame &f : u.frames) {
            const kavtest::Record rec = RecordAt(inst, record++);
            const auto decoded = kavtest::DecodeDelta8(pcmd.data() + rec.offset, rec.length, table.data());
            for (size_t i = 0; i < decoded.size(); ++i) {
                const double source = std::clamp(128 + std::round(f.samples[i] / 256.0), 0.0, 255.0);
                signal += (source - 128) * (source - 128);
                noise += (decoded[i] - source) * (decoded[i] - source);
                worst = std::max(worst, static_cast<int>(std::fabs(decoded[i] - source)));
            }
        }
    const double snr = 10 * std::log10(signal / noise);
    EXPECT_GT(snr, 20.0);
    EXPECT_LT(worst, 64);
    RecordProperty("snr_db", std::to_string(snr));  // 22.7 dB when written
}

}  // namespace
}  // namespace kav::font
