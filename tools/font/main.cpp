// kavfont: the speech-font compiler.  One program, one subcommand per tool.
#include "commands.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

using kav::font::Command;

// Further tools join this table.
constexpr Command kCommands[] = {
    {"voice", "build a voice's resources from a diphone database", kav::font::RunVoiceCommand},
    {"dict", "compile a text lexicon into a dictionary file", kav::font::RunDictCommand},
    {"lexicon", "make the kernel lexicon text from the CMU lexicon, or measure it", kav::font::RunLexiconCommand},
    {"rules", "compile, disassemble and trace rule programs", kav::font::RunRulesCommand},
    {"link", "put a voice and its rules together into a speech font", kav::font::RunLinkCommand},
    {"register", "write the registration file of built fonts", kav::font::RunRegisterCommand},
};

void PrintHelp(FILE *out) {
    std::fputs("Usage: kavfont COMMAND [OPTIONS]\n"
               "       kavfont --help\n\n"
               "Commands:\n",
               out);
    for (const Command &c : kCommands) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    std::fputs("\nRun 'kavfont COMMAND --help' for a command's options.\n", out);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return kav::font::kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0) {
        PrintHelp(stdout);
        return kav::font::kExitOk;
    }
    for (const Command &c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "kavfont: unknown command '%s'\n", argv[1]);
    PrintHelp(stderr);
    return kav::font::kExitUsage;
}
