// kavrel: the command-line front end of the Kavrel speech engine.
#include "cli.h"

#include <cstdio>
#include <cstring>

namespace kavrel {

int Fail(const std::string &message) {
    std::fprintf(stderr, "kavrel: %s\n", message.c_str());
    return kExitFailure;
}

int UsageError(const Command &command, const std::string &message) {
    std::fprintf(stderr, "kavrel: %s\nTry 'kavrel %s --help'.\n", message.c_str(), command.name);
    return kExitUsage;
}

bool WantsHelp(const Command &command, int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(command.usage, stdout);
            return true;
        }
    }
    return false;
}

}  // namespace kavrel

namespace {

void PrintHelp(FILE *out) {
    std::fputs("Usage: kavrel COMMAND [OPTIONS] [ARGS]\n"
               "       kavrel --help | --version\n\n"
               "Commands:\n",
               out);
    for (const kavrel::Command &command : kavrel::kCommands)
        std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
    std::fputs("\nRun 'kavrel COMMAND --help' for a command's options.\n", out);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return kavrel::kExitUsage;
    }
    const char *name = argv[1];
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 || std::strcmp(name, "help") == 0) {
        PrintHelp(stdout);
        return kavrel::kExitOk;
    }
    if (std::strcmp(name, "--version") == 0) {
        std::printf("kavrel %s\n", KAVREL_VERSION);
        return kavrel::kExitOk;
    }
    for (const kavrel::Command &command : kavrel::kCommands) {
        if (std::strcmp(name, command.name) == 0) return command.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "kavrel: unknown command '%s'\nTry 'kavrel --help'.\n", name);
    return kavrel::kExitUsage;
}
