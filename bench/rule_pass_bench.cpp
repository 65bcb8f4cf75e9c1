// Characters per second through one rule pass of a letter-to-sound shaped
// program: a foreach over words whose block holds a few hundred rewrite
// rules with class contexts, then a longest-match keyed list for whatever
// letters are left.
#include "rules/rule_asm.h"

#include "api/services.h"
#include "rules/rule_pass.h"

#include <benchmark/benchmark.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

using ruletest::Asm;
using namespace kav::rules;

ruletest::Bytes LetterToSound(int *ruleCount) {
    Asm a;
    const uint16_t letters = a.ClassOf("abcdefghijklmnopqrstuvwxyz");
    const uint16_t vowels = a.ClassOf("aeiouy");
    const uint16_t consonants = a.ClassOf("bcdfghjklmnpqrstvwxz");
    const std::vector<std::string> graphemes = {
        "tch", "dge", "igh", "ough", "augh", "eigh", "th", "sh", "ch", "ph", "wh", "ck", "ng", "qu", "kn", "wr",
        "gn", "mb", "ee", "ea", "oo", "ou", "ow", "ai", "ay", "oa", "oi", "oy", "ie", "ei", "au", "aw", "ew",
        "ue", "ar", "er", "ir", "or", "ur", "al", "ll", "ss", "tt", "pp", "nn", "mm", "rr", "ff", "zz", "tion",
        "sion", "ture", "ous", "ing", "ed", "es", "le", "ce", "ci", "cy", "ge", "gi", "gy", "x", "y"};
    std::vector<ruletest::KeyEntry> keys;
    for (char c = 'a'; c <= 'z'; ++c) keys.push_back({std::string(1, c), std::string(1, char(std::toupper(c)))});
    for (const std::string &g : graphemes) {
        if (g.size() > 1) keys.push_back({g, "/" + g + "/"});
    }
    const uint16_t lexicon = a.Longest(keys);

    int rules = 0;
    const uint16_t entry = a.Foreach([&] {
        a.Focus();
        a.Repeat(1, 0xFFFF, [&] { a.El(EL_CLASS, letters); });
        a.FocusEnd().Resume();
    }, [&] {
        // Each grapheme in four contexts: word start, after a vowel, after a
        // consonant and before a vowel, anywhere.
        for (const std::string &g : graphemes) {
            const std::string up = "{" + g + "}";
            a.Rule([&] { a.B(EL_AT_ANCHOR).Focus().Lit(g).FocusEnd().Resume(); }, [&] { a.B(ACT_TEXT).S("^" + up); });
            a.Rule([&] { a.El(EL_CLASS, vowels).Focus().Lit(g).FocusEnd().Resume(); }, [&] { a.B(ACT_TEXT).S("v" + up); });
            a.Rule([&] { a.El(EL_CLASS, consonants).Focus().Lit(g).FocusEnd().Resume().El(EL_CLASS, vowels); },
                   [&] { a.B(ACT_TEXT).S("c" + up); });
            a.Rule([&] { a.Focus().Lit(g).FocusEnd().Resume().B(EL_AT_END); }, [&] { a.B(ACT_TEXT).S(up + "$"); });
            rules += 4;
        }
        // Magic e: vowel, consonant, final e.
        a.Rule([&] {
            a.Focus().El(EL_CLASS, vowels).FocusEnd().Resume().El(EL_CLASS, consonants).Lit("e").B(EL_AT_END);
        }, [&] { a.B(ACT_TEXT).S("<long>"); });
        a.Rule([&] { a.Focus().El(EL_LONGEST_TAG, lexicon).FocusEnd().Resume(); },
               [&] { a.B(ACT_TAG).W(lexicon); });
        rules += 2;
        a.End();
    });
    *ruleCount = rules;
    return a.Build(entry);
}

std::string Text(size_t length) {
    static const std::string prose =
        "the quick brown fox jumps over the lazy dog while the weather changes through the night and "
        "nobody thought that a knight would write such a rough draught of his own nation's station ";
    std::string t;
    while (t.size() < length) t += prose;
    t.resize(length);
    return t;
}

void BM_RulePass(benchmark::State &state) {
    int rules = 0;
    const ruletest::Bytes program = LetterToSound(&rules);
    const std::string text = Text(size_t(state.range(0)));
    for (auto _ : state) {
        char *out = nullptr;
        const LONG status = kav::RunRulePassOver(text.c_str(), program.data(), DWORD(program.size()), &out);
        if (status != 0) {
            state.SkipWithError("pass failed");
            break;
        }
        benchmark::DoNotOptimize(out);
        kav::FreeBlock(out);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
    state.counters["rules"] = rules;
    state.counters["program_bytes"] = double(program.size());
}
BENCHMARK(BM_RulePass)->Arg(100)->Arg(8000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
