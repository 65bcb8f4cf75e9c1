#include "diphone_signal.h"
#include "font/kal_group_writer.h"
#include "kal_phones.h"
#include "unit_cutter.h"
#include "voice_units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kav::font {
namespace {

KalDiphone Read(const kavtest::SyntheticDiphone &d) {
    const auto bytes = kavtest::WriteGroupFile({d});
    return ReadKalGroup(bytes.data(), bytes.size()).diphones.at(0);
}

std::vector<float> Plain(const KalDiphone &d) { return std::vector<float>(d.residual.begin(), d.residual.end()); }

uint8_t Phone(const char *name) { return *KalPhoneIndex(name); }

TEST(DiphoneSignal, SynthesisFilterSwitchesHalfwayBetweenMarks) {
    kavtest::SyntheticDiphone s{"aa-t", {100 / 16000.0f, 300 / 16000.0f}, {{0.5f}, {-0.5f}}, 0,
                                std::vector<int16_t>(400, 0)};
    s.residual[0] = 8000;
    const KalDiphone d = Read(s);
    const double e = d.residual[0];
    const auto out = RebuildSpeech(d, 16, 16000, false);
    EXPECT_FLOAT_EQ(out[0], e);
    EXPECT_FLOAT_EQ(out[3], e / 8);
    EXPECT_FLOAT_EQ(out[199], e * std::pow(0.5, 199));
    EXPECT_FLOAT_EQ(out[200], -0.5 * out[199]);  // frame 1 from (100 + 300) / 2
    EXPECT_EQ(FrameSwitchSample(d, 0, 16000, 400), 200);
    EXPECT_EQ(FrameSwitchSample(d, 1, 16000, 400), 400);
}

TEST(DiphoneSignal, WarmUpStartsTheFilterAsIfThePhoneWentOnBefore) {
    kavtest::SyntheticDiphone s = kavtest::PulseDiphone("aa-aa", 600, 0, 100, 1);
    s.times.erase(s.times.begin());  // sample 0 is itself a mark
    s.lpc.assign(s.times.size(), {0.99f});
    const KalDiphone d = Read(s);
    const auto cold = RebuildSpeech(d, 16, 16000, false), warm = RebuildSpeech(d, 16, 16000, true);
    // Two periods in, the ringing of earlier pulses has built up; a warmed
    // start carries one period of it (0.88 of the level), a cold one none.
    EXPECT_GT(warm[50] / warm[250], 0.85);
    EXPECT_LT(cold[50] / cold[250], 0.7);
}

TEST(DiphoneSignal, ResamplerKeepsThePassbandAndStopsAliases) {
    const Resampler r(16000, 11025);
    EXPECT_EQ(r.OutputLength(16000), 11025u);
    EXPECT_EQ(r.MapPosition(640), 441);
    auto amplitude = [&](double hz) {
        std::vector<float> x(3200);
        for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(1000 * std::sin(2 * std::numbers::pi * hz * i / 16000));
        const auto y = r.Run(x);
        float peak = 0;
        for (size_t i = 200; i + 200 < y.size(); ++i) peak = std::max(peak, std::fabs(y[i]));
        return peak;
    };
    EXPECT_NEAR(amplitude(1000), 1000, 10);
    EXPECT_NEAR(amplitude(4000), 1000, 30);
    EXPECT_LT(amplitude(7000), 10);  // would fold to 4025 Hz
}

TEST(UnitCutter, VoicedDiphoneSplitsAtMarksAndTheBoundary) {
    const KalDiphone d = Read(kavtest::PulseDiphone("aa-m", 1600, 80, 160, 4));
    CutOptions o;
    o.trim = false;
    const DiphoneCut cut = CutDiphone(Plain(d), d, Phone("aa"), Phone("m"), o);
    // Frames begin 40 samples (2.5 ms) before each pulse; the boundary is the
    // middle frame's mark, 720, moved the same way.
    ASSERT_EQ(cut.out.frames.size(), 5u);
    EXPECT_EQ(cut.out.phone, Phone("aa"));
    EXPECT_EQ(cut.out.frames[0].end, 40);
    EXPECT_FALSE(cut.out.frames[0].voiced);  // before the first pulse: silence
    for (size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(cut.out.frames[i].begin, 40 + 160 * static_cast<int>(i - 1));
        EXPECT_EQ(cut.out.frames[i].end - cut.out.frames[i].begin, 160);
        EXPECT_TRUE(cut.out.frames[i].voiced);
    }
    ASSERT_EQ(cut.in.frames.size(), 6u);
    EXPECT_EQ(cut.in.phone, Phone("m"));
    EXPECT_EQ(cut.in.frames.front().begin, 680);
    EXPECT_EQ(cut.in.frames.back().end, 1600);
    for (size_t i = 0; i < 5; ++i) EXPECT_TRUE(cut.in.frames[i].voiced) << i;
}

TEST(UnitCutter, UnvoicedSpeechGetsShortFixedFrames) {
    const KalDiphone d = Read(kavtest::NoiseDiphone("s-pau", 800, 2));
    CutOptions o;
    o.trim = false;
    const DiphoneCut cut = CutDiphone(Plain(d), d, Phone("s"), Phone("pau"), o);
    int32_t at = 0;
    for (const HalfUnit *h : {&cut.out, &cut.in})
        for (const CutFrame &f : h->frames) {
            EXPECT_EQ(f.begin, at);
            EXPECT_FALSE(f.voiced);
            EXPECT_LE(f.end - f.begin, 160);
            at = f.end;
        }
    EXPECT_EQ(at, 800);
    EXPECT_EQ(cut.out.frames.back().end, 440);  // mark 480, less 40
    EXPECT_EQ(cut.in.frames.size(), 3u);        // 160, then 200 in two pieces
}

TEST(UnitCutter, TrimmingKeepsEndsAndTheBurst) {
    // pau-t: a closure of silence, a loud release at 1400, then faint noise.
    kavtest::SyntheticDiphone s = kavtest::NoiseDiphone("pau-t", 2400, 0, 300);
    for (size_t i = 0; i < 1400; ++i) s.residual[i] = 0;
    for (size_t i = 1400; i < 1560; ++i) s.residual[i] = static_cast<int16_t>(s.residual[i] * 20);
    const KalDiphone d = Read(s);
    CutOptions o;
    const DiphoneCut full = [&] { CutOptions u = o; u.trim = false; return CutDiphone(Plain(d), d, 0, Phone("t"), u); }();
    const DiphoneCut cut = CutDiphone(Plain(d), d, 0, Phone("t"), o);
    const auto &f = cut.in.frames;
    int32_t total = 0;
    for (const CutFrame &x : f) total += x.end - x.begin;
    EXPECT_LT(f.size(), full.in.frames.size());
    EXPECT_NEAR(total, 640, 160);  // t keeps 40 ms
    EXPECT_EQ(f.front().begin, full.in.frames.front().begin);
    EXPECT_EQ(f.back().end, 2400);
    size_t burst = f.size();
    for (size_t i = 0; i < f.size(); ++i)
        if (f[i].burst) burst = i;
    ASSERT_LT(burst + 1, f.size());
    EXPECT_EQ(f[burst].begin, 1400);
    EXPECT_EQ(f[burst + 1].begin, f[burst].end);  // and the frame after it
}

TEST(VoiceUnits, MissingPairsBorrowEachHalfFromTheNearestRecordedPair) {
    const uint32_t n = static_cast<uint32_t>(KalPhones().size());
    std::vector<uint32_t> recorded(n * n, kNoDiphone);
    auto at = [&](const char *a, const char *b) -> uint32_t & { return recorded[Phone(a) * n + Phone(b)]; };
    at("w", "ax") = 0;
    at("uw", "er") = 1;
    at("w", "t") = 2;
    at("k", "er") = 3;
    const auto pairs = ChoosePairUnits(n, recorded);
    ASSERT_EQ(pairs.size(), n * n);
    const PairUnits &wer = pairs[Phone("w") * n + Phone("er")];
    EXPECT_TRUE(wer.substituted);
    EXPECT_EQ(wer.out, 0u);  // outgoing w of w-ax
    EXPECT_EQ(wer.in, 3u);   // incoming er of uw-er
    const PairUnits &wt = pairs[Phone("w") * n + Phone("t")];
    EXPECT_FALSE(wt.substituted);
    EXPECT_EQ(wt.out, 4u);
    EXPECT_EQ(wt.in, 5u);
    EXPECT_TRUE(ChoosePairUnits(n, std::vector<uint32_t>(n * n, kNoDiphone)).empty());
}

}  // namespace
}  // namespace kav::font
