#include "synth/frame_shaper.h"
#include "synth/speech_events.h"
#include "synth/unit_sequencer.h"
#include "synth_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using kav::SpeechEvent;
using kav::testing::Phrase;
using kav::testing::SyntheticVoice;

namespace {
SyntheticVoice Voice(DWORD bits = 8, DWORD flags = 0, int frames = 3) {
    SyntheticVoice v;
    v.bits = bits;
    v.flags = flags;
    v.Fill(frames);
    return v;
}

std::vector<SpeechEvent> Events() {
    std::vector<SpeechEvent> all;
    SpeechEvent e;
    while (kav::PopSpeechEvent(&e)) all.push_back(e);
    return all;
}

// The whole phrase drawn in blocks of one size, with its events.
struct Drawn {
    std::vector<BYTE> pcm;
    std::vector<SpeechEvent> events;
};
Drawn Draw(const SyntheticVoice &v, const char *s, WORD block, DWORD mask = 7) {
    Phrase phrase(v, s);
    EXPECT_EQ(phrase.rc, 0);
    Drawn r;
    std::vector<BYTE> buf(block);
    for (;;) {
        const LONG n = kav::SynthesizeBlock(mask, buf.data(), block);
        r.pcm.insert(r.pcm.end(), buf.begin(), buf.begin() + n);
        if (n < block) break;
    }
    r.events = Events();
    return r;
}

const char *const kText = "\\150Ha\\^b\\'ab\\D3Mba\\|XY \\V4\\S3ab\\S8\\80Hba";
}  // namespace

TEST(Synthesis, BlockSizeChangesNeitherSamplesNorEventTimes) {
    for (DWORD bits : {8u, 16u}) {
        const SyntheticVoice v = Voice(bits, 0);
        const Drawn big = Draw(v, kText, 8192);
        ASSERT_GT(big.pcm.size(), 2000u);
        for (WORD block : {WORD(1), WORD(7), WORD(100), WORD(256), WORD(4095)}) {
            const Drawn small = Draw(v, kText, block);
            EXPECT_EQ(small.pcm, big.pcm) << bits << "-bit, block " << block;
            ASSERT_EQ(small.events.size(), big.events.size());
            for (size_t i = 0; i < big.events.size(); ++i) {
                EXPECT_EQ(small.events[i].timeMs, big.events[i].timeMs) << "event " << i << ", block " << block;
            }
        }
    }
}

TEST(Synthesis, SpeechEndingAtOrInsideABlock) {
    for (DWORD bits : {8u, 16u}) {
        const SyntheticVoice v = Voice(bits);
        const size_t total = Draw(v, "ab", 8192).pcm.size();
        std::vector<BYTE> buf(total + 64, 0xAA);
        {
            Phrase phrase(v, "ab");  // ends exactly at the block end: the end is found by that call
            EXPECT_EQ(kav::SynthesizeBlock(0, buf.data(), static_cast<WORD>(total)), static_cast<LONG>(total));
            EXPECT_TRUE(kav::SynthesisFinished());
            auto ev = Events();
            ASSERT_EQ(ev.size(), 1u);
            EXPECT_EQ(ev[0].timeMs, ((total * (4096000 / 11025 / (bits / 8))) >> 12) + 100);
            std::fill(buf.begin(), buf.end(), 0xAA);
            EXPECT_EQ(kav::SynthesizeBlock(0, buf.data(), static_cast<WORD>(total)), 0);
            EXPECT_EQ(std::count(buf.begin(), buf.end(), 0xAA), static_cast<long>(buf.size()));  // untouched
        }
        Phrase inside(v, "ab");  // ends inside: padded with silence
        EXPECT_EQ(kav::SynthesizeBlock(0, buf.data(), static_cast<WORD>(total + 64)), static_cast<LONG>(total));
        EXPECT_EQ(std::count(buf.begin() + total, buf.end(), bits == 8 ? 128 : 0), 64);
    }
}

TEST(Synthesis, EventsFollowTheMaskAndCountEveryDeliveredByte) {
    const SyntheticVoice v = Voice();
    Drawn r = Draw(v, kText, 333, 0);
    ASSERT_EQ(r.events.size(), 2u);  // with mask 0 only volume and end
    EXPECT_EQ(r.events[0].type, kav::kEventVolume);
    EXPECT_EQ(r.events[0].payload[0], 4);
    EXPECT_EQ(r.events[1].type, kav::kEventEnd);

    r = Draw(v, kText, 333, 7);
    std::string kinds;
    for (const SpeechEvent &e : r.events) kinds += static_cast<char>('0' + e.type);
    // A mouth shape per boundary, none for the phoneme after the pause.
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), '3'), 11);
    EXPECT_EQ(kinds.find('4'), 1u);  // the sync mark right after the first phoneme
    const auto bm = std::find_if(r.events.begin(), r.events.end(), [](auto &e) { return e.type == 5; });
    ASSERT_NE(bm, r.events.end());
    EXPECT_EQ(bm->payload[0], 'Y');
    EXPECT_EQ(bm->payload[1], 'X');
    const DWORD endMs = ((static_cast<DWORD>(r.pcm.size()) * (4096000 / 11025)) >> 12) + 100;
    EXPECT_EQ(r.events.back().timeMs, endMs);
}

TEST(Synthesis, PauseIsWholeBlocksOfSilence) {
    const SyntheticVoice v = Voice();
    const Drawn plain = Draw(v, "", 4096), paused = Draw(v, "\\D1000M", 4096);
    EXPECT_EQ(paused.pcm.size() - plain.pcm.size(), 86u * 128u);  // 11025 * 1000 / 128000 blocks
}

TEST(Synthesis, WithoutUnitsOrFontOnlyTheEndComes) {
    SyntheticVoice v;
    v.Fill(1);
    v.demi.assign(v.demi.size(), 0xFFFF);
    Phrase phrase(v, "ab");
    BYTE buf[64];
    EXPECT_EQ(kav::SynthesizeBlock(7, buf, sizeof buf), 0);
    auto ev = Events();
    ASSERT_EQ(ev.size(), 4u);  // mouth shapes of a, b and the final silence, the end
    EXPECT_EQ(ev.back().timeMs, 100u);
    SCB empty{};
    kav::g_lpSynthSCB.store(&empty);
    EXPECT_EQ(kav::BeginSynthesis("ab", 5, 5), SE_ERR_NOFONT);
    EXPECT_EQ(kav::SynthesizeBlock(7, buf, sizeof buf), 0);
    kav::EndSynthesis(&empty.nPitch, &empty.nSpeed);
    EXPECT_EQ(empty.nPitch, 0);  // no phrase: the levels stay
}

// Over a long phrase with slow and fast stretches and high and low pitch,
// frames are repeated and dropped, and the output stays with the planned
// durations in every timing variant and sample width.
TEST(Synthesis, OutputFollowsPlannedDurationsInAllTimingVariants) {
    const char *text = "\\S2\\200Habab\\S9\\60Hbaba\\S5\\300Hab\\'ab\\[40Mb\\]300a\\D5Mab";
    for (DWORD bits : {8u, 16u}) {
        for (DWORD timing : {0u, 8u, 16u, 24u}) {
            SyntheticVoice v = Voice(bits, timing | (bits == 8 ? 4u : 0u), 6);
            // Natural durations differ from lengths (bit 8), tails stay intact
            // over half the frame otherwise.
            for (size_t i = 0; i + 16 <= v.inst.size(); i += 16) {
                DWORD length = 0;
                for (int b = 0; b < 4; ++b) length |= DWORD(v.inst[i + 4 + b]) << (8 * b);
                const DWORD nominal = timing & 8 ? length * 3 / 2 : (length / 2) & ~1u;
                for (int b = 0; b < 4; ++b) v.inst[i + 12 + b] = static_cast<BYTE>(nominal >> (8 * b));
            }
            // What the planner aims at: the scaled duration of every frame.
            int64_t planned = 0;
            LONG repeats = 0, drops = 0;
            {
                Phrase phrase(v, text);
                kav::SynthRecord r;
                kav::ShaperState st;
                kav::StartShaper(kav::g_phrase.font, &st);
                while (kav::NextSynthRecord(&r)) {
                    if (r.type == kav::SynthRecordType::kPause) planned += r.value * 11025 / 128000 * 128 * (bits / 8);
                    if (r.type != kav::SynthRecordType::kFrame) continue;
                    const DWORD natural = timing & 16 ? (timing & 8 ? r.frame.rec.nominal : r.frame.rec.length)
                                                      : r.frame.rec.length;
                    planned += kav::ScaleDuration(static_cast<LONG>(natural), r.frame.speed);
                    kav::PlanFrame(kav::g_phrase.font, &st, &r.frame);
                    repeats += r.frame.count > 1;
                    drops += r.frame.count == 0;
                }
            }
            EXPECT_GT(repeats, 10) << bits << "/" << timing;
            EXPECT_GT(drops, 2) << bits << "/" << timing;
            const int64_t delivered = static_cast<int64_t>(Phrase(v, text).Drain().size());
            // Within a few periods of the longest frame (unit ends are
            // delivered once, whatever their duration).
            EXPECT_NEAR(static_cast<double>(delivered), static_cast<double>(planned), 3 * 110.0 * (bits / 8))
                << bits << "-bit, timing " << timing;
        }
    }
}
