// Characters per second from text to phonetic string with the shipped
// KAL16 font, the way Say reads a text: the font's sentence program cuts
// the next sentence off, TextToPhonetics converts it.  The text is the GPL
// version 3 (plain English prose with numbers, abbreviations and
// addresses), or the file named by $KAVREL_BENCH_TEXT.
#include "api/engine_state.h"
#include "api/services.h"
#include "platform/testing.h"
#include "rules/rule_pass.h"

#include <kavsyn.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string BenchText() {
    const char *named = std::getenv("KAVREL_BENCH_TEXT");
    std::ifstream in(named != nullptr ? named : "/usr/share/common-licenses/GPL-3");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The sentences of the text as the font's sentence program cuts them.
std::vector<std::string> Sentences(LPSCB scb, const std::string &text) {
    std::vector<std::string> out;
    kav::SetCurrentSCB(scb);
    for (size_t at = 0; at < text.size();) {
        char *sentence = nullptr;
        if (kav::RunRulePass(text.c_str() + at, scb->hSentenceRule, &sentence) != 0) break;
        const std::string s(sentence);
        kav::FreeBlock(sentence);
        if (s.find_first_not_of(" \t\r\n") != std::string::npos) out.push_back(s);
        at += s.empty() ? 1 : s.size();
    }
    return out;
}

void TextToPhoneticsKal16(benchmark::State &state) {
    kav::testing::ReloadRegistry(nullptr);
    LPSCB scb = OpenSpeech(nullptr, 0, "KAL16");
    const std::string text = BenchText();
    if (scb == nullptr || text.empty()) {
        state.SkipWithError("KAL16 or the text is missing (build the fonts)");
        if (scb != nullptr) CloseSpeech(scb);
        return;
    }
    const bool split = state.range(0) != 0;
    const std::vector<std::string> sentences = Sentences(scb, text);
    for (auto _ : state) {
        for (const std::string &s : split ? Sentences(scb, text) : sentences) {
            char *phonetics = TextToPhonetics(scb, s.c_str(), 0);
            benchmark::DoNotOptimize(phonetics);
            if (phonetics != nullptr) FreePhoneticsBuffer(phonetics);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["sentences"] = static_cast<double>(sentences.size());
    CloseSpeech(scb);
}
// 0: conversion of the sentences only; 1: cutting them off as well.
BENCHMARK(TextToPhoneticsKal16)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
