#include "fonts/test_fonts.h"

#include "platform/platform.h"
#include "platform/testing.h"
#include "fonts/synthetic_voice.h"

#include <atomic>
#include <filesystem>
#include <fstream>

namespace kav::testfonts {

namespace {

Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

bool SameId(const font::ResourceId &a, const font::ResourceId &b) { return !(a < b) && !(b < a); }

// Strings in a .reg file escape backslashes and quotes.
std::string RegString(const std::string &s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

void WriteFile(const std::string &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

// The smallest font that loads: two rule passes, a sentence program and a
// two-phoneme voice whose unit tables pass the load-time checks.
TestFont TestFont::Minimal(uint32_t headerFlags) {
    kav::testing::SyntheticVoice voice;
    voice.flags = headerFlags;
    voice.symbols = "_\na";
    voice.Fill(1);
    return WithVoice(voice);
}

TestFont TestFont::WithVoice(const kav::testing::SyntheticVoice &voice) {
    Bytes demi;
    for (uint32_t entry : voice.demi) {
        Bytes w = Le32(entry);
        demi.insert(demi.end(), w.begin(), w.end());
    }
    TestFont f;
    f.SetVersion(2, 11).SetInteger("NUMRULEPASSES", 2);
    f.Set("RULE", 300, {1, 2}).Set("RULE", 301, {3, 4}).Set("RULE", 350, {5});
    f.Set("DEMI", 258, demi).Set("SPEECH_HDR", 256, voice.Header()).Set("MOUTH_SHAPES", 257, voice.mouth);
    f.SetInteger("NUMPCMRESOURCES", 1).Set("PCMD", 500, voice.pcmd);
    f.SetInteger("NUMINSTRESOURCES", 1).Set("INST", 400, voice.inst);
    if (!voice.delta.empty()) f.Set("DELTA_TABLE", 259, voice.delta);
    return f;
}

TestFont &TestFont::Set(const font::ResourceId &type, const font::ResourceId &name, Bytes bytes) {
    Remove(type, name);
    resources_.emplace_back(type, name, std::move(bytes));
    return *this;
}

TestFont &TestFont::SetInteger(const char *name, int32_t value) {
    return Set(10, name, Le32(static_cast<uint32_t>(value)));
}

TestFont &TestFont::SetVersion(int16_t major, int16_t minor) {
    return Set(10, "VERSIONNUMBER", Le32(static_cast<uint16_t>(major) | uint32_t(static_cast<uint16_t>(minor)) << 16));
}

TestFont &TestFont::Remove(const font::ResourceId &type, const font::ResourceId &name) {
    std::erase_if(resources_, [&](const auto &r) { return SameId(std::get<0>(r), type) && SameId(std::get<1>(r), name); });
    return *this;
}

Bytes TestFont::Build() const {
    font::PeWriter writer;
    for (const auto &[type, name, bytes] : resources_) writer.Add(type, name, bytes);
    return writer.Build();
}

FontRegistry::FontRegistry() {
    static std::atomic<int> serial{0};
    dir_ = (std::filesystem::temp_directory_path() /
            ("kavrel-fonts-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++)))
               .string();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    path_ = dir_;
}

FontRegistry::~FontRegistry() {
    kav::testing::ReloadRegistry(nullptr);  // back to the usual search
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void FontRegistry::AddFont(const std::string &name, const TestFont &font, const std::string &description,
                           const std::string &defaultDictionary) {
    WriteFile(dir_ + "/" + name + ".DLL", font.Build());
    Register(name, description, defaultDictionary);
}

void FontRegistry::AddFontFile(const std::string &name, const Bytes &bytes) {
    WriteFile(dir_ + "/" + name + ".DLL", bytes);
    Register(name);
}

void FontRegistry::Register(const std::string &name, const std::string &description,
                            const std::string &defaultDictionary) {
    fonts_.push_back({name, description, defaultDictionary});
}

void FontRegistry::Apply() {
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Tessmar\\Kavrel\\SpeechFonts";
    std::ofstream reg(dir_ + "/kavrel.reg");
    reg << "REGEDIT4\n\n";
    if (!omitKey_) {
        reg << "[" << key << "]\n\"Path\"=" << RegString(path_) << "\n\n";
        for (const Entry &f : fonts_) {
            reg << "[" << key << "\\" << f.name << "]\n";
            if (!f.description.empty()) reg << "\"Description\"=" << RegString(f.description) << "\n";
            if (!f.dictionary.empty()) reg << "\"DefaultDictionary\"=" << RegString(f.dictionary) << "\n";
            reg << "\n";
        }
    }
    reg.close();
    kav::testing::ReloadRegistry((dir_ + "/kavrel.reg").c_str());
}

}  // namespace kav::testfonts
