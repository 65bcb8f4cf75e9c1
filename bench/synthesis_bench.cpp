// Synthesis speed: seconds of audio made per second of CPU (x real time)
// and nanoseconds per output sample, for a long phonetic string through a
// voice shaped like the shipped one (16 kHz, 27 phonemes, three-frame
// units), as 16-bit plain and as 8-bit delta-coded samples.
#include "api/engine_state.h"
#include "fonts/synthetic_voice.h"
#include "synth/synthesis.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {
kav::testing::SyntheticVoice Voice(DWORD bits, DWORD flags) {
    kav::testing::SyntheticVoice v;
    v.bits = bits;
    v.flags = flags;
    v.rate = 16000;
    v.basePeriod = 160;
    v.symbols = "_";
    for (char c = 'a'; c <= 'z'; ++c) v.symbols += std::string("\n") + c;
    v.Fill(3);
    return v;
}

// About a minute of speech: words with stress marks, pitch marks at phrase
// starts and ends, pauses between phrases.
std::string LongText() {
    const char *words[] = {"\\'hel\\-lo", "w\\'orld", "th\\-e", "q\\'uick", "br\\\"own", "f\\'ox", "j\\'umps",
                           "\\-over", "l\\'azy", "d\\'ogs"};
    std::string s;
    for (int phrase = 0; phrase < 60; ++phrase) {
        s += "\\" + std::to_string(120 + phrase % 20) + "H ";
        for (int w = 0; w < 10; ++w) s += std::string(words[(phrase + w) % 10]) + " ";
        s += "\\" + std::to_string(80 + phrase % 10) + "H \\D250M ";
    }
    return s;
}

void Synthesize(benchmark::State &state, DWORD bits, DWORD flags) {
    kav::testing::VoiceScb font(Voice(bits, flags));
    const LONG incr[kav::kStressIncrements] = {60, 30, -30, -60, -40, 40};
    for (int k = 0; k < kav::kStressIncrements; ++k) kav::g_lStressIncr[k] = incr[k];
    const std::string text = LongText();
    std::vector<BYTE> block(8192);
    kav::g_lpSynthSCB.store(&font.scb);
    int64_t bytes = 0;
    for (auto _ : state) {
        kav::BeginSynthesis(text.c_str(), 5, 5);
        for (;;) {
            const LONG n = kav::SynthesizeBlock(0, block.data(), static_cast<WORD>(block.size()));
            bytes += n;
            benchmark::DoNotOptimize(block.data());
            if (n < static_cast<LONG>(block.size())) break;
        }
        kav::EndSynthesis(nullptr, nullptr);
    }
    kav::g_lpSynthSCB.store(nullptr);
    const double samples = static_cast<double>(bytes) / (bits / 8);
    state.counters["x_real_time"] = benchmark::Counter(samples / 16000.0, benchmark::Counter::kIsRate);
    state.counters["per_sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["audio_s"] = samples / 16000.0 / static_cast<double>(state.iterations());
}
}  // namespace

BENCHMARK_CAPTURE(Synthesize, plain16, 16, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Synthesize, delta8, 8, 4)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
