#include "font/kal_group_writer.h"
#include "kal_group.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace kav::font {
namespace {

using kavtest::SyntheticDiphone;

std::vector<SyntheticDiphone> TwoDiphones() {
    SyntheticDiphone a = kavtest::PulseDiphone("aa-t", 800, 100, 160, 2);
    a.lpc = {{0.5f, -0.25f}, {0.1f}, {}, {}, {0.0f, 0.0f, 0.75f}};
    return {a, kavtest::NoiseDiphone("t-pau", 640, 1)};
}

TEST(KalGroup, MuLawDecodesTheG711Table) {
    EXPECT_EQ(MuLawToLinear(0xFF), 0);
    EXPECT_EQ(MuLawToLinear(0x7F), 0);
    EXPECT_EQ(MuLawToLinear(0x80), 32124);
    EXPECT_EQ(MuLawToLinear(0x00), -32124);
    EXPECT_EQ(MuLawToLinear(0xFE), 8);  // smallest step above zero
    for (int code = 0x80; code < 0xFF; ++code) EXPECT_GT(MuLawToLinear(code), MuLawToLinear(code + 1));
}

TEST(KalGroup, ReadsIndexTracksAndResidual) {
    const auto bytes = kavtest::WriteGroupFile(TwoDiphones());
    const KalDatabase db = ReadKalGroup(bytes.data(), bytes.size());
    EXPECT_EQ(db.sampleRate, 16000u);
    EXPECT_EQ(db.lpcOrder, 16);
    ASSERT_EQ(db.diphones.size(), 2u);
    const KalDiphone &a = db.diphones[0];
    EXPECT_EQ(a.left, "aa");
    EXPECT_EQ(a.right, "t");
    EXPECT_EQ(a.middleFrame, 2u);
    ASSERT_EQ(a.times.size(), 5u);  // pulses at 100, 260, 420, 580, 740
    EXPECT_FLOAT_EQ(a.times[1], 260.0f / 16000.0f);
    EXPECT_FLOAT_EQ(a.lpc[0][0], 0.5f);
    EXPECT_FLOAT_EQ(a.lpc[0][1], -0.25f);
    EXPECT_FLOAT_EQ(a.lpc[4][2], 0.75f);
    EXPECT_FLOAT_EQ(a.lpc[1][1], 0.0f);
    ASSERT_EQ(a.residual.size(), 800u);
    EXPECT_EQ(a.residual[100], MuLawToLinear(kavtest::LinearToMuLaw(8000)));
    EXPECT_EQ(a.residual[101], 0);
    EXPECT_EQ(db.diphones[1].name, "t-pau");
    EXPECT_EQ(db.diphones[1].residual.size(), 640u);
}

TEST(KalGroup, EveryTruncationFailsCleanly) {
    const auto bytes = kavtest::WriteGroupFile(TwoDiphones());
    for (size_t n = 0; n < bytes.size(); ++n) {
        // The last sound block's data size is only checked against the file.
        EXPECT_THROW(ReadKalGroup(bytes.data(), n), VoiceError) << "prefix of " << n << " bytes";
    }
}

TEST(KalGroup, RefusesInconsistentData) {
    auto parse = [](std::vector<SyntheticDiphone> d, int order = 16) {
        const auto bytes = kavtest::WriteGroupFile(d, order);
        return ReadKalGroup(bytes.data(), bytes.size());
    };
    auto d = TwoDiphones();
    d[0].middle = 5;  // only 5 frames
    EXPECT_THROW(parse(d), VoiceError);
    d = TwoDiphones();
    std::swap(d[0].times[1], d[0].times[2]);
    EXPECT_THROW(parse(d), VoiceError);
    d = TwoDiphones();
    d[0].times.back() = 0.06f;  // past the 800-sample residual
    EXPECT_THROW(parse(d), VoiceError);
    d = TwoDiphones();
    d[1].name = "tpau";
    EXPECT_THROW(parse(d), VoiceError);
    d = TwoDiphones();
    d[0].lpc[0][0] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_THROW(parse(d), VoiceError);
    EXPECT_THROW(parse(TwoDiphones(), 40), VoiceError);  // more coefficients than supported

    // Index offsets that point outside the data or backwards.
    const auto good = kavtest::WriteGroupFile(TwoDiphones());
    std::string text(good.begin(), good.end());
    auto corrupt = [&](const std::string &from, const std::string &to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return std::vector<uint8_t>(t.begin(), t.end());
    };
    const size_t line = text.find("aa-t ");
    const std::string entry = text.substr(line, text.find('\n', line) - line);
    for (const char *bad : {"aa-t 0 99999999 2", "aa-t 500 400 2", "aa-t 0 x 2", "aa-t 0 10"}) {
        const auto bytes = corrupt(entry, bad);
        EXPECT_THROW(ReadKalGroup(bytes.data(), bytes.size()), VoiceError) << bad;
    }
    const auto more = corrupt("NumEntries 2", "NumEntries 3");
    EXPECT_THROW(ReadKalGroup(more.data(), more.size()), VoiceError);
    const auto magic = corrupt(".snd", ".snx");
    EXPECT_THROW(ReadKalGroup(magic.data(), magic.size()), VoiceError);
}

}  // namespace
}  // namespace kav::font
