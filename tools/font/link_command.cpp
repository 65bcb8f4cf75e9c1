// kavfont link: one speech font from its voice and rule sources; kavfont
// register: the registration file for the fonts of a directory.
#include "commands.h"
#include "font_linker.h"
#include "font_resource_pe.h"
#include "kal_group.h"
#include "rule_compiler.h"
#include "voice_resources.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kav::font {
namespace {

constexpr const char *kLinkUsage =
    "Usage: kavfont link --db GROUPFILE --variant kal16|kal8 --sentence FILE\n"
    "                    [--kernel NAME] [--dict-case N] -o FONT.DLL PASS...\n"
    "\n"
    "Builds the voice from the diphone database, compiles the sentence program\n"
    "(RULE 350) and the text passes in the order given (RULE 300 onward, their\n"
    "masks into RULE 354) and writes the whole speech font.\n"
    "\n"
    "  --kernel NAME    file name, in the font directory, of the kernel dictionary\n"
    "  --dict-case N    DICTIONARYCASE: 1 upper-case keys (default), 2 lower, 0 as is\n";

constexpr const char *kRegisterUsage =
    "Usage: kavfont register --dir FONTDIR -o FILE FONT[=DESCRIPTION]...\n"
    "\n"
    "Writes a REGEDIT4 registration file naming FONTDIR (made absolute; at most\n"
    "127 bytes) as the font directory and registering each FONT (FONT.DLL in it).\n"
    "\n"
    "  --dictionary NAME  DefaultDictionary of the fonts that follow (default: none)\n";

bool ReadText(const std::string &path, std::string *text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return static_cast<bool>(in) || in.eof();
}

// Compiles one rule file; false after printing its errors.
bool CompileFile(const std::string &path, CompiledRules *out) {
    std::string source;
    if (!ReadText(path, &source)) {
        Fail("cannot read " + path);
        return false;
    }
    *out = CompileRules(source);
    if (out->ok()) return true;
    std::fputs(FormatRuleErrors(path, out->errors).c_str(), stderr);
    Fail(path + ": " + std::to_string(out->errors.size()) + " error(s)");
    return false;
}

}  // namespace

int RunLinkCommand(int argc, char **argv) {
    std::string db, variant, sentence, kernel, output, dictCase = "1";
    std::vector<std::string> passes;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kLinkUsage, stdout);
            return kExitOk;
        }
        std::string *target = arg == "--db"          ? &db
                              : arg == "--variant"   ? &variant
                              : arg == "--sentence"  ? &sentence
                              : arg == "--kernel"    ? &kernel
                              : arg == "--dict-case" ? &dictCase
                              : arg == "-o"          ? &output
                                                     : nullptr;
        if (target == nullptr) {
            if (!arg.empty() && arg[0] == '-') return UsageError("link", "unknown option '" + arg + "'");
            passes.push_back(arg);
            continue;
        }
        if (i + 1 >= argc) return UsageError("link", arg + " needs a value");
        *target = argv[++i];
    }
    if (db.empty() || variant.empty() || sentence.empty() || output.empty() || passes.empty())
        return UsageError("link", "--db, --variant, --sentence, -o and at least one pass are required");
    if (variant != "kal16" && variant != "kal8")
        return UsageError("link", "unknown variant '" + variant + "' (kal16 or kal8)");
    if (dictCase != "0" && dictCase != "1" && dictCase != "2")
        return UsageError("link", "--dict-case takes 0, 1 or 2");

    FontParts parts;
    parts.kernelDictionary = kernel;
    parts.dictionaryCase = dictCase[0] - '0';
    CompiledRules compiled;
    if (!CompileFile(sentence, &compiled)) return kExitFailure;
    parts.sentenceProgram = compiled.bytes;
    bool failed = false;  // every pass is compiled, so one run shows all mistakes
    for (const std::string &pass : passes) {
        if (!CompileFile(pass, &compiled)) {
            failed = true;
            continue;
        }
        parts.passes.push_back(compiled.bytes);
        parts.passMasks.push_back(compiled.mask);
    }
    if (failed) return kExitFailure;
    try {
        const VoiceFormat format = FormatOf(variant == "kal16" ? VoiceVariant::Kal16 : VoiceVariant::Kal8);
        parts.voice = BuildVoice(ReadKalGroupFile(db), format).resources;
        const std::vector<FontResource> font = LinkFont(parts);
        PeWriter writer;
        std::string refused;
        if (!AddFontResources(writer, font, &refused)) return Fail("the font cannot hold " + refused);
        if (!writer.WriteFile(output)) return Fail("cannot write " + output);
        return kExitOk;
    } catch (const VoiceError &e) {
        return Fail(e.what());
    } catch (const std::invalid_argument &e) {
        return Fail(e.what());
    } catch (const std::bad_alloc &) {
        return Fail("out of memory");
    }
}

int RunRegisterCommand(int argc, char **argv) {
    std::string dir, output, dictionary;
    std::vector<FontRegistration> fonts;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kRegisterUsage, stdout);
            return kExitOk;
        }
        if (arg == "--dir" || arg == "-o" || arg == "--dictionary") {
            if (i + 1 >= argc) return UsageError("register", arg + " needs a value");
            (arg == "--dir" ? dir : arg == "-o" ? output : dictionary) = argv[++i];
            continue;
        }
        if (!arg.empty() && arg[0] == '-') return UsageError("register", "unknown option '" + arg + "'");
        const size_t eq = arg.find('=');
        fonts.push_back({arg.substr(0, eq), eq == std::string::npos ? arg : arg.substr(eq + 1), dictionary});
    }
    if (dir.empty() || output.empty() || fonts.empty())
        return UsageError("register", "--dir, -o and at least one font are required");
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(dir, ec).lexically_normal();
    if (ec) return Fail("cannot make " + dir + " absolute: " + ec.message());
    std::string fontDir = absolute.string();
    while (fontDir.size() > 1 && fontDir.back() == '/') fontDir.pop_back();
    try {
        const std::string text = RegistrationText(fontDir, fonts);
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) return Fail("cannot write " + output);
        return kExitOk;
    } catch (const std::invalid_argument &e) {
        return Fail(e.what());
    }
}

}  // namespace kav::font
