// A thousand phrases over two SCBs with random controls and closes, the
// clock running fast: no deadlock, every end-of-phrase message exactly
// once (none for the phrase a close stops), nothing leaked.
#include "audio_fixture.h"

#include <random>

using kav::audiotest::AudioTest;
using kav::audiotest::Ticker;

namespace {

TEST_F(AudioTest, SoakOfPhrasesWithRandomControlsAndCloses) {
    std::mt19937 rng(20261205);
    const WORD flags = SE_FLAG_MOUTH | SE_FLAG_SYNC;
    LPSCB scb[2] = {Open(flags), Open(flags)};
    std::string texts[2] = {"a\\^a", "a\\D30Ma"};
    Ticker ticker(10);
    int started = 0;  // since the last close
    auto waitForFewerThan = [](LONG n) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (kav::g_nActivePhrases.load() >= n) {
            ResumeSpeech(nullptr);  // a paused phrase would hold up the rest
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "phrases stuck";
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    };
    for (int i = 0; i < 1000; ++i) {
        waitForFewerThan(3);
        const int k = static_cast<int>(rng() % 2);
        ASSERT_EQ(SpeakPhonetics(scb[k], texts[k].data()), 0);
        ++started;
        switch (rng() % 10) {
            case 0: PauseSpeech(scb[k]); break;
            case 1: ResumeSpeech(scb[k]); break;
            case 2: ResetSpeech(scb[k]); break;
            case 3: AbortPhrase(scb[k]); break;
            case 4: MouthRedrawComplete(scb[k]); break;
            case 5: {
                // Every phrase started so far has ended when the close
                // returns; the one it stopped, if any, sent no message.
                std::erase(open_, scb[k]);
                CloseSpeech(scb[k]);
                const int missing = started - static_cast<int>(ends_.size());
                Pump();
                const int after = started - static_cast<int>(ends_.size());
                ASSERT_TRUE(after == 0 || after == 1) << "phrase " << i << ": " << missing << " then " << after;
                ends_.clear();
                started = 0;
                scb[k] = Open(flags);
                break;
            }
            default: std::this_thread::sleep_for(std::chrono::microseconds(rng() % 500)); break;
        }
        Pump();
        notes_.clear();
        ASSERT_LE(static_cast<int>(ends_.size()), started) << "an end message came twice";
    }
    waitForFewerThan(1);
    while (SpeechThreadsBusy()) std::this_thread::yield();
    Pump();
    EXPECT_EQ(static_cast<int>(ends_.size()), started);
}

}  // namespace
