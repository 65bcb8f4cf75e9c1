// Shared set-up of the audio tests: the virtual wave device, the manual
// clock, a small registered font, and a window on the test's thread that
// collects the engine's notifications with their times.
#pragma once

#include "api/library_startup.h"
#include "audio/audio_state.h"
#include "audio/audio_testing.h"
#include "fonts/test_fonts.h"
#include "platform/clock_testing.h"
#include "platform/fault.h"
#include "platform/platform.h"
#include "platform/waveout_testing.h"
#include "synth/speech_events.h"
#include "synth/synthesis.h"
#include "fonts/synthetic_voice.h"
#include "api/engine_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <chrono>
#include <thread>
#include <vector>

namespace kav::audiotest {

struct Note {
    WPARAM kind;  // SE_NOTIFY_*
    LPARAM value;
    DWORD time;
};

// Moves the manual clock a few ms at a time on its own thread, for the
// calls that wait on the clock themselves (AbortPhrase, CloseSpeech).
class Ticker {
public:
    explicit Ticker(DWORD step = 1) : thread_([this, step] {
          while (!stop_.load()) {
              kav::testing::AdvanceClock(step);
              std::this_thread::yield();
          }
      }) {}
    ~Ticker() {
        stop_.store(true);
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class AudioTest : public ::testing::Test {
protected:
    // Phoneme 1 is "a"; every unit lasts `frames` periods of 100 samples.
    static kav::testing::SyntheticVoice Voice(DWORD bits = 8, int frames = 4) {
        kav::testing::SyntheticVoice v;
        v.bits = bits;
        v.symbols = "_\na";
        v.Fill(frames);
        return v;
    }

    void SetUp() override {
        kav::LibraryStartup(nullptr);
        KavSetMessageBoxHook([](const char *, const char *, UINT) {});
        setenv("KAVREL_WAVEOUT", "virtual", 1);
        kav::testing::ResetVirtualWaveOut();
        kav::testing::UseManualClock();
        live_ = kav::fault::LiveBlocks();
        hwnd_ = KavCreateWindow([](HWND, UINT, WPARAM, LPARAM, void *) -> LRESULT { return 0; }, nullptr);
        voice_ = Voice();
        UseVoice("KAVTEST", voice_);
    }
    void TearDown() override {
        for (LPSCB s : open_) CloseSpeech(s);
        KavDestroyWindow(hwnd_);
        kav::testing::UseRealClock();
        unsetenv("KAVREL_WAVEOUT");
        KavSetMessageBoxHook(nullptr);
        EXPECT_EQ(kav::fault::LiveBlocks(), live_) << "memory blocks leaked";
    }

    void UseVoice(const char *font, const kav::testing::SyntheticVoice &v) {
        reg_.AddFont(font, kav::testfonts::TestFont::WithVoice(v));
        reg_.Apply();
    }
    LPSCB Open(WORD flags = 0, const char *font = "KAVTEST") {
        LPSCB s = OpenSpeech(hwnd_, flags | SE_FLAG_NOMSGBOX, font);
        EXPECT_EQ(SpeechStatus(s), 0);
        open_.push_back(s);
        return s;
    }
    void Close(LPSCB s) {
        std::erase(open_, s);
        {
            Ticker ticker;
            CloseSpeech(s);
        }
        Pump();
        std::erase(ends_, s);  // a later SCB may get the same address
    }

    // Waits (in real time) until the audio threads have done what the
    // clock's last step caused.
    static void Settle() {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (kav::testing::AudioWorkPending() != 0) {
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "audio threads stuck: " << kav::testing::AudioWorkPending();
            std::this_thread::yield();
        }
    }
    // Moves the clock ms forward, 1 ms at a time, letting the threads catch up.
    void Step(DWORD ms) {
        for (DWORD i = 0; i < ms; ++i) {
            kav::testing::AdvanceClock(1);
            Settle();
        }
        Pump();
    }
    // Steps until an end-of-phrase message for s has come.  The end of a
    // phrase waits on the clock in places that are not counted as work, so
    // the clock moves a little slower then, in real time.
    void RunToEnd(LPSCB s) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (int n = 1; Ends(s) == 0; ++n) {
            Step(1);
            if (n % 16 == 0) std::this_thread::sleep_for(std::chrono::microseconds(100));
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the phrase did not end";
        }
        // The message is posted just before the thread lets go of the SCB.
        while (SpeechThreadsBusy()) std::this_thread::yield();
    }
    static bool SpeechThreadsBusy() { return kav::g_nSpeechThreads.load() != 0; }
    // Collects the notifications that have arrived.
    void Pump() {
        MSG m;
        while (KavPeekMessage(&m, hwnd_, 0, 0, PM_REMOVE)) {
            if (m.wParam == SE_NOTIFY_DONE) ends_.push_back(reinterpret_cast<LPSCB>(m.lParam));
            else notes_.push_back({m.wParam, m.lParam, m.time});
        }
    }
    int Ends(LPSCB s) {
        Pump();
        return static_cast<int>(std::count(ends_.begin(), ends_.end(), s));
    }
    std::vector<Note> Notes(WPARAM kind) {
        Pump();
        std::vector<Note> out;
        for (const Note &n : notes_)
            if (n.kind == kind) out.push_back(n);
        return out;
    }
    // Starts a phrase and waits until it plays (or has ended already).
    LONG Speak(LPSCB s, const char *phonetics) {
        text_ = phonetics;
        const LONG rc = SpeakPhonetics(s, text_.data());
        Settle();
        return rc;
    }

    // The phrase as synthesis makes it: its speech bytes and its events.
    struct Reference {
        std::vector<BYTE> pcm;
        std::vector<SpeechEvent> events;
    };
    static Reference Synthesize(const kav::testing::SyntheticVoice &voice, const char *phonetics, DWORD flags) {
        Reference r;
        kav::testing::VoiceScb font(voice);
        kav::g_lpSynthSCB.store(&font.scb);
        EXPECT_EQ(kav::BeginSynthesis(phonetics, 5, 5), 0);
        std::vector<BYTE> buf(4096);
        for (LONG n = 4096; n == 4096;) {
            n = kav::SynthesizeBlock(flags, buf.data(), 4096);
            r.pcm.insert(r.pcm.end(), buf.begin(), buf.begin() + n);
        }
        for (SpeechEvent e; kav::PopSpeechEvent(&e);) r.events.push_back(e);
        kav::EndSynthesis(nullptr, nullptr);
        kav::g_lpSynthSCB.store(nullptr);
        return r;
    }
    // Everything the virtual device played, in order.
    static std::vector<BYTE> Played() {
        std::vector<BYTE> all;
        for (const auto &p : kav::testing::VirtualPlayed()) all.insert(all.end(), p.bytes.begin(), p.bytes.end());
        return all;
    }
    // When the sound ms into the phrase was heard, on the clock.
    static DWORD HeardAt(DWORD ms, DWORD rate) {
        uint64_t sample = uint64_t(ms) * rate / 1000;
        for (const auto &p : kav::testing::VirtualPlayed()) {
            const uint64_t n = p.bytes.size() / (p.bitsPerSample / 8);
            if (sample < n) return p.time + static_cast<DWORD>(sample * 1000 / rate);
            sample -= n;
        }
        return 0xFFFFFFFF;
    }

    HWND hwnd_ = nullptr;
    kav::testing::SyntheticVoice voice_;
    kav::testfonts::FontRegistry reg_;
    std::vector<LPSCB> open_, ends_;
    std::vector<Note> notes_;
    std::string text_;
    long live_ = 0;
};

}  // namespace kav::audiotest
