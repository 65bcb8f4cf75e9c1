#include "kal_phones.h"

#include <array>
#include <cstdlib>

namespace kav::font {
namespace {

using C = PhoneClass;

// Symbols follow the one-letter ARPAbet where it has one, so a phonetic
// string stays readable: '@' for the vowel of "fat", 'x' for schwa, capitals
// for the second sound of a letter pair (C for ch, D for dh, S for sh ...).
// Stored half-unit lengths: about 0.6 of kal's slow natural timing, set so
// that a primary stress (about x1.5 through the font's speed increment) lands
// near the measured best for stressed vowels.
constexpr std::array<KalPhone, 41> kPhones{{
    // name  sym  class               h  f  rnd  pl  vox  viseme               jaw rnd  ms
    {"pau", '_', C::Silence,          0, 0, false, 0, false, kVisemeRest,          0,   0, 20},
    {"aa",  'a', C::Vowel,            3, 3, false, 0, true,  kVisemeOpen,        230,   0, 42},
    {"ae",  '@', C::Vowel,            3, 1, false, 0, true,  kVisemeOpen,        210,   0, 42},
    {"ah",  'A', C::Vowel,            2, 2, false, 0, true,  kVisemeOpen,        180,   0, 40},
    {"ao",  'c', C::Vowel,            3, 3, true,  0, true,  kVisemeRound,       200, 170, 42},
    {"aw",  'W', C::Diphthong,        3, 2, false, 0, true,  kVisemeOpen,        220,  60, 50},
    {"ax",  'x', C::Schwa,            2, 2, false, 0, true,  kVisemeNeutral,     120,   0, 28},
    {"ay",  'Y', C::Diphthong,        3, 2, false, 0, true,  kVisemeOpen,        210,   0, 50},
    {"eh",  'E', C::Vowel,            2, 1, false, 0, true,  kVisemeSpread,      150,   0, 40},
    {"er",  'R', C::Vowel,            2, 2, false, 0, true,  kVisemeRhotic,      110, 110, 42},
    {"ey",  'e', C::Diphthong,        2, 1, false, 0, true,  kVisemeSpread,      130,   0, 50},
    {"ih",  'I', C::Vowel,            1, 1, false, 0, true,  kVisemeSpread,      100,   0, 36},
    {"iy",  'i', C::Vowel,            1, 1, false, 0, true,  kVisemeSpread,       70,   0, 42},
    {"ow",  'o', C::Diphthong,        2, 3, true,  0, true,  kVisemeRound,       150, 200, 50},
    {"oy",  'O', C::Diphthong,        2, 3, true,  0, true,  kVisemeRound,       160, 180, 50},
    {"uh",  'U', C::Vowel,            1, 3, true,  0, true,  kVisemeRound,       100, 150, 36},
    {"uw",  'u', C::Vowel,            1, 3, true,  0, true,  kVisemePucker,       70, 230, 42},
    {"b",   'b', C::VoicedStop,       0, 0, false, 'l', true,  kVisemeClosed,     20,   0, 35},
    {"ch",  'C', C::Affricate,        0, 0, false, 'p', false, kVisemePostalveolar, 50, 140, 50},
    {"d",   'd', C::VoicedStop,       0, 0, false, 'a', true,  kVisemeAlveolar,   50,   0, 35},
    {"dh",  'D', C::VoicedFricative,  0, 0, false, 'd', true,  kVisemeTongueTeeth, 50,  0, 38},
    {"f",   'f', C::VoicelessFricative, 0, 0, false, 'b', false, kVisemeLipTeeth, 40,   0, 50},
    {"g",   'g', C::VoicedStop,       0, 0, false, 'v', true,  kVisemeBack,       80,   0, 35},
    {"hh",  'h', C::Aspirate,         0, 0, false, 'g', false, kVisemeBack,      120,   0, 30},
    {"jh",  'J', C::Affricate,        0, 0, false, 'p', true,  kVisemePostalveolar, 50, 140, 50},
    {"k",   'k', C::VoicelessStop,    0, 0, false, 'v', false, kVisemeBack,       80,   0, 40},
    {"l",   'l', C::Liquid,           0, 0, false, 'a', true,  kVisemeAlveolar,   60,   0, 30},
    {"m",   'm', C::Nasal,            0, 0, false, 'l', true,  kVisemeClosed,     20,   0, 32},
    {"n",   'n', C::Nasal,            0, 0, false, 'a', true,  kVisemeAlveolar,   50,   0, 32},
    {"ng",  'G', C::Nasal,            0, 0, false, 'v', true,  kVisemeBack,       70,   0, 32},
    {"p",   'p', C::VoicelessStop,    0, 0, false, 'l', false, kVisemeClosed,     20,   0, 40},
    {"r",   'r', C::Liquid,           0, 0, false, 'a', true,  kVisemeRhotic,     80, 120, 30},
    {"s",   's', C::VoicelessFricative, 0, 0, false, 'a', false, kVisemeAlveolar, 40,   0, 50},
    {"sh",  'S', C::VoicelessFricative, 0, 0, false, 'p', false, kVisemePostalveolar, 50, 140, 50},
    {"t",   't', C::VoicelessStop,    0, 0, false, 'a', false, kVisemeAlveolar,   50,   0, 40},
    {"th",  'T', C::VoicelessFricative, 0, 0, false, 'd', false, kVisemeTongueTeeth, 50, 0, 50},
    {"v",   'v', C::VoicedFricative,  0, 0, false, 'b', true,  kVisemeLipTeeth,   40,   0, 38},
    {"w",   'w', C::Liquid,           0, 0, false, 'l', true,  kVisemePucker,     40, 240, 30},
    {"y",   'y', C::Liquid,           0, 0, false, 'p', true,  kVisemeSpread,     60,   0, 30},
    {"z",   'z', C::VoicedFricative,  0, 0, false, 'a', true,  kVisemeAlveolar,   40,   0, 38},
    {"zh",  'Z', C::VoicedFricative,  0, 0, false, 'p', true,  kVisemePostalveolar, 50, 140, 38},
}};

bool IsVowelLike(PhoneClass cls) { return cls == C::Vowel || cls == C::Diphthong || cls == C::Schwa; }

// Manner groups for consonants: stops, fricatives (with hh), affricates,
// nasals, liquids and glides.
int Manner(PhoneClass cls) {
    switch (cls) {
    case C::VoicelessStop:
    case C::VoicedStop: return 1;
    case C::VoicelessFricative:
    case C::VoicedFricative:
    case C::Aspirate: return 2;
    case C::Affricate: return 3;
    case C::Nasal: return 4;
    default: return 5;
    }
}

// Glides and r sit next to the vowel they colour.
bool GlideVowelPair(std::string_view a, std::string_view b) {
    auto pair = [&](std::string_view x, std::string_view y) {
        return (a == x && b == y) || (a == y && b == x);
    };
    return pair("w", "uw") || pair("y", "iy") || pair("r", "er");
}

}  // namespace

std::span<const KalPhone> KalPhones() { return kPhones; }

std::optional<uint8_t> KalPhoneIndex(std::string_view name) {
    for (size_t i = 0; i < kPhones.size(); ++i)
        if (kPhones[i].name == name) return static_cast<uint8_t>(i);
    return std::nullopt;
}

int PhoneDistance(uint8_t a, uint8_t b) {
    if (a == b) return 0;
    const KalPhone &x = kPhones.at(a);
    const KalPhone &y = kPhones.at(b);
    if (x.cls == C::Silence || y.cls == C::Silence) return 20;
    if (GlideVowelPair(x.name, y.name)) return 3;
    const bool xv = IsVowelLike(x.cls), yv = IsVowelLike(y.cls);
    if (xv != yv) return 10;
    if (xv) {
        // er and ax differ only in r-colouring.
        int d = std::abs(x.height - y.height) + std::abs(x.front - y.front) + (x.rounded != y.rounded);
        if (x.cls != y.cls) d += 1;
        return d == 0 ? 1 : d;
    }
    int d = 0;
    if (Manner(x.cls) != Manner(y.cls)) d += 3;
    if (x.place != y.place) d += 2;
    if (x.voiced != y.voiced) d += 1;
    return d == 0 ? 1 : d;
}

bool IsSonorant(PhoneClass cls) {
    return IsVowelLike(cls) || cls == C::Nasal || cls == C::Liquid;
}

bool IsStop(PhoneClass cls) {
    return cls == C::VoicelessStop || cls == C::VoicedStop || cls == C::Affricate;
}

}  // namespace kav::font
