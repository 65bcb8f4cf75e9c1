// Playback timing on the virtual device with the real clock, through the
// shipped font (run with KAVREL_REGISTRY=build/share/kavrel/kavrel.reg
// when the default search does not find it):
// - latency from SpeakPhonetics to the device: until the first buffer
//   starts playing (ms, as the device stamps it) and until all four are
//   primed and the phrase reports status 2 (us);
// - lateness of bookmark notifications against the moment the device
//   played their sound: mean, min and max in ms.
#include "api/engine_state.h"
#include "platform/platform.h"
#include "platform/waveout_testing.h"
#include "synth/speech_events.h"
#include "synth/synthesis.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Words of the shipped font with a bookmark after each, numbered from 1.
std::string MarkedPhrase(LPSCB s) {
    char *ph = TextToPhonetics(s, "The quick brown fox jumps over the lazy dog, and then it runs back home again.", 0);
    std::string out;
    int mark = 1;
    for (const char *p = ph; p != nullptr && *p != '\0'; ++p) {
        out += *p;
        if (*p == ' ') out += "\\|" + std::string(1, static_cast<char>('@' + mark++ % 60)) + " ";
    }
    FreePhoneticsBuffer(ph);
    return out;
}

// The bookmarks' times as synthesis stamps them.
std::vector<DWORD> MarkTimes(LPSCB s, const std::string &phonetics) {
    kav::g_lpSynthSCB.store(s);
    std::vector<DWORD> times;
    if (kav::BeginSynthesis(phonetics.c_str(), s->nPitch, s->nSpeed) == 0) {
        std::vector<BYTE> buf(8192);
        while (kav::SynthesizeBlock(SE_FLAG_BOOKMARK, buf.data(), 8192) == 8192) {}
        for (kav::SpeechEvent e; kav::PopSpeechEvent(&e);)
            if (e.type == kav::kEventBookmark) times.push_back(e.timeMs);
    }
    kav::EndSynthesis(nullptr, nullptr);
    kav::g_lpSynthSCB.store(nullptr);
    return times;
}

DWORD HeardAt(DWORD ms) {
    const auto played = kav::testing::VirtualPlayed();
    if (played.empty()) return 0;
    uint64_t sample = uint64_t(ms) * played[0].samplesPerSec / 1000;
    for (const auto &p : played) {
        const uint64_t n = p.bytes.size() / (p.bitsPerSample / 8);
        if (sample < n) return p.time + static_cast<DWORD>(sample * 1000 / p.samplesPerSec);
        sample -= n;
    }
    return 0;
}

void BM_Playback(benchmark::State &state) {
    setenv("KAVREL_WAVEOUT", "virtual", 1);
    HWND hwnd = KavCreateWindow([](HWND, UINT, WPARAM, LPARAM, void *) -> LRESULT { return 0; }, nullptr);
    LPSCB s = OpenSpeech(hwnd, SE_FLAG_NOMSGBOX | SE_FLAG_BOOKMARK, nullptr);
    if (SpeechStatus(s) != 0) {
        state.SkipWithError("no font: set KAVREL_REGISTRY to build/share/kavrel/kavrel.reg");
        CloseSpeech(s);
        return;
    }
    std::string phonetics = MarkedPhrase(s);
    const std::vector<DWORD> due = MarkTimes(s, phonetics);
    double firstMs = 0, primedUs = 0, lateSum = 0;
    double lateMin = 1e9, lateMax = -1e9;
    long marks = 0;
    for (auto _ : state) {
        kav::testing::ResetVirtualWaveOut();
        std::vector<DWORD> posted;
        const DWORD t0 = timeGetTime();
        const auto c0 = Clock::now();
        SpeakPhonetics(s, phonetics.data());
        while (SpeechStatus(s) == 0) {}
        while (SpeechStatus(s) == 1) {}
        primedUs += std::chrono::duration<double, std::micro>(Clock::now() - c0).count();
        MSG m;
        while (KavGetMessage(&m, hwnd, 0, 0) > 0 && m.wParam != SE_NOTIFY_DONE) {
            if (m.wParam == SE_NOTIFY_BOOKMARK) posted.push_back(m.time);
        }
        const auto played = kav::testing::VirtualPlayed();
        if (!played.empty()) firstMs += played[0].time - t0;
        for (size_t i = 0; i < posted.size() && i < due.size(); ++i) {
            const double late = static_cast<double>(static_cast<LONG>(posted[i] - HeardAt(due[i])));
            lateSum += late;
            lateMin = std::min(lateMin, late);
            lateMax = std::max(lateMax, late);
            ++marks;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["first_buffer_ms"] = firstMs / n;
    state.counters["primed_us"] = primedUs / n;
    state.counters["marks"] = static_cast<double>(marks);
    state.counters["late_mean_ms"] = marks ? lateSum / static_cast<double>(marks) : 0;
    state.counters["late_min_ms"] = lateMin;
    state.counters["late_max_ms"] = lateMax;
    CloseSpeech(s);
    KavDestroyWindow(hwnd);
}
BENCHMARK(BM_Playback)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
