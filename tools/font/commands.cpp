#include "commands.h"

#include <cstdio>

namespace kav::font {

int Fail(const std::string &message) {
    std::fprintf(stderr, "kavfont: %s\n", message.c_str());
    return kExitFailure;
}

int UsageError(const char *command, const std::string &message) {
    std::fprintf(stderr, "kavfont: %s\nTry 'kavfont %s --help'.\n", message.c_str(), command);
    return kExitUsage;
}

}  // namespace kav::font
