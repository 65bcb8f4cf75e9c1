#include "cmu_lexicon.h"

#include "kal_phones.h"

#include <cctype>

namespace kav::font {
namespace {

// A cursor over one line with the few tokens the lexicon's lists use.
class Reader {
public:
    explicit Reader(std::string_view s) : s_(s) {}

    void SkipBlanks() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    bool Take(char c) {
        SkipBlanks();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool AtEnd() {
        SkipBlanks();
        return i_ == s_.size();
    }
    bool Peek(char c) {
        SkipBlanks();
        return i_ < s_.size() && s_[i_] == c;
    }
    // A quoted string without escapes (the lexicon's words have none).
    std::optional<std::string> Quoted() {
        if (!Take('"')) return std::nullopt;
        const size_t close = s_.find('"', i_);
        if (close == std::string_view::npos) return std::nullopt;
        std::string text(s_.substr(i_, close - i_));
        i_ = close + 1;
        return text;
    }
    // A bare symbol: up to a blank or a parenthesis.
    std::string Atom() {
        SkipBlanks();
        const size_t start = i_;
        while (i_ < s_.size() && !std::isspace(static_cast<unsigned char>(s_[i_])) && s_[i_] != '(' &&
               s_[i_] != ')')
            ++i_;
        return std::string(s_.substr(start, i_ - start));
    }

private:
    std::string_view s_;
    size_t i_ = 0;
};

bool IsVowel(char symbol) {
    for (const KalPhone &p : KalPhones())
        if (p.symbol == symbol)
            return p.cls == PhoneClass::Vowel || p.cls == PhoneClass::Diphthong || p.cls == PhoneClass::Schwa;
    return false;
}

}  // namespace

std::optional<CmuWord> ParseCmuLine(std::string_view line) {
    Reader r(line);
    CmuWord w;
    if (!r.Take('(')) return std::nullopt;
    auto word = r.Quoted();
    if (!word || word->empty()) return std::nullopt;
    w.word = std::move(*word);
    w.pos = r.Atom();
    if (w.pos.empty() || !r.Take('(')) return std::nullopt;
    while (!r.Take(')')) {
        CmuSyllable syl;
        if (!r.Take('(') || !r.Take('(')) return std::nullopt;
        while (!r.Take(')')) {
            std::string phone = r.Atom();
            if (phone.empty()) return std::nullopt;
            syl.phones.push_back(std::move(phone));
        }
        const std::string stress = r.Atom();
        if (stress != "0" && stress != "1" && stress != "2") return std::nullopt;
        syl.stress = stress[0] - '0';
        if (syl.phones.empty() || !r.Take(')')) return std::nullopt;
        w.syllables.push_back(std::move(syl));
    }
    if (w.syllables.empty() || !r.Take(')') || !r.AtEnd()) return std::nullopt;
    return w;
}

std::optional<char> CmuPhoneSymbol(std::string_view phone) {
    const auto index = KalPhoneIndex(phone);
    // Silence is a pause, never a sound inside a word.
    if (!index || *index == 0) return std::nullopt;
    return KalPhones()[*index].symbol;
}

std::optional<std::string> KalPronunciation(const CmuWord &word) {
    std::string out;
    bool primaryGiven = false;
    for (const CmuSyllable &syl : word.syllables) {
        std::string symbols;
        for (const std::string &phone : syl.phones) {
            const auto symbol = CmuPhoneSymbol(phone);
            if (!symbol) return std::nullopt;
            symbols.push_back(*symbol);
        }
        if (syl.stress != 0) {
            // A syllable without a vowel (none in cmudict-0.4) is marked on
            // its first phone, so the stress is not lost.
            size_t nucleus = 0;
            while (nucleus < symbols.size() && !IsVowel(symbols[nucleus])) ++nucleus;
            if (nucleus == symbols.size()) nucleus = 0;
            const bool primary = syl.stress == 1 && !primaryGiven;
            primaryGiven = primaryGiven || primary;
            symbols.insert(nucleus, primary ? "\\'" : "\\\"");
        }
        out += symbols;
    }
    return out;
}

}  // namespace kav::font
