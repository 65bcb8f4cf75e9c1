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
#include <functional>
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
    size_t ruled = 0;         // candidates the rules say right, left to them
    double mass = 0;          // probability of every poslex token
    double wordMass = 0;      // of the tokens whose folded form is a key
    double candidateMass = 0; // of the tokens the CMU lexicon has
    double chosenMass = 0;    // of the tokens the chosen words cover
};

// Whether `key` (already folded) follows the key convention: at least one
// letter, so that quote marks alone do not count as words.
bool IsKernelKey(std::string_view key);

// Every usable word of the CMU lexicon text: the first entry of each key
// (the lexicon repeats some words with another part of speech) with its
// probability in running text (summed over the poslex spellings that fold
// to the key), in lexicon order.  Fills the reading and mass figures of
// `stats`.
std::vector<KernelWord> ReadCmuWords(std::string_view cmuText, const std::vector<TaggedWord> &poslex,
                                     const std::vector<double> &probabilities, KernelLexiconStats &stats);

struct KernelChoice {
    size_t maxWords = 65535;
    // Hand-written entries: always kept, and they replace the CMU lexicon's
    // entry of the same key (function words without stress, letter names).
    std::vector<KernelWord> extra;
    // A word the letter-to-sound rules already say right needs no entry;
    // unset, every word is a candidate.
    std::function<bool(const KernelWord &)> rulesSayRight;
};

// At most `maxWords` entries: the extra ones, then the candidates the rules
// do not say right, then the running-text words they say right (a
// dictionary hit is cheaper), each group ranked by probability, then by
// key; returned in key order.  Fills the choice figures of `stats`.
std::vector<KernelWord> ChooseKernelWords(std::vector<KernelWord> candidates, const KernelChoice &choice,
                                          KernelLexiconStats &stats);

// ReadCmuWords and ChooseKernelWords with nothing but the size limit.
std::vector<KernelWord> BuildKernelLexicon(std::string_view cmuText, const std::vector<TaggedWord> &poslex,
                                           const std::vector<double> &probabilities, size_t maxWords,
                                           KernelLexiconStats &stats);

// The lexicon text the dictionary compiler reads: `comment` lines first
// (each prefixed with "# "), then KEY<TAB>PRONUNCIATION lines.
std::string FormatLexicon(const std::vector<KernelWord> &words, const std::vector<std::string> &comment);

}  // namespace kav::font
