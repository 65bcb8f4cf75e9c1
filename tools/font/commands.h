// The subcommands of kavfont.  Each takes the arguments after its name and
// returns the exit status: 0 done, 1 failed, 2 wrong usage.  Errors go to
// standard error as "kavfont: message".
#pragma once

#include <string>

namespace kav::font {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Command {
    const char *name;
    const char *summary;
    int (*run)(int argc, char **argv);
};

int Fail(const std::string &message);
int UsageError(const char *command, const std::string &message);

// kavfont voice --db GROUPFILE --variant kal16|kal8 --out DIR
int RunVoiceCommand(int argc, char **argv);

}  // namespace kav::font
