// Word probabilities of running text from festival's part-of-speech data
// (Debian festlex-poslex): the lexicon wsj.wp39.poslexR gives each word
// ln P(word | tag) for the tags it was seen with in the Wall Street Journal,
// and the tag trigram model wsj.wp39.tri.ngrambin holds the tag counts.
// P(word) = sum over its tags of P(word | tag) * count(tag) / all counts.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kav::font {

struct LexiconError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct TaggedWord {
    std::string word;
    std::vector<std::pair<std::string, double>> tags;  // tag, ln P(word | tag)
};

// The entries of a poslex file; lines that are not entries (its "MNCL"
// header) are skipped, `odd` counts the others that do not parse.
std::vector<TaggedWord> ParsePoslex(std::string_view text, size_t &odd);

// How often each tag occurs: the counts of a festival "NgramBin_2" tag
// model summed over every context, so each tag is counted once per token it
// ends.  Throws LexiconError for a file of another shape.
std::map<std::string, double> ReadTagCounts(std::string_view bytes);

// P(word) for every entry, in entry order.  Tags missing from the counts
// contribute nothing.
std::vector<double> WordProbabilities(const std::vector<TaggedWord> &words,
                                      const std::map<std::string, double> &tagCounts);

}  // namespace kav::font
