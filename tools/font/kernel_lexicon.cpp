#include "kernel_lexicon.h"

#include "cmu_lexicon.h"
#include "platform/platform.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace kav::font {
namespace {

std::string FoldUpper(std::string word) {
    CharUpperA(word.data());
    return word;
}

}  // namespace

bool IsKernelKey(std::string_view key) {
    // Quote marks alone ('' and ') are punctuation, not words.
    const auto letter = [](char c) { return c >= 'A' && c <= 'Z'; };
    return std::any_of(key.begin(), key.end(), letter) &&
           std::all_of(key.begin(), key.end(), [&](char c) { return letter(c) || c == '\''; });
}

std::vector<KernelWord> ReadCmuWords(std::string_view cmuText, const std::vector<TaggedWord> &poslex,
                                     const std::vector<double> &probabilities, KernelLexiconStats &stats) {
    stats = {};
    std::unordered_map<std::string, double> running;
    for (size_t i = 0; i < poslex.size() && i < probabilities.size(); ++i) {
        stats.mass += probabilities[i];
        std::string key = FoldUpper(poslex[i].word);
        if (!IsKernelKey(key)) continue;
        stats.wordMass += probabilities[i];
        running[std::move(key)] += probabilities[i];
    }

    std::vector<KernelWord> words;
    std::unordered_set<std::string> seen;
    while (!cmuText.empty()) {
        const size_t end = cmuText.find('\n');
        const std::string_view line = cmuText.substr(0, end);
        cmuText.remove_prefix(end == std::string_view::npos ? cmuText.size() : end + 1);
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        const auto entry = ParseCmuLine(line);
        if (!entry) {
            ++stats.oddLines;
            continue;
        }
        ++stats.cmuEntries;
        std::string key = FoldUpper(entry->word);
        if (!IsKernelKey(key)) {
            ++stats.badKeys;
            continue;
        }
        if (seen.count(key) != 0) {
            ++stats.repeats;
            continue;
        }
        seen.insert(key);
        auto pronunciation = KalPronunciation(*entry);
        if (!pronunciation) {
            ++stats.unmapped;
            continue;
        }
        const auto it = running.find(key);
        words.push_back({std::move(key), std::move(*pronunciation), it == running.end() ? 0.0 : it->second});
    }
    stats.candidates = words.size();
    for (const KernelWord &w : words) stats.candidateMass += w.probability;
    return words;
}

std::vector<KernelWord> ChooseKernelWords(std::vector<KernelWord> candidates, const KernelChoice &choice,
                                          KernelLexiconStats &stats) {
    std::unordered_map<std::string, double> probability;
    for (const KernelWord &w : candidates) probability[w.key] = w.probability;
    std::vector<KernelWord> words;
    std::unordered_set<std::string> taken;
    for (KernelWord w : choice.extra) {
        if (words.size() >= choice.maxWords || !taken.insert(w.key).second) continue;
        const auto it = probability.find(w.key);
        w.probability = it == probability.end() ? 0.0 : it->second;
        words.push_back(std::move(w));
    }
    // The words the rules miss come first; room left over goes to the
    // running-text words the rules say right, most frequent first, because
    // a dictionary hit costs far less than the rules.
    std::vector<KernelWord> missed, said;
    for (KernelWord &w : candidates) {
        if (taken.count(w.key) != 0) continue;
        const bool right = choice.rulesSayRight && choice.rulesSayRight(w);
        if (!right) {
            missed.push_back(std::move(w));
        } else if (w.probability > 0) {
            said.push_back(std::move(w));
        } else {
            ++stats.ruled;
        }
    }
    const auto byProbability = [](const KernelWord &a, const KernelWord &b) {
        return a.probability != b.probability ? a.probability > b.probability : a.key < b.key;
    };
    std::sort(missed.begin(), missed.end(), byProbability);
    std::sort(said.begin(), said.end(), byProbability);
    for (std::vector<KernelWord> *list : {&missed, &said}) {
        for (KernelWord &w : *list) {
            if (words.size() < choice.maxWords) {
                words.push_back(std::move(w));
            } else if (list == &said) {
                ++stats.ruled;
            }
        }
    }
    std::sort(words.begin(), words.end(), [](const KernelWord &a, const KernelWord &b) { return a.key < b.key; });
    stats.chosen = words.size();
    for (const KernelWord &w : words) {
        stats.chosenMass += w.probability;
        stats.chosenSeen += w.probability > 0;
    }
    return words;
}

std::vector<KernelWord> BuildKernelLexicon(std::string_view cmuText, const std::vector<TaggedWord> &poslex,
                                           const std::vector<double> &probabilities, size_t maxWords,
                                           KernelLexiconStats &stats) {
    KernelChoice choice;
    choice.maxWords = maxWords;
    return ChooseKernelWords(ReadCmuWords(cmuText, poslex, probabilities, stats), choice, stats);
}

std::string FormatLexicon(const std::vector<KernelWord> &words, const std::vector<std::string> &comment) {
    std::string out;
    for (const std::string &line : comment) out += "# " + line + "\n";
    for (const KernelWord &w : words) out += w.key + "\t" + w.pronunciation + "\n";
    return out;
}

}  // namespace kav::font
