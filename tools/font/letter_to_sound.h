// The fonts' letter-to-sound passes run over single words, as the
// dictionary pass hands them the words no dictionary knows ("#WORD#"), and
// the measures of how well dictionary and rules pronounce the CMU lexicon's
// words.
#pragma once

#include "kernel_lexicon.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kav::font {

class LetterToSound {
public:
    // The compiled passes in order (CompileRules of the font's
    // 3_letters.rules and 3_stress.rules).
    explicit LetterToSound(std::vector<std::vector<uint8_t>> passes) : passes_(std::move(passes)) {}

    // The pronunciation the passes give an upper-case word; nothing when a
    // pass fails.
    std::optional<std::string> Pronounce(std::string_view word) const;

private:
    std::vector<std::vector<uint8_t>> passes_;
};

// The phonetic string without its stress marks (\' and \").
std::string WithoutStress(std::string_view pronunciation);

// Words kept out of the rules' training, on which they are measured: those
// whose FNV-1a hash is 0 modulo 10 (tools/font/lts_learn.py makes the same
// choice).
bool IsHeldOut(std::string_view key);

struct Accuracy {
    double total = 0;      // words, or probability mass
    double right = 0;      // exactly right, stress included
    double phonesRight = 0;// right once stress marks are dropped

    void Add(double weight, std::string_view got, std::string_view want);
};

struct LexiconMeasures {
    Accuracy heldOut;          // the rules alone on held-out words
    Accuracy heldOutRare;      // ... of them those running text lacks (names,
                               // rare words: what the rules meet)
    Accuracy running;          // dictionary + rules, weighted by probability
    double unknownMass = 0;    // running-text words the CMU lexicon lacks
};

// Measures the rules and the kernel lexicon `kernel` against the CMU
// lexicon's words (`all`, with their probabilities in running text): a
// word the kernel lexicon lists counts as right, the others get what the
// rules say.
LexiconMeasures MeasureLexicon(const LetterToSound &rules, const std::vector<KernelWord> &all,
                               const std::vector<KernelWord> &kernel, double unknownMass);

}  // namespace kav::font
