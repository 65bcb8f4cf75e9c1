// The phoneme inventory of the KAL voices: the kal diphone database's 41
// plain phones, their one-byte symbols in the phonetic string, the classes
// that decide stored unit lengths and voicing, the features that pick
// substitute diphones, and the mouth shapes.  This table is the only place
// the alphabet is written down in code; fonts/KAL16/README.md documents it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kav::font {

enum class PhoneClass : uint8_t {
    Silence,
    Vowel,
    Diphthong,
    Schwa,
    VoicelessStop,
    VoicedStop,
    VoicelessFricative,
    VoicedFricative,
    Affricate,
    Nasal,
    Liquid,  // l r, and the glides w y
    Aspirate,
};

// Mouth-shape record bytes: viseme class, jaw opening, lip rounding.
enum Viseme : uint8_t {
    kVisemeRest = 0,      // silence: lips together, relaxed
    kVisemeOpen = 1,      // aa ae ah aw ay
    kVisemeSpread = 2,    // eh ey ih iy y
    kVisemeRound = 3,     // ao ow oy uh
    kVisemePucker = 4,    // uw w
    kVisemeClosed = 5,    // b p m
    kVisemeLipTeeth = 6,  // f v
    kVisemeTongueTeeth = 7,  // th dh
    kVisemeAlveolar = 8,  // t d n s z l
    kVisemePostalveolar = 9,  // sh zh ch jh
    kVisemeBack = 10,     // k g ng hh
    kVisemeRhotic = 11,   // r er
    kVisemeNeutral = 12,  // ax
};

struct KalPhone {
    std::string_view name;  // as in the database's diphone names
    char symbol;            // the byte that stands for it in a phonetic string
    PhoneClass cls;
    // Articulatory features after festival's radio phone set, used only to
    // rank substitutes: vowel height/frontness 1..3 (0 for consonants),
    // rounding, consonant place (festival's letters l a p b d v g) and voicing.
    uint8_t height, front;
    bool rounded;
    char place;
    bool voiced;
    uint8_t viseme, jaw, rounding;  // the MOUTH_SHAPES record
    uint16_t halfMs;                // stored length of a half-phoneme unit, ms
};

// All phonemes in phoneme-number order; phoneme 0 is silence ("pau").
std::span<const KalPhone> KalPhones();

// Phoneme number of a database phone name, or nothing.
std::optional<uint8_t> KalPhoneIndex(std::string_view name);

// How unlike two phonemes are, for choosing a stand-in diphone: 0 for the
// same phoneme, small for near neighbours, large across silence.
int PhoneDistance(uint8_t a, uint8_t b);

// Whether the phone is normally voiced throughout (vowels, nasals, liquids,
// glides): the fallback when the signal does not decide a frame's voicing.
bool IsSonorant(PhoneClass cls);
bool IsStop(PhoneClass cls);

}  // namespace kav::font
