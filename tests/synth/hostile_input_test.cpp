// Phonetic strings come from clients and font data from files: whatever
// they hold, synthesis ends with bounded output and reads nothing outside
// its tables.
#include "synth/speech_events.h"
#include "synth_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

using kav::testing::Phrase;
using kav::testing::SyntheticVoice;

namespace {
SyntheticVoice Voice(DWORD bits, DWORD flags) {
    SyntheticVoice v;
    v.bits = bits;
    v.flags = flags;
    v.Fill(2);
    return v;
}
}  // namespace

TEST(HostileInput, ExtremeEscapesGiveBoundedOutput) {
    std::string stress;
    for (int i = 0; i < 500; ++i) stress += "\\'";  // pitch far above the sample rate
    const std::string strings[] = {
        stress + "ab" + stress,
        "\\S-99999999ab\\S99999999ba",
        "\\[99999999Ma\\]-99999999b\\[-99999999a\\]99999999M",
        "\\99999999Ha\\-99999999Hb\\99999999\\-99999999a",
        "\\D99999999M\\V99999999\\P-99999999a",
        "\\",
        "\\|\x80\x80\x80\x80\\|\xff",
    };
    for (DWORD bits : {8u, 16u}) {
        for (DWORD flags : {0u, 4u, 24u}) {
            const SyntheticVoice v = Voice(bits, flags);
            for (const std::string &s : strings) {
                const size_t bytes = Phrase(v, s.c_str()).Drain(8192).size();
                // The longest is the ten-minute pause cap plus slow speech.
                EXPECT_LT(bytes, 11025u * 700 * (bits / 8)) << s.substr(0, 40);
            }
        }
    }
}

TEST(HostileInput, UncheckedFontDataIsReadWithinBounds) {
    SyntheticVoice v = Voice(16, 4);
    const size_t frames = v.inst.size() / 16;
    auto set = [&](size_t frame, int word, DWORD value) {
        for (int b = 0; b < 4; ++b) v.inst[frame * 16 + word * 4 + b] = static_cast<BYTE>(value >> (8 * b));
    };
    set(frames - 1, 0, 0x80);     // the last unit runs off the table
    set(1, 1, 9000);              // longer than the frame buffer
    set(2, 1, 0);                 // empty
    set(3, 2, 0xFFFFFFF0u);       // data far outside PCMD
    set(4, 1, 301);               // odd length in a 16-bit font
    set(5, 3, 5000);              // intact tail longer than the frame
    v.demi[1] = 0x7FFFFFFF;       // a unit outside the table
    v.delta.resize(100);          // delta table too short
    v.symbols = "_\na\nb\nc\nd";  // more phonemes than the unit tables hold
    v.demi.resize(v.demi.size() - 3);
    const std::vector<BYTE> pcm = Phrase(v, "abdcba\\'a\\D5Mb").Drain(1000);
    EXPECT_GT(pcm.size(), 0u);
    EXPECT_EQ(pcm.size() % 2, 0u);
}

// The event queue is read by the timer thread while synthesis pushes; under
// the thread sanitizer this shows the lock covers every operation.
TEST(HostileInput, EventsCanBeTakenWhileSynthesisPushes) {
    const SyntheticVoice v = Voice(8, 0);
    std::string text;
    for (int i = 0; i < 300; ++i) text += "a\\^b\\|XY \\V3";
    Phrase phrase(v, text.c_str());
    std::atomic<bool> done{false};
    size_t taken = 0;
    DWORD lastTime = 0;
    bool ordered = true;
    std::thread reader([&] {
        kav::SpeechEvent e;
        for (;;) {
            const bool finished = done.load();
            while (kav::PopSpeechEvent(&e)) {
                ++taken;
                ordered = ordered && (e.timeMs >= lastTime || e.type == kav::kEventEnd);
                lastTime = e.timeMs;
            }
            if (finished) return;
            std::this_thread::yield();
        }
    });
    BYTE buf[64];
    while (kav::SynthesizeBlock(7, buf, sizeof buf) == sizeof buf) {
    }
    done.store(true);
    reader.join();
    EXPECT_EQ(taken, 300u * 5 + 2);  // mouth a, sync, mouth b, bookmark, volume; final mouth, end
    EXPECT_TRUE(ordered);
}
