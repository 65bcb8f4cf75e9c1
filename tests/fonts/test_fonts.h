// Small synthetic speech fonts for tests, and a registry that names them.
//
//   kav::testfonts::FontRegistry reg;            // a temporary font directory
//   reg.AddFont("KAVTEST", TestFont::Minimal());  // writes KAVTEST.DLL, registers it
//   reg.Apply();                                  // the engine now sees it
//
// The registry file (kavrel.reg) lives in the directory and the engine reads
// it until the FontRegistry goes; then the directory is removed and the
// engine goes back to its usual registry.
#pragma once

#include "fonts/synthetic_voice.h"
#include "pe_writer.h"

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace kav::testfonts {

using Bytes = std::vector<uint8_t>;

// The resources of one font, changed freely before it is built.
class TestFont {
public:
    // A font the engine loads without complaint: version 2.11, two rule
    // passes, a sentence rule, DEMI, a voice header (11025 Hz, 8 bits, flags
    // `headerFlags`), mouth shapes, one PCMD and one INST.
    static TestFont Minimal(uint32_t headerFlags = 0);
    // The same around a voice of the test's own (its Fill done).
    static TestFont WithVoice(const kav::testing::SyntheticVoice &voice);

    TestFont &Set(const font::ResourceId &type, const font::ResourceId &name, Bytes bytes);
    TestFont &SetInteger(const char *name, int32_t value);  // a raw-data numeric resource
    TestFont &SetVersion(int16_t major, int16_t minor);     // VERSIONNUMBER
    TestFont &Remove(const font::ResourceId &type, const font::ResourceId &name);

    Bytes Build() const;

private:
    std::vector<std::tuple<font::ResourceId, font::ResourceId, Bytes>> resources_;
};

class FontRegistry {
public:
    FontRegistry();
    ~FontRegistry();
    FontRegistry(const FontRegistry &) = delete;
    FontRegistry &operator=(const FontRegistry &) = delete;

    const std::string &Dir() const { return dir_; }

    // Writes <name>.DLL and registers the font.
    void AddFont(const std::string &name, const TestFont &font, const std::string &description = "",
                 const std::string &defaultDictionary = "");
    // Writes any bytes as a font module (for malformed files) and registers it.
    void AddFontFile(const std::string &name, const Bytes &bytes);
    // Registers a font without writing a module.
    void Register(const std::string &name, const std::string &description = "",
                  const std::string &defaultDictionary = "");
    // The "Path" value (default: the directory); the SpeechFonts key itself
    // can be left out of the registry.
    void SetPath(const std::string &path) { path_ = path; }
    void OmitKey() { omitKey_ = true; }

    // Writes the registry file and makes the engine read it.
    void Apply();

private:
    struct Entry {
        std::string name, description, dictionary;
    };
    std::string dir_;
    std::string path_;
    bool omitKey_ = false;
    std::vector<Entry> fonts_;
};

}  // namespace kav::testfonts
