// The kernel lexicon of the English fonts: the CMU lexicon's words in KAL
// phonemes, as many as a dictionary holds, the words of running text first.
//
// Key convention: the word upper-cased with the platform's Windows-1252
// rules (the fonts' DICTIONARYCASE is 1), made of the letters A-Z and the
// apostrophe only: the normalisation pass hands the dictionary pass words in
// that form, and the dictionary element compares bytes exactly.  Words with
// other characters are left out.
#pragma once

#include "word_probability.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kav::font {

struct KernelWord {
    std::string key;
    std::string pronunciation;
    double probability = 0;  // in running text, 0 for words poslex lacks
};

struct KernelLexiconStats {
    size_t cmuEntries = 0;    // lines that parsed
    size_t oddLines = 0;      // lines that did not (the header included)
    size_t repeats = 0;       // later entries of a key already seen
    size_t badKeys = 0;       // words with characters a key cannot hold
    size_t unmapped = 0;      // words with a phone kal lacks
    size_t candidates = 0;    // distinct keys with a pronunciation
    size_t chosen = 0;
    size_t chosenSeen = 0;    // chosen words that poslex lists
    double mass = 0;          // probability of every poslex token
    double wordMass = 0;      // of the tokens whose folded form is a key
    double candidateMass = 0; // of the tokens the CMU lexicon has
    double chosenMass = 0;    // of the tokens the chosen words cover
};

// Whether `key` (already folded) follows the key convention: at least one
// letter, so that quote marks alone do not count as words.
bool IsKernelKey(std::string_view key);

// At most `maxWords` words of the CMU lexicon text: the first entry of each
// key (the lexicon repeats some words with another part of speech), ranked
// by probability in running text (summed over the poslex spellings that
// fold to the key), then by key; returned in key order.
std::vector<KernelWord> BuildKernelLexicon(std::string_view cmuText, const std::vector<TaggedWord> &poslex,
                                           const std::vector<double> &probabilities, size_t maxWords,
                                           KernelLexiconStats &stats);

// The lexicon text the dictionary compiler reads: `comment` lines first
// (each prefixed with "# "), then KEY<TAB>PRONUNCIATION lines.
std::string FormatLexicon(const std::vector<KernelWord> &words, const std::vector<std::string> &comment);

}  // namespace kav::font
