// Festival's CMU lexicon (Debian festlex-cmu, cmudict-0.4.out) in the KAL
// phoneme alphabet.
//
// Each line is one Scheme list: ("word" pos (((syl phones) stress) ...)),
// stress 1 or 0.  The phones are festival's radio set, whose 40 names are
// exactly kal's non-silent phone names, so every phone maps to the KAL
// symbol of the same name (KalPhones()).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kav::font {

struct CmuSyllable {
    std::vector<std::string> phones;
    int stress = 0;  // 0 unstressed, 1 stressed, 2 secondary in other releases
};

struct CmuWord {
    std::string word;
    std::string pos;  // "nil" for most words
    std::vector<CmuSyllable> syllables;
};

// One line of the lexicon; nothing for anything else (the "MNCL" header,
// comments, malformed lines).
std::optional<CmuWord> ParseCmuLine(std::string_view line);

// The KAL symbol of a radio phone name; nothing for a name kal lacks.
std::optional<char> CmuPhoneSymbol(std::string_view phone);

// The word as a phonetic string of KAL symbols with stress marks: the first
// stressed syllable carries primary stress (\'), later stressed syllables
// secondary stress (\").  The synthesis lays a mark's pitch bump and
// lengthening on the phoneme right after it, so the mark stands before the
// syllable's vowel, not before its onset.  Nothing when a phone does not map.
std::optional<std::string> KalPronunciation(const CmuWord &word);

}  // namespace kav::font
