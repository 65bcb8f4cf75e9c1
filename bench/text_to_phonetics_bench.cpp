// Characters per second through the whole text-to-phonetics pipeline of the
// shipped KAL16 font (every rule pass, the dictionaries, the encoder), over
// the paragraphs of the GPL (/usr/share/common-licenses/GPL-3): ordinary
// running text with names and words the dictionary lacks.  The font comes
// from the build tree's registration (share/kavrel/kavrel.reg) unless
// KAVREL_REGISTRY names another.
#include "platform/testing.h"

#include <kavsyn.h>

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Paragraphs(const char *path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\n\n", start);
        if (end == std::string::npos) end = text.size();
        if (end - start > 1 && end - start < 8000) out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

void TextToPhoneticsKal16(benchmark::State &state) {
    const std::vector<std::string> paragraphs = Paragraphs("/usr/share/common-licenses/GPL-3");
    kav::testing::ReloadRegistry(nullptr);
    LPSCB scb = OpenSpeech(nullptr, 0, "KAL16");
    if (paragraphs.empty() || scb == nullptr) {
        state.SkipWithError("needs the built KAL16 font and /usr/share/common-licenses/GPL-3");
        if (scb != nullptr) CloseSpeech(scb);
        return;
    }
    int64_t characters = 0;
    for (auto _ : state) {
        for (const std::string &p : paragraphs) {
            char *out = TextToPhonetics(scb, p.c_str(), 0);
            if (out == nullptr) {
                state.SkipWithError("TextToPhonetics failed");
                break;
            }
            FreePhoneticsBuffer(out);
            characters += static_cast<int64_t>(p.size());
        }
    }
    state.counters["chars/s"] = benchmark::Counter(static_cast<double>(characters), benchmark::Counter::kIsRate);
    CloseSpeech(scb);
}
BENCHMARK(TextToPhoneticsKal16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
