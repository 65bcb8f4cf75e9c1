// Shared conventions of the kavrel commands: "kavrel: message" on standard
// error, exit status 0 on success, 1 on failure, 2 on a usage error, and
// --help on every command.
#pragma once

#include <string>
#include <vector>

namespace kavrel {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Command {
    const char *name;
    const char *summary;
    const char *usage;  // full --help text of the command
    int (*run)(int argc, char **argv);  // argv[0] is the command name
};

// The commands, in the order --help lists them.
extern const std::vector<Command> kCommands;

// Prints "kavrel: message" on standard error and returns kExitFailure.
int Fail(const std::string &message);
// Prints "kavrel: message" and the command's usage line; returns kExitUsage.
int UsageError(const Command &command, const std::string &message);
// True when argv holds -h or --help; prints the command's help then.
bool WantsHelp(const Command &command, int argc, char **argv);

}  // namespace kavrel
