// Characters per second through the shipped KAL16 font's sentence program,
// walking a whole text the way Say does: each run keeps the next sentence,
// whose length is how far the walk moves on, so a text of n characters in
// s sentences costs about s runs over what is left of it.  The text is the
// GPL version 3, or the file named by $KAVREL_BENCH_TEXT; the conversion of
// the sentences is text_to_phonetics_bench's.
#include "api/engine_state.h"
#include "api/services.h"
#include "platform/testing.h"
#include "rules/rule_pass.h"

#include <kavsyn.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

void SentenceWalkKal16(benchmark::State &state) {
    const char *named = std::getenv("KAVREL_BENCH_TEXT");
    std::ifstream in(named != nullptr ? named : "/usr/share/common-licenses/GPL-3", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    kav::testing::ReloadRegistry(nullptr);
    LPSCB scb = OpenSpeech(nullptr, 0, "KAL16");
    if (scb == nullptr || text.empty()) {
        state.SkipWithError("needs the built KAL16 font and the text");
        if (scb != nullptr) CloseSpeech(scb);
        return;
    }
    kav::SetCurrentSCB(scb);
    int64_t sentences = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < text.size();) {
            char *sentence = nullptr;
            if (kav::RunRulePass(text.c_str() + at, scb->hSentenceRule, &sentence) != 0) {
                state.SkipWithError("the sentence program failed");
                break;
            }
            const size_t n = std::char_traits<char>::length(sentence);
            kav::FreeBlock(sentence);
            at += n == 0 ? 1 : n;
            ++sentences;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["sentences"] = benchmark::Counter(static_cast<double>(sentences), benchmark::Counter::kAvgIterations);
    CloseSpeech(scb);
}
BENCHMARK(SentenceWalkKal16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
