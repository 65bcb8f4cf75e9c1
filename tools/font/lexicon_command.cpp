#include "commands.h"
#include "kernel_lexicon.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

namespace kav::font {
namespace {

constexpr const char *kLexiconUsage =
    "Usage: kavfont lexicon cmu --cmudict FILE --poslex FILE --tags FILE [--max N] -o LEXICON\n"
    "\n"
    "Writes the kernel lexicon text of the English fonts (for 'kavfont dict\n"
    "compile'): the words of festival's CMU lexicon in KAL phonemes with\n"
    "stress marks, keys upper case (letters and apostrophes), at most N words\n"
    "(65535 by default) chosen by their probability in Wall Street Journal\n"
    "text, then alphabetically.  From Debian festlex-cmu and festlex-poslex:\n"
    "\n"
    "  --cmudict FILE   /usr/share/festival/dicts/cmu/cmudict-0.4.out\n"
    "  --poslex FILE    /usr/share/festival/dicts/wsj.wp39.poslexR\n"
    "  --tags FILE      /usr/share/festival/dicts/wsj.wp39.tri.ngrambin (tag counts)\n"
    "  --max N          at most N words, 1..65535\n"
    "  -o LEXICON       the lexicon text to write\n"
    "  --quiet          do not print the summary\n"
    "  -h, --help       show this help\n";

bool ReadFile(const std::string &path, std::string &text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

std::string Percent(double part, double whole) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f %%", whole > 0 ? 100.0 * part / whole : 0.0);
    return buffer;
}

}  // namespace

int RunLexiconCommand(int argc, char **argv) {
    if (argc < 1 || std::string(argv[0]) == "-h" || std::string(argv[0]) == "--help") {
        std::fputs(kLexiconUsage, argc < 1 ? stderr : stdout);
        return argc < 1 ? kExitUsage : kExitOk;
    }
    if (std::string(argv[0]) != "cmu") return UsageError("lexicon", "unknown lexicon recipe '" + std::string(argv[0]) + "'");
    std::map<std::string, std::string> options{{"--cmudict", ""}, {"--poslex", ""}, {"--tags", ""}, {"-o", ""},
                                               {"--max", "65535"}};
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kLexiconUsage, stdout);
            return kExitOk;
        }
        if (arg == "--quiet") {
            quiet = true;
            continue;
        }
        const auto it = options.find(arg);
        if (it == options.end()) return UsageError("lexicon", "unknown argument '" + arg + "'");
        if (i + 1 >= argc) return UsageError("lexicon", arg + " needs a value");
        it->second = argv[++i];
    }
    for (const auto &[name, value] : options)
        if (value.empty()) return UsageError("lexicon", name + " is required");
    char *end = nullptr;
    const long maxWords = std::strtol(options["--max"].c_str(), &end, 10);
    if (*end != '\0' || maxWords < 1 || maxWords > 65535) return UsageError("lexicon", "--max takes 1..65535");

    try {
        const auto start = std::chrono::steady_clock::now();
        std::string cmu, poslexText, tagBytes;
        for (const auto &[path, text] : {std::pair{"--cmudict", &cmu}, {"--poslex", &poslexText}, {"--tags", &tagBytes}})
            if (!ReadFile(options[path], *text)) return Fail("cannot read " + options[path]);
        size_t oddPoslex = 0;
        const std::vector<TaggedWord> poslex = ParsePoslex(poslexText, oddPoslex);
        const std::vector<double> probabilities = WordProbabilities(poslex, ReadTagCounts(tagBytes));
        KernelLexiconStats s;
        const std::vector<KernelWord> words =
            BuildKernelLexicon(cmu, poslex, probabilities, static_cast<size_t>(maxWords), s);
        const std::string text = FormatLexicon(
            words, {"Kernel lexicon of the English fonts, made by 'kavfont lexicon cmu' from festival's",
                    "CMU lexicon (cmudict-0.4, festlex-cmu) in KAL phonemes; see fonts/KAL16/lexicon.md.",
                    "Changed from the original: phones mapped to one-byte symbols, stress written as marks",
                    "before the vowel, one pronunciation per word, " + std::to_string(words.size()) +
                        " words chosen by WSJ probability."});
        std::ofstream out(options["-o"], std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) return Fail("cannot write " + options["-o"]);
        if (!quiet) {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("%s: %zu words (%zu in running text) of %zu candidates; %zu entries read, %zu repeats, "
                        "%zu unusable keys, %zu unmapped, %zu odd lines; poslex: %zu words, %zu odd lines\n"
                        "running-text probability covered: %s of all tokens, %s of word tokens "
                        "(the CMU lexicon has %s of word tokens); %.2f s\n",
                        options["-o"].c_str(), s.chosen, s.chosenSeen, s.candidates, s.cmuEntries, s.repeats,
                        s.badKeys, s.unmapped, s.oddLines, poslex.size(), oddPoslex,
                        Percent(s.chosenMass, s.mass).c_str(), Percent(s.chosenMass, s.wordMass).c_str(),
                        Percent(s.candidateMass, s.wordMass).c_str(), seconds);
        }
        return kExitOk;
    } catch (const LexiconError &e) {
        return Fail(e.what());
    } catch (const std::bad_alloc &) {
        return Fail("out of memory");
    }
}

}  // namespace kav::font
