#include "synth/prosody.h"
#include "synth/unit_sequencer.h"
#include "synth_fixture.h"

#include <gtest/gtest.h>

using kav::SynthRecord;
using kav::SynthRecordType;
using kav::testing::Phrase;
using kav::testing::SyntheticVoice;

namespace {
struct Frame {
    std::string unit;  // the unit's name on its first frame, else ""
    LONG pitch, speed;
};

// Base pitch 11025 / 100 = 110 Hz.
SyntheticVoice Voice(int framesPerUnit) {
    SyntheticVoice v;
    v.Fill(framesPerUnit);
    return v;
}

std::vector<Frame> Frames(const SyntheticVoice &v, const char *phonetics, SCB *levels = nullptr) {
    const auto names = kav::testing::UnitNames(v);
    Phrase phrase(v, phonetics);
    EXPECT_EQ(phrase.rc, 0);
    std::vector<Frame> out;
    SynthRecord r;
    while (kav::NextSynthRecord(&r)) {
        if (r.type != SynthRecordType::kFrame) continue;
        auto it = names.find(r.frame.rec.offset);
        out.push_back({it != names.end() ? it->second : "", r.frame.pitch, r.frame.speed});
    }
    kav::EndSynthesis(&phrase.scb().nPitch, &phrase.scb().nSpeed);
    if (levels != nullptr) *levels = phrase.scb();
    return out;
}

size_t Find(const std::vector<Frame> &f, const std::string &unit) {
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i].unit == unit) return i;
    }
    ADD_FAILURE() << unit << " not played";
    return 0;
}
}  // namespace

TEST(Prosody, StressBumpRisesOverTheIncomingUnitAndFallsOverTheOutgoing) {
    const SyntheticVoice v = Voice(4);
    const auto f = Frames(v, "\\'ab");
    ASSERT_EQ(f.size(), 24u);
    // Level 60 + 50 = 110: 110 + (60 * 110 * 70) / 15000 = 140 Hz, a bump of
    // 30 Hz = 1920/64, rising in steps of 480/64 Hz.
    const std::vector<LONG> expected = {110, 110, 110, 110,   // out(0,1): before the stressed phoneme
                                        110, 117, 125, 132,   // in(0,1): rise from the plain contour
                                        140, 132, 125, 117,   // out(1,2): peak, then fall
                                        117, 117, 117, 117};  // the offset stays until the next bump
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(f[i].pitch, expected[i]) << "frame " << i;
    for (size_t i = 0; i < f.size(); ++i) {
        // The speed increment (-60) covers the stressed phoneme's two units.
        EXPECT_EQ(f[i].speed, i >= 4 && i < 12 ? -10 : 50) << "frame " << i;
    }
}

TEST(Prosody, DurationCommandsSetTheSpeedOfTheNextPhoneme) {
    const SyntheticVoice v = Voice(11);  // in(0,a) + out(a,0): 22 frames of 100 samples
    // 50 ms at 11025 Hz is 551 samples: 178 - (551 * 128) / 2200 - 50 = 96.
    auto f = Frames(v, "\\[50Ma");
    EXPECT_EQ(f[Find(f, "in(0,1)")].speed, 146);
    EXPECT_EQ(f[Find(f, "out(1,0)")].speed, 146);
    EXPECT_EQ(f[Find(f, "in(1,0)")].speed, 50);
    // 100 percent of the natural length is the natural speed.
    f = Frames(v, "\\]100a");
    EXPECT_EQ(f[Find(f, "in(0,1)")].speed, 50);
    // Alone, \] lengthens by the secondary stress speed increment (-40).
    f = Frames(v, "\\]a");
    EXPECT_EQ(f[Find(f, "in(0,1)")].speed, 10);

    // The phoneme really lasts about 50 ms: compare the delivered lengths.
    const size_t full = Phrase(v, "a").Drain().size();
    const size_t shorter = Phrase(v, "\\[50Ma").Drain().size();
    EXPECT_NEAR(static_cast<double>(full - shorter), 2200 - 551, 150);
}

TEST(Prosody, PitchTargetsRampAcrossTheUnitsBeforeThem) {
    const SyntheticVoice v = Voice(4);
    auto f = Frames(v, "\\150Ha\\200Hb");
    // The ramp to 150 covers out(0,a); the next starts there and reaches 200
    // at the boundary with b.
    EXPECT_EQ(f[0].pitch, 110);
    EXPECT_EQ(f[3].pitch, 110 + 3 * ((2 + 40 * 64) / 4) / 64);
    EXPECT_EQ(f[Find(f, "in(0,1)")].pitch, 150);
    for (size_t i = 5; i < 12; ++i) EXPECT_GT(f[i].pitch, f[i - 1].pitch);
    EXPECT_EQ(f[Find(f, "in(1,2)")].pitch, 200);
    EXPECT_EQ(f.back().pitch, 200);

    // Two targets in a row: one ramp to the first, then a jump to the second.
    f = Frames(v, "a\\150H\\300Hb");
    EXPECT_LT(f[Find(f, "in(1,2)") - 1].pitch, 150);
    EXPECT_GT(f[Find(f, "in(1,2)") - 1].pitch, 140);
    EXPECT_EQ(f[Find(f, "in(1,2)")].pitch, 300);
}

TEST(Prosody, LevelsOfTheStringAreWrittenBackAtTheEnd) {
    const SyntheticVoice v = Voice(1);
    SCB after{};
    Frames(v, "a\\P7\\S3b", &after);
    EXPECT_EQ(after.nPitch, 7);
    EXPECT_EQ(after.nSpeed, 3);
    Frames(v, "\\S99999999a", &after);  // clamped, never overflowed
    EXPECT_EQ(after.nSpeed, kav::kSpeedLimit / 10);
}
