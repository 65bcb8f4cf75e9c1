#include "commands.h"
#include "dict_compiler.h"
#include "kernel_lexicon.h"
#include "letter_to_sound.h"
#include "rule_compiler.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>

namespace kav::font {
namespace {

constexpr const char *kLexiconUsage =
    "Usage: kavfont lexicon cmu --cmudict FILE --poslex FILE --tags FILE [--rules SRC] [--extra LEX]\n"
    "                           [--max N] -o LEXICON\n"
    "       kavfont lexicon evaluate --cmudict FILE --poslex FILE --tags FILE --rules SRC --lexicon LEX\n"
    "\n"
    "cmu writes the kernel lexicon text of the English fonts (for 'kavfont dict\n"
    "compile'): the words of festival's CMU lexicon in KAL phonemes with\n"
    "stress marks, keys upper case (letters and apostrophes), at most N words\n"
    "(65535 by default): the hand-written entries of --extra first, then the\n"
    "words the letter-to-sound passes --rules do not say right, then those\n"
    "they say right, each by probability in Wall Street Journal text, then\n"
    "alphabetically.\n"
    "evaluate measures the passes on the words held out of their training,\n"
    "and the kernel lexicon with the passes on running text.  From Debian\n"
    "festlex-cmu and festlex-poslex:\n"
    "\n"
    "  --cmudict FILE   /usr/share/festival/dicts/cmu/cmudict-0.4.out\n"
    "  --poslex FILE    /usr/share/festival/dicts/wsj.wp39.poslexR\n"
    "  --tags FILE      /usr/share/festival/dicts/wsj.wp39.tri.ngrambin (tag counts)\n"
    "  --rules SRC,...  the letter-to-sound passes in order (fonts/KAL16/rules/\n"
    "                   3_letters.rules,fonts/KAL16/rules/3_stress.rules)\n"
    "  --extra LEX      hand-written lexicon entries (fonts/KAL16/lexicon-extra.lex)\n"
    "  --lexicon LEX    the kernel lexicon text to measure\n"
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

using Options = std::map<std::string, std::string>;

// Reads a lexicon text (hand-written or made by 'cmu') as kernel words.
bool ReadLexiconWords(const std::string &path, std::vector<KernelWord> &words) {
    std::string text;
    if (!ReadFile(path, text)) {
        Fail("cannot read " + path);
        return false;
    }
    Diagnostics errors;
    for (LexiconEntry &e : ParseLexicon(text, path, KeyCase::Upper, errors))
        words.push_back({std::move(e.key), std::move(e.pronunciation), 0.0});
    for (const std::string &e : errors) Fail(e);
    return errors.empty();
}

// The passes of --rules, a comma-separated list of sources in pass order.
std::optional<LetterToSound> CompileLetterToSound(const std::string &paths) {
    std::vector<std::vector<uint8_t>> passes;
    for (size_t start = 0; start <= paths.size();) {
        const size_t comma = std::min(paths.find(',', start), paths.size());
        const std::string path = paths.substr(start, comma - start);
        start = comma + 1;
        std::string source;
        if (!ReadFile(path, source)) {
            Fail("cannot read " + path);
            return std::nullopt;
        }
        CompiledRules program = CompileRules(source);
        if (!program.ok()) {
            std::fputs(FormatRuleErrors(path, program.errors).c_str(), stderr);
            return std::nullopt;
        }
        passes.push_back(std::move(program.bytes));
    }
    return LetterToSound(std::move(passes));
}

// The CMU lexicon's words with their running-text probabilities.
bool ReadCandidates(Options &options, std::vector<KernelWord> &words, KernelLexiconStats &s, size_t &poslexSize,
                    size_t &oddPoslex) {
    std::string cmu, poslexText, tagBytes;
    for (const auto &[path, text] : {std::pair{"--cmudict", &cmu}, {"--poslex", &poslexText}, {"--tags", &tagBytes}})
        if (!ReadFile(options[path], *text)) {
            Fail("cannot read " + options[path]);
            return false;
        }
    const std::vector<TaggedWord> poslex = ParsePoslex(poslexText, oddPoslex);
    poslexSize = poslex.size();
    words = ReadCmuWords(cmu, poslex, WordProbabilities(poslex, ReadTagCounts(tagBytes)), s);
    return true;
}

int MakeKernelLexicon(Options &options, bool quiet) {
    char *end = nullptr;
    const long maxWords = std::strtol(options["--max"].c_str(), &end, 10);
    if (*end != '\0' || maxWords < 1 || maxWords > 65535) return UsageError("lexicon", "--max takes 1..65535");
    const auto start = std::chrono::steady_clock::now();
    KernelLexiconStats s;
    std::vector<KernelWord> candidates;
    size_t poslexSize = 0, oddPoslex = 0;
    if (!ReadCandidates(options, candidates, s, poslexSize, oddPoslex)) return kExitFailure;
    KernelChoice choice;
    choice.maxWords = static_cast<size_t>(maxWords);
    if (!options["--extra"].empty() && !ReadLexiconWords(options["--extra"], choice.extra)) return kExitFailure;
    std::optional<LetterToSound> rules;
    if (!options["--rules"].empty()) {
        rules = CompileLetterToSound(options["--rules"]);
        if (!rules) return kExitFailure;
        choice.rulesSayRight = [&](const KernelWord &w) { return rules->Pronounce(w.key) == w.pronunciation; };
    }
    const std::vector<KernelWord> words = ChooseKernelWords(std::move(candidates), choice, s);
    const std::string text = FormatLexicon(
        words, {"Kernel lexicon of the English fonts, made by 'kavfont lexicon cmu' from festival's",
                "CMU lexicon (cmudict-0.4, festlex-cmu) in KAL phonemes; see fonts/KAL16/lexicon.md.",
                "Changed from the original: phones mapped to one-byte symbols, stress written as marks",
                "before the vowel, one pronunciation per word, function words unstressed, " +
                    std::to_string(words.size()) + " words: those the letter-to-sound rules miss, then the "
                    "others by WSJ probability."});
    std::ofstream out(options["-o"], std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return Fail("cannot write " + options["-o"]);
    if (!quiet) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %zu words (%zu in running text) of %zu candidates, %zu left to the rules; %zu entries "
                    "read, %zu repeats, %zu unusable keys, %zu unmapped, %zu odd lines; poslex: %zu words, %zu odd "
                    "lines\nrunning-text probability listed: %s of all tokens, %s of word tokens "
                    "(the CMU lexicon has %s of word tokens); %.2f s\n",
                    options["-o"].c_str(), s.chosen, s.chosenSeen, s.candidates, s.ruled, s.cmuEntries, s.repeats,
                    s.badKeys, s.unmapped, s.oddLines, poslexSize, oddPoslex, Percent(s.chosenMass, s.mass).c_str(),
                    Percent(s.chosenMass, s.wordMass).c_str(), Percent(s.candidateMass, s.wordMass).c_str(),
                    seconds);
    }
    return kExitOk;
}

int Evaluate(Options &options) {
    KernelLexiconStats s;
    std::vector<KernelWord> candidates, kernel;
    size_t poslexSize = 0, oddPoslex = 0;
    if (!ReadCandidates(options, candidates, s, poslexSize, oddPoslex)) return kExitFailure;
    if (!ReadLexiconWords(options["--lexicon"], kernel)) return kExitFailure;
    const std::optional<LetterToSound> rules = CompileLetterToSound(options["--rules"]);
    if (!rules) return kExitFailure;
    const auto start = std::chrono::steady_clock::now();
    const LexiconMeasures m = MeasureLexicon(*rules, candidates, kernel, s.wordMass - s.candidateMass);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("letter-to-sound, %.0f held-out words: %s right without stress, %s with stress\n"
                "  of them %.0f that running text lacks: %s without stress, %s with stress\n"
                "dictionary + rules over running text (word tokens the CMU lexicon has, by probability): "
                "%s without stress, %s with stress\n"
                "  (word tokens the CMU lexicon lacks, not measured: %s of word tokens)\n"
                "%.2f s\n",
                m.heldOut.total, Percent(m.heldOut.phonesRight, m.heldOut.total).c_str(),
                Percent(m.heldOut.right, m.heldOut.total).c_str(), m.heldOutRare.total,
                Percent(m.heldOutRare.phonesRight, m.heldOutRare.total).c_str(),
                Percent(m.heldOutRare.right, m.heldOutRare.total).c_str(),
                Percent(m.running.phonesRight, m.running.total).c_str(),
                Percent(m.running.right, m.running.total).c_str(), Percent(m.unknownMass, s.wordMass).c_str(),
                seconds);
    return kExitOk;
}

}  // namespace

int RunLexiconCommand(int argc, char **argv) {
    if (argc < 1 || std::string(argv[0]) == "-h" || std::string(argv[0]) == "--help") {
        std::fputs(kLexiconUsage, argc < 1 ? stderr : stdout);
        return argc < 1 ? kExitUsage : kExitOk;
    }
    const std::string recipe = argv[0];
    if (recipe != "cmu" && recipe != "evaluate")
        return UsageError("lexicon", "unknown lexicon recipe '" + recipe + "'");
    Options options{{"--cmudict", ""}, {"--poslex", ""}, {"--tags", ""}, {"--rules", ""}};
    if (recipe == "cmu") {
        options.insert({{"-o", ""}, {"--max", "65535"}, {"--extra", ""}});
    } else {
        options.insert({"--lexicon", ""});
    }
    const std::set<std::string> optional{"--rules", "--extra"};
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
        if (value.empty() && (optional.count(name) == 0 || recipe == "evaluate"))
            return UsageError("lexicon", name + " is required");
    try {
        return recipe == "cmu" ? MakeKernelLexicon(options, quiet) : Evaluate(options);
    } catch (const LexiconError &e) {
        return Fail(e.what());
    } catch (const std::bad_alloc &) {
        return Fail("out of memory");
    }
}

}  // namespace kav::font
