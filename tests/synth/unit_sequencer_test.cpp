#include "synth/unit_sequencer.h"
#include "synth_fixture.h"

#include <gtest/gtest.h>

using kav::SynthRecord;
using kav::SynthRecordType;
using kav::testing::Phrase;
using kav::testing::SyntheticVoice;

namespace {
// The record stream as text: one word per unit (its frames counted), mouth
// shapes, pauses and markers.
std::string Sequence(const SyntheticVoice &v, const char *phonetics, DWORD marker = '|') {
    const auto names = kav::testing::UnitNames(v);
    Phrase phrase(v, phonetics, 5, 5, marker);
    EXPECT_EQ(phrase.rc, 0);
    std::string out;
    SynthRecord r;
    while (kav::NextSynthRecord(&r)) {
        switch (r.type) {
            case SynthRecordType::kFrame: {
                auto it = names.find(r.frame.rec.offset);
                if (it != names.end()) out += it->second + " ";
                break;
            }
            case SynthRecordType::kMouth:  // the voice's shapes are (k, k + 10, k + 20)
                EXPECT_EQ(r.mouth[2], r.mouth[0] + 20);
                out += "m" + std::to_string(r.mouth[0]) + " ";
                break;
            case SynthRecordType::kPause: out += "p" + std::to_string(r.value) + " "; break;
            case SynthRecordType::kSync: out += "sync "; break;
            case SynthRecordType::kBookmark: out += "bm" + std::to_string(r.value) + " "; break;
            case SynthRecordType::kVolume: out += "v" + std::to_string(r.value) + " "; break;
        }
    }
    EXPECT_FALSE(kav::NextSynthRecord(&r));  // stays ended
    return out;
}

SyntheticVoice Voice() {
    SyntheticVoice v;
    v.symbols = "_\na\nb\nc";
    v.Fill(1);
    return v;
}
}  // namespace

TEST(UnitSequencer, PlaysEachBoundaryAndSkipsTheWayOutOfAPause) {
    const SyntheticVoice v = Voice();
    EXPECT_EQ(Sequence(v, ""), "out(0,0) m0 in(0,0) ");
    EXPECT_EQ(Sequence(v, "ab\\D2Mc"),
              "out(0,1) m1 in(0,1) out(1,2) m2 in(1,2) out(2,0) m0 p2 in(0,3) out(3,0) m0 in(3,0) ");
    // A string that ends right after a pause ends with incoming(0,0).
    EXPECT_EQ(Sequence(v, "a\\D1"), "out(0,1) m1 in(0,1) out(1,0) m0 p250 in(0,0) ");
    // Two pauses in a row: the second plays the silence-to-silence unit.
    EXPECT_EQ(Sequence(v, "a\\D0M\\D3M"), "out(0,1) m1 in(0,1) out(1,0) m0 p0 out(0,0) m0 p3 in(0,0) ");
    // A negative pause moves to silence but pauses for no time.
    EXPECT_EQ(Sequence(v, "a\\D-5Mb"), "out(0,1) m1 in(0,1) out(1,0) m0 in(1,0) out(0,2) m2 in(0,2) out(2,0) m0 in(2,0) ");
}

TEST(UnitSequencer, MarkersBecomeRecordsWhereTheyStand) {
    const SyntheticVoice v = Voice();
    // The marker character takes the letter after it into the bookmark.
    EXPECT_EQ(Sequence(v, "a\\^\\V7\\|b"), "out(0,1) m1 in(0,1) sync v7 bm98 out(1,0) m0 in(1,0) ");
    EXPECT_EQ(Sequence(v, "\\#AB a", '#'), "bm16706 out(0,1) m1 in(0,1) out(1,0) m0 in(1,0) ");
}

TEST(UnitSequencer, MissingUnitsAreSkippedAndMultiFrameUnitsRunToTheirEnd) {
    SyntheticVoice v;
    v.symbols = "_\na";
    v.Fill(3);
    v.SetUnit(false, 0, 1, 0xFFFF);  // no way into 'a' from silence
    Phrase phrase(v, "a");
    ASSERT_EQ(phrase.rc, 0);
    SynthRecord r;
    int frames = 0, ends = 0;
    std::string kinds;
    while (kav::NextSynthRecord(&r)) {
        if (r.type == SynthRecordType::kFrame) {
            ++frames;
            ends += (r.frame.rec.flags & kav::kFrameUnitEnd) != 0;
        }
        kinds += r.type == SynthRecordType::kFrame ? 'f' : 'm';
    }
    EXPECT_EQ(kinds, "mffffffmfff");
    EXPECT_EQ(frames, 9);
    EXPECT_EQ(ends, 3);
}

TEST(UnitSequencer, MouthShapesComeFromTheFontOrAreZero) {
    SyntheticVoice v = Voice();
    EXPECT_EQ(Sequence(v, "c"), "out(0,3) m3 in(0,3) out(3,0) m0 in(3,0) ");
    v.mouth.clear();
    Phrase phrase(v, "c");
    SynthRecord r;
    while (kav::NextSynthRecord(&r)) {
        if (r.type == SynthRecordType::kMouth) {
            EXPECT_EQ(r.mouth[0] | r.mouth[1] | r.mouth[2], 0);
        }
    }
}
