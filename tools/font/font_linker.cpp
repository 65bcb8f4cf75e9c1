#include "font_linker.h"

#include "rule_compiler.h"

#include <stdexcept>

namespace kav::font {
namespace {

constexpr uint16_t kFirstPass = 300;
constexpr uint16_t kSentenceRule = 350;
constexpr uint16_t kPassMaskRule = 354;
constexpr uint16_t kKernelDicId = 100;

FontResource Integer(const char *name, uint32_t value) {
    FontResource r{ResourceKey::Id(kRawDataType), ResourceKey::Named(name), {}};
    PutU32(r.bytes, value);
    return r;
}

FontResource Rule(uint16_t id, std::vector<uint8_t> bytes) {
    return FontResource{ResourceKey::Named("RULE"), ResourceKey::Id(id), std::move(bytes)};
}

// A .reg string: backslashes and quotes escaped; no line breaks or NULs,
// which the format cannot carry.
std::string Quoted(const std::string &value, const char *what) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '\0' || c == '\n' || c == '\r')
            throw std::invalid_argument(std::string(what) + " holds a character a registration file cannot carry");
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::vector<FontResource> LinkFont(const FontParts &parts) {
    if (parts.passes.empty()) throw std::invalid_argument("a font needs at least one text pass");
    if (parts.passes.size() > kMaxRulePasses)
        throw std::invalid_argument("a font holds at most " + std::to_string(kMaxRulePasses) + " text passes");
    if (parts.passMasks.size() != parts.passes.size())
        throw std::invalid_argument("one pass mask per text pass is needed");
    if (parts.sentenceProgram.empty()) throw std::invalid_argument("a font needs a sentence program");
    // The engine joins the name to the font directory itself, so it must be
    // a plain file name.
    if (parts.kernelDictionary.find_first_of(std::string("/\\\0", 3)) != std::string::npos)
        throw std::invalid_argument("the kernel dictionary must be a file name beside the font");

    std::vector<FontResource> out = parts.voice;
    for (size_t i = 0; i < parts.passes.size(); ++i)
        out.push_back(Rule(static_cast<uint16_t>(kFirstPass + i), parts.passes[i]));
    out.push_back(Rule(kSentenceRule, parts.sentenceProgram));
    out.push_back(Rule(kPassMaskRule, PassMaskTable(parts.passMasks)));
    // Major in the first 16-bit word, minor in the second.
    out.push_back(Integer("VERSIONNUMBER", static_cast<uint16_t>(kFontVersionMajor) |
                                               (static_cast<uint32_t>(static_cast<uint16_t>(kFontVersionMinor)) << 16)));
    out.push_back(Integer("NUMRULEPASSES", static_cast<uint32_t>(parts.passes.size())));
    out.push_back(Integer("DICTIONARYCASE", static_cast<uint32_t>(parts.dictionaryCase)));
    if (!parts.kernelDictionary.empty()) {
        FontResource kernel{ResourceKey::Named("KERNEL_DIC"), ResourceKey::Id(kKernelDicId), {}};
        kernel.bytes.assign(parts.kernelDictionary.begin(), parts.kernelDictionary.end());
        kernel.bytes.push_back(0);
        out.push_back(std::move(kernel));
    }
    return out;
}

std::string RegistrationText(const std::string &fontDir, const std::vector<FontRegistration> &fonts) {
    if (fontDir.empty() || fontDir.front() != '/')
        throw std::invalid_argument("the font directory must be an absolute path: '" + fontDir + "'");
    if (fontDir.size() > kMaxFontPath)
        throw std::invalid_argument("the font directory '" + fontDir + "' is " + std::to_string(fontDir.size()) +
                                    " bytes long; the engine reads at most " + std::to_string(kMaxFontPath) +
                                    " (128 with the terminator): build in a shorter directory");
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Tessmar\\Kavrel\\SpeechFonts";
    std::string text = "REGEDIT4\n\n[" + key + "]\n\"Path\"=" + Quoted(fontDir, "the font directory") + "\n";
    for (const FontRegistration &f : fonts) {
        if (f.name.empty() || f.name.find_first_of("\\[]\"\n\r") != std::string::npos || f.name.find('\0') != std::string::npos)
            throw std::invalid_argument("'" + f.name + "' cannot be a font name");
        if (f.defaultDictionary.size() > kMaxFontPath)
            throw std::invalid_argument("the default dictionary name of " + f.name + " passes 127 bytes");
        text += "\n[" + key + "\\" + f.name + "]\n";
        text += "\"Description\"=" + Quoted(f.description, "a description") + "\n";
        text += "\"DefaultDictionary\"=" + Quoted(f.defaultDictionary, "a dictionary name") + "\n";
    }
    return text;
}

}  // namespace kav::font
