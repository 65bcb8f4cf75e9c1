#include "commands.h"
#include "dict_compiler.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace kav::font {
namespace {

constexpr const char *kDictUsage =
    "Usage: kavfont dict compile LEXICON -o FILE [--case upper|lower|none]\n"
    "\n"
    "Compiles a text lexicon into a dictionary file.  One entry a line:\n"
    "KEY<TAB>PRONUNCIATION[<TAB>TAG], TAG a number 0..65535; lines starting\n"
    "with '#' are comments.  Keys are folded to the font's DICTIONARYCASE\n"
    "(upper by default, as for a font without one), sorted byte by byte, and\n"
    "must be unique after folding; at most 65,535 entries.  Every error is\n"
    "reported as LEXICON:LINE: message, and no file is written if there is one.\n"
    "\n"
    "  -o FILE          the dictionary file to write (at most 124 characters,\n"
    "                   the longest path the engine opens)\n"
    "  --case C         upper (DICTIONARYCASE 1), lower (2) or none (any other)\n"
    "  --quiet          do not print the summary\n"
    "  -h, --help       show this help\n";

}  // namespace

int RunDictCommand(int argc, char **argv) {
    if (argc < 1 || std::string(argv[0]) == "-h" || std::string(argv[0]) == "--help") {
        std::fputs(kDictUsage, argc < 1 ? stderr : stdout);
        return argc < 1 ? kExitUsage : kExitOk;
    }
    if (std::string(argv[0]) != "compile") return UsageError("dict", "unknown dict command '" + std::string(argv[0]) + "'");
    std::string lexicon, out;
    KeyCase keyCase = KeyCase::Upper;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kDictUsage, stdout);
            return kExitOk;
        }
        if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "-o" || arg == "--case") {
            if (i + 1 >= argc) return UsageError("dict", arg + " needs a value");
            const std::string value = argv[++i];
            if (arg == "-o") {
                out = value;
            } else if (value == "upper" || value == "lower" || value == "none") {
                keyCase = value == "upper" ? KeyCase::Upper : value == "lower" ? KeyCase::Lower : KeyCase::None;
            } else {
                return UsageError("dict", "unknown case '" + value + "' (upper, lower or none)");
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return UsageError("dict", "unknown argument '" + arg + "'");
        } else if (lexicon.empty()) {
            lexicon = arg;
        } else {
            return UsageError("dict", "more than one lexicon given");
        }
    }
    if (lexicon.empty() || out.empty()) return UsageError("dict", "a LEXICON and -o FILE are required");

    const auto start = std::chrono::steady_clock::now();
    std::ifstream in(lexicon, std::ios::binary);
    if (!in) return Fail("cannot read " + lexicon);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    Diagnostics errors;
    std::vector<LexiconEntry> entries = ParseLexicon(text, lexicon, keyCase, errors);
    SortDictionaryEntries(entries, lexicon, errors);
    for (const std::string &e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    if (!errors.empty()) return Fail(std::to_string(errors.size()) + (errors.size() == 1 ? " error" : " errors") +
                                     "; " + out + " not written");
    const int32_t result = WriteDictionary(entries, out);
    if (result != 0) return Fail("cannot write " + out + " (error " + std::to_string(result) + ")");
    if (!quiet) {
        std::ifstream written(out, std::ios::binary | std::ios::ate);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %zu entries, %lld bytes; %.2f s\n", out.c_str(), entries.size(),
                    static_cast<long long>(written.tellg()), seconds);
    }
    return kExitOk;
}

}  // namespace kav::font
