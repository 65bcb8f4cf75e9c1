#include "letter_to_sound.h"

#include "api/services.h"
#include "rules/rule_pass.h"

#include <algorithm>
#include <unordered_set>

namespace kav::font {

std::optional<std::string> LetterToSound::Pronounce(std::string_view word) const {
    std::string result = " #" + std::string(word) + "# ";
    for (const std::vector<uint8_t> &pass : passes_) {
        char *out = nullptr;
        const LONG status = RunRulePassOver(result.c_str(), pass.data(), static_cast<DWORD>(pass.size()), &out);
        if (status != 0 || out == nullptr) return std::nullopt;
        result = out;
        FreeBlock(out);
    }
    const size_t first = result.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return result.substr(first, result.find_last_not_of(' ') - first + 1);
}

std::string WithoutStress(std::string_view pronunciation) {
    std::string out;
    for (size_t i = 0; i < pronunciation.size(); ++i) {
        if (pronunciation[i] == '\\' && i + 1 < pronunciation.size() &&
            (pronunciation[i + 1] == '\'' || pronunciation[i + 1] == '"')) {
            ++i;
            continue;
        }
        out += pronunciation[i];
    }
    return out;
}

bool IsHeldOut(std::string_view key) {
    uint32_t hash = 2166136261u;
    for (const char c : key) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    return hash % 10 == 0;
}

void Accuracy::Add(double weight, std::string_view got, std::string_view want) {
    total += weight;
    if (got == want) right += weight;
    if (WithoutStress(got) == WithoutStress(want)) phonesRight += weight;
}

LexiconMeasures MeasureLexicon(const LetterToSound &rules, const std::vector<KernelWord> &all,
                               const std::vector<KernelWord> &kernel, double unknownMass) {
    std::unordered_set<std::string> listed;
    for (const KernelWord &w : kernel) listed.insert(w.key);
    LexiconMeasures m;
    m.unknownMass = unknownMass;
    for (const KernelWord &w : all) {
        const bool inKernel = listed.count(w.key) != 0;
        const bool heldOut = IsHeldOut(w.key);
        if (!heldOut && (inKernel || w.probability <= 0)) continue;
        const std::string said = rules.Pronounce(w.key).value_or(std::string());
        if (heldOut) {
            m.heldOut.Add(1, said, w.pronunciation);
            if (w.probability <= 0) m.heldOutRare.Add(1, said, w.pronunciation);
        }
        if (w.probability > 0) m.running.Add(w.probability, inKernel ? w.pronunciation : said, w.pronunciation);
    }
    return m;
}

}  // namespace kav::font
