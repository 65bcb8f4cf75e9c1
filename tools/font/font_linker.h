// The font linker: a voice, rule programs and numeric parameters put
// together as the resource set of one speech font, and the registration
// file that makes built fonts known to the engine.
#pragma once

#include "font_resource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kav::font {

// The newest font format the engine loads: VERSIONNUMBER 2, 11 reads as 2.11.
constexpr int16_t kFontVersionMajor = 2;
constexpr int16_t kFontVersionMinor = 11;
// The engine holds at most this many text passes.
constexpr size_t kMaxRulePasses = 50;

struct FontParts {
    std::vector<FontResource> voice;              // from BuildVoice
    std::vector<std::vector<uint8_t>> passes;     // compiled text passes, in order (RULE 300..)
    std::vector<uint16_t> passMasks;              // one per pass (RULE 354)
    std::vector<uint8_t> sentenceProgram;         // RULE 350
    std::string kernelDictionary;                 // file name beside the font; empty: none
    int32_t dictionaryCase = 1;                   // keys upper case
};

// The whole resource set.  Throws std::invalid_argument when the parts
// cannot make a loadable font (no passes, too many, masks not matching the
// passes, no sentence program, a kernel name holding a NUL or a path).
std::vector<FontResource> LinkFont(const FontParts &parts);

struct FontRegistration {
    std::string name;               // "KAL16": the module is <name>.DLL
    std::string description;
    std::string defaultDictionary;  // file name relative to the font directory
};

// The largest "Path" value the engine reads (its buffer holds 128 bytes,
// the terminator included).
constexpr size_t kMaxFontPath = 127;

// The text of a REGEDIT4 file registering the fonts in `fontDir` (an
// absolute path).  Throws std::invalid_argument with a message naming the
// limit when the directory does not fit the engine's buffer, or a name or
// value cannot be written in the format.
std::string RegistrationText(const std::string &fontDir, const std::vector<FontRegistration> &fonts);

}  // namespace kav::font
